// PostSOAP and UpdateResource against a real HTTPS server on loopback that requires a client certificate.
#include "support/DevPki.h"
#include "support/TempDir.h"
#include "support/TestKeys.h"
#include "support/TlsTestServer.h"
#include "support/ZipFixture.h"
#include "vxnFiles.h"
#include "vxnGovX.h"
#include "vxnNFeException.h"

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace vxn;
using vxn::test::DevPki;
using vxn::test::TlsTestRequest;
using vxn::test::TlsTestResponse;
using vxn::test::TlsTestServer;

namespace {

const std::string kAction = "http://www.portalfiscal.inf.br/nfe/wsdl/NFeStatusServico4/nfeStatusServicoNF";
const std::string kEnvelope =
    "<soap12:Envelope xmlns:soap12=\"http://www.w3.org/2003/05/soap-envelope\"><soap12:Body>"
    "<nfeDadosMsg xmlns=\"http://www.portalfiscal.inf.br/nfe/wsdl/NFeStatusServico4\">"
    "<consStatServ versao=\"4.00\" xmlns=\"http://www.portalfiscal.inf.br/nfe\"><tpAmb>2</tpAmb><cUF>35</cUF>"
    "<xServ>STATUS</xServ></consStatServ></nfeDadosMsg></soap12:Body></soap12:Envelope>";
const std::string kReply =
    "<soap:Envelope xmlns:soap=\"http://www.w3.org/2003/05/soap-envelope\"><soap:Body>"
    "<nfeResultMsg xmlns=\"http://www.portalfiscal.inf.br/nfe/wsdl/NFeStatusServico4\"><retConsStatServ>"
    "<cStat>107</cStat><xMotivo>Serviço em Operação</xMotivo></retConsStatServ></nfeResultMsg>"
    "</soap:Body></soap:Envelope>";

TlsTestResponse Ok(const TlsTestRequest&) {
  return {200, kReply};
}

class PostSoapTest : public ::testing::Test {
protected:
  void SetUp() override {
    auto& h = gov_.Get_HttpSettings();
    h.CertificateKind = ckFile;
    h.CertificatePath = test::SharedPki().ValidClientFile();
    h.CertificatePassword = "1234";
    h.TrustedCAFile = test::SharedPki().CaFile();
    h.IgnoreInvalidCertificates = false;
    h.TimeOut = 5000;
    gov_.Set_ErrorLogDirectory(logDir_.Path());
  }

  std::string Post(const std::string& url) {
    return gov_.PostSOAP(url, kEnvelope, kAction, "nfeResultMsg",
                         "http://www.portalfiscal.inf.br/nfe/wsdl/NFeStatusServico4");
  }

  // The message of the SOAP exception raised by posting to url ("" when none was raised).
  std::string Failure(const std::string& url) {
    try {
      Post(url);
    } catch (const EvxnSoapException& e) {
      return e.what();
    }
    return {};
  }

  TvxnGovX gov_;
  test::TempDir logDir_;
};

} // namespace

TEST_F(PostSoapTest, PostsTheEnvelopeWithTheClientCertificateAndReturnsTheWholeReply) {
  TlsTestServer server(test::SharedPki().Server(), test::SharedPki().CaPem(), Ok);
  EXPECT_EQ(Post(server.Url("/ws/NFeStatusServico4.asmx")), kReply);
  auto received = server.Received();
  ASSERT_EQ(received.size(), 1u);
  EXPECT_EQ(received[0].Method, "POST");
  EXPECT_EQ(received[0].Path, "/ws/NFeStatusServico4.asmx");
  EXPECT_EQ(received[0].Body, kEnvelope);
  EXPECT_EQ(received[0].Header("content-type"),
            "application/soap+xml; charset=utf-8; action=\"" + kAction + "\"");
  EXPECT_NE(received[0].ClientSubject.find("CN=EMPRESA DE TESTE LTDA:11222333000181"), std::string::npos)
      << received[0].ClientSubject;
  // The same configuration posts again without reopening anything.
  EXPECT_EQ(Post(server.Url("/ws/NFeStatusServico4.asmx")), kReply);
}

TEST_F(PostSoapTest, ServerRefusesAPostWithoutClientCertificate) {
  TlsTestServer server(test::SharedPki().Server(), test::SharedPki().CaPem(), Ok);
  gov_.Get_HttpSettings().CertificatePath.clear();
  std::string m = Failure(server.Url("/ws"));
  EXPECT_EQ(m.rfind("Falha na comunicação com " + server.Url("/ws") + ": ", 0), 0u) << m;
  EXPECT_TRUE(m.ends_with("; nenhum certificado cliente foi configurado")) << m;
  EXPECT_TRUE(server.Received().empty());

  // A certificate from another authority is refused the same way.
  auto other = dev::TvxnDevAuthority::Create("Outra AC", test::SharedKeys());
  test::TempDir dir;
  WriteFileAtomic(dir.File("outro.pfx"), other.IssueClientPkcs12({}));
  gov_.Get_HttpSettings().CertificatePath = dir.File("outro.pfx");
  m = Failure(server.Url("/ws"));
  EXPECT_NE(m.find("Falha na comunicação"), std::string::npos) << m;
  EXPECT_EQ(m.find("nenhum certificado cliente"), std::string::npos) << m;
  EXPECT_TRUE(server.Received().empty());
}

TEST_F(PostSoapTest, UntrustedServerIsRefusedUnlessInvalidCertificatesAreIgnored) {
  // The server's certificate comes from an authority the client does not trust.
  auto rogue = dev::TvxnDevAuthority::Create("AC Desconhecida", test::SharedKeys());
  TlsTestServer server(rogue.IssueServer(), test::SharedPki().CaPem(), Ok);
  std::string m = Failure(server.Url("/ws"));
  EXPECT_EQ(m.rfind("Servidor 127.0.0.1 recusado: o certificado não se liga a uma autoridade certificadora "
                    "confiável (",
                    0),
            0u)
      << m;
  EXPECT_TRUE(m.ends_with("; nada foi enviado a " + server.Url("/ws"))) << m;
  EXPECT_TRUE(server.Received().empty());

  gov_.Get_HttpSettings().IgnoreInvalidCertificates = true;
  EXPECT_EQ(Post(server.Url("/ws")), kReply);
  EXPECT_EQ(server.Received().size(), 1u);
}

TEST_F(PostSoapTest, SlowServerHitsTheTimeOut) {
  // The server answers long after the time-out, so a client that waited for the answer is told apart
  // from one that gave up, even when the handshake itself is slow (a loaded machine, the sanitizers).
  constexpr std::chrono::milliseconds kServerDelay{4000};
  TlsTestServer server(test::SharedPki().Server(), test::SharedPki().CaPem(), [&](const TlsTestRequest&) {
    TlsTestResponse r{200, kReply};
    r.DelayMs = static_cast<int>(kServerDelay.count());
    return r;
  });
  gov_.Get_HttpSettings().TimeOut = 300;
  auto start = std::chrono::steady_clock::now();
  std::string m = Failure(server.Url("/lento"));
  auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(m.rfind("Tempo limite de 300 ms esgotado na comunicação com " + server.Url("/lento"), 0), 0u)
      << m;
  EXPECT_LT(elapsed, kServerDelay - std::chrono::milliseconds(500));
}

TEST_F(PostSoapTest, HttpErrorCarriesStatusAndSoapFault) {
  TlsTestServer server(test::SharedPki().Server(), test::SharedPki().CaPem(), [](const TlsTestRequest&) {
    return TlsTestResponse{
        500, "<soap:Envelope xmlns:soap=\"http://www.w3.org/2003/05/soap-envelope\"><soap:Body><soap:Fault>"
             "<soap:Code><soap:Value>soap:Receiver</soap:Value></soap:Code><soap:Reason>"
             "<soap:Text xml:lang=\"pt-BR\">Servidor indisponível para manutenção</soap:Text></soap:Reason>"
             "</soap:Fault></soap:Body></soap:Envelope>"};
  });
  EXPECT_EQ(Failure(server.Url("/ws")), "Erro HTTP 500 na comunicação com " + server.Url("/ws") +
                                            ": Servidor indisponível para manutenção");

  TlsTestServer plain(test::SharedPki().Server(), test::SharedPki().CaPem(), [](const TlsTestRequest&) {
    return TlsTestResponse{403, "proibido", "text/plain"};
  });
  EXPECT_EQ(Failure(plain.Url("/ws")), "Erro HTTP 403 na comunicação com " + plain.Url("/ws"));
  // Every failure left its line in the error log.
  EXPECT_EQ(test::CountLines(test::ReadFileOrEmpty(logDir_.File("nfe_exception.log"))), 2u);
}

TEST_F(PostSoapTest, RefusedConnectionAndPlainHttpUnderSecureConnection) {
  // A port this test holds bound without listening: a connection there is refused, and no other program
  // can start listening there meanwhile.
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  socklen_t len = sizeof addr;
  getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
  const std::string url = "https://127.0.0.1:" + std::to_string(ntohs(addr.sin_port)) + "/ws";
  std::string m = Failure(url);
  close(fd);
  EXPECT_EQ(m.rfind("Falha na comunicação com " + url + ": Couldn't connect to server", 0), 0u) << m;

  gov_.Get_HttpSettings().SecureConnection = true;
  EXPECT_EQ(Failure("http://127.0.0.1:1/ws"),
            "Conexão segura exigida: o endereço http://127.0.0.1:1/ws não usa HTTPS");
}

TEST_F(PostSoapTest, WrongClientCertificatePasswordIsACertificateFailure) {
  gov_.Get_HttpSettings().CertificatePassword = "errada";
  EXPECT_THROW(Post("https://127.0.0.1:1/ws"), EvxnNFeCertificationException);
}

TEST_F(PostSoapTest, AConnectionIsKeptOnlyForTheCertificateAndTrustItWasMadeWith) {
  TlsTestServer server(test::SharedPki().Server(), test::SharedPki().CaPem(), Ok);
  const std::string url = server.Url("/ws");
  ASSERT_EQ(Post(url), kReply);
  ASSERT_EQ(Post(url), kReply);
  // Another company's certificate: its request must not travel over the first one's connection.
  const std::string outra = test::SharedPki().WriteClient(
      "outra-empresa.pfx", {.CompanyName = "OUTRA EMPRESA LTDA", .Cnpj = "11444777000161"});
  gov_.Get_HttpSettings().CertificatePath = outra;
  ASSERT_EQ(Post(url), kReply);
  // Back to the first: a connection of its own again.
  gov_.Get_HttpSettings().CertificatePath = test::SharedPki().ValidClientFile();
  ASSERT_EQ(Post(url), kReply);

  const auto received = server.Received();
  ASSERT_EQ(received.size(), 4u);
  EXPECT_EQ(received[1].ClientPort, received[0].ClientPort) << "the second post opened a new connection";
  EXPECT_NE(received[2].ClientPort, received[1].ClientPort);
  EXPECT_NE(received[2].ClientSubject.find("CN=OUTRA EMPRESA LTDA:11444777000161"), std::string::npos)
      << received[2].ClientSubject;
  EXPECT_NE(received[3].ClientPort, received[2].ClientPort);
  EXPECT_NE(received[3].ClientSubject.find("CN=EMPRESA DE TESTE LTDA:11222333000181"), std::string::npos)
      << received[3].ClientSubject;
}

TEST_F(PostSoapTest, AConnectionMadeWithoutCheckingTheServerIsNotKeptForACheckedPost) {
  auto rogue = dev::TvxnDevAuthority::Create("AC Desconhecida", test::SharedKeys());
  TlsTestServer server(rogue.IssueServer(), test::SharedPki().CaPem(), Ok);
  gov_.Get_HttpSettings().IgnoreInvalidCertificates = true;
  ASSERT_EQ(Post(server.Url("/ws")), kReply);
  gov_.Get_HttpSettings().IgnoreInvalidCertificates = false;
  const std::string m = Failure(server.Url("/ws"));
  EXPECT_EQ(m.rfind("Servidor 127.0.0.1 recusado: o certificado não se liga a uma autoridade certificadora "
                    "confiável (",
                    0),
            0u)
      << m;
  EXPECT_EQ(server.Received().size(), 1u);
}

TEST_F(PostSoapTest, AfterTheServerClosedTheKeptConnectionTheNextPostMakesANewOneInFull) {
  // This server, like some in use, fails a handshake that resumes a session (it names no session
  // context while it asks for client certificates).
  TlsTestServer server(test::SharedPki().Server(), test::SharedPki().CaPem(), Ok);
  const std::string url = server.Url("/ws");
  ASSERT_EQ(Post(url), kReply);
  server.CloseIdleConnections();
  ASSERT_EQ(Post(url), kReply);

  const auto received = server.Received();
  ASSERT_EQ(received.size(), 2u);
  EXPECT_FALSE(received[0].SessionResumed);
  EXPECT_NE(received[1].ClientPort, received[0].ClientPort);
  EXPECT_FALSE(received[1].SessionResumed);
  EXPECT_NE(received[1].ClientSubject.find("CN=EMPRESA DE TESTE LTDA:11222333000181"), std::string::npos)
      << received[1].ClientSubject;
}

TEST(UpdateResource, DownloadsPlainAndZippedFilesAtomically) {
  const std::string servers = "[SP]\r\nNfeStatusServico=https://127.0.0.1/ws\r\nendereco=http://portal\r\n";
  TlsTestServer server(test::SharedPki().Server(), "", [&](const TlsTestRequest& r) {
    if (r.Path == "/plain.ini")
      return TlsTestResponse{200, servers, "text/plain"};
    if (r.Path == "/deflated.zip")
      return TlsTestResponse{200, test::MakeZip("nfeServidoresHom.ini", servers, true, true),
                             "application/zip"};
    if (r.Path == "/stored.zip")
      return TlsTestResponse{200, test::MakeZip("nfeServidoresHom.ini", servers, false), "application/zip"};
    if (r.Path == "/broken.zip") {
      std::string zip = test::MakeZip("x.ini", servers, true);
      zip[40] ^= 0x55; // inside the compressed data: the CRC check must catch it
      return TlsTestResponse{200, zip, "application/zip"};
    }
    return TlsTestResponse{404, "nada", "text/plain"};
  });
  test::TempDir dir;
  TvxnGovX gov;
  gov.Get_HttpSettings().TrustedCAFile = test::SharedPki().CaFile();
  const std::string file = dir.File("nfeServidoresHom.ini");

  EXPECT_TRUE(gov.UpdateResource(server.Url("/plain.ini"), file));
  EXPECT_EQ(ReadWholeFile(file), servers);
  WriteFileAtomic(file, "antigo");
  EXPECT_TRUE(gov.UpdateResource(server.Url("/deflated.zip"), file));
  EXPECT_EQ(ReadWholeFile(file), servers);
  WriteFileAtomic(file, "antigo");
  EXPECT_TRUE(gov.UpdateResource(server.Url("/stored.zip"), file));
  EXPECT_EQ(ReadWholeFile(file), servers);

  // Failures report false and leave the previous file whole.
  WriteFileAtomic(file, "antigo");
  EXPECT_FALSE(gov.UpdateResource(server.Url("/missing.ini"), file));
  EXPECT_FALSE(gov.UpdateResource(server.Url("/broken.zip"), file));
  gov.Get_HttpSettings().TrustedCAFile.clear();
  EXPECT_FALSE(gov.UpdateResource(server.Url("/plain.ini"), file)); // server not trusted
  EXPECT_EQ(ReadWholeFile(file), "antigo");
}
