#include "sefaz-sim/SefazSim.h"
#include "support/HttpsTestClient.h"
#include "support/SimOptions.h"
#include "support/TempDir.h"
#include "support/TestKeys.h"
#include "support/XmlCheck.h"
#include "support/XmlTag.h"
#include "vxnFormat.h"
#include "vxnText.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace vxn {
namespace {

using sim::TSefazSim;
using test::HttpsSend;
using test::HttpsTestReply;
using test::HttpsTestRequest;

constexpr const char* kNFeNs = "http://www.portalfiscal.inf.br/nfe";
constexpr const char* kAction4 =
    "http://www.portalfiscal.inf.br/nfe/wsdl/NFeStatusServico4/nfeStatusServicoNF";

std::string StatusRequest(const std::string& tpAmb, const std::string& cUF,
                          const std::string& versao = "4.00") {
  return Format(R"(<consStatServ xmlns="%s" versao="%s"><tpAmb>%s</tpAmb><cUF>%s</cUF><xServ>STATUS</xServ>)"
                R"(</consStatServ>)",
                {kNFeNs, versao, tpAmb, cUF});
}

std::string Envelope4(const std::string& message) {
  return R"(<soap:Envelope xmlns:soap="http://www.w3.org/2003/05/soap-envelope" )"
         R"(xmlns:nfes="http://www.portalfiscal.inf.br/nfe/wsdl/NFeStatusServico4"><soap:Header/><soap:Body>)"
         R"(<nfes:nfeDadosMsg>)" +
         message + "</nfes:nfeDadosMsg></soap:Body></soap:Envelope>";
}

using test::Between;
using test::Tag;

class SefazSimTest : public ::testing::Test {
protected:
  void SetUp() override { sim_.Start(); }

  HttpsTestReply Post(const std::string& path, const std::string& body, const std::string& action = kAction4,
                      const std::string& contentType = "application/soap+xml; charset=utf-8") {
    HttpsTestRequest r;
    r.Port = sim_.Port();
    r.Path = path;
    r.Body = body;
    r.SoapAction = action;
    r.ContentType = contentType;
    r.ClientCertificatePem = client_.CertificatePem;
    r.ClientKeyPem = client_.PrivateKeyPem;
    r.TrustedCaPem = sim_.Authority().CertificatePem();
    return HttpsSend(r);
  }

  // The status reply of a 4.00 request, checked to be a schema-valid retConsStatServ.
  std::string Status4(const std::string& section, const std::string& tpAmb, const std::string& cUF) {
    const HttpsTestReply reply =
        Post("/" + section + "/ws/NFeStatusServico4.asmx", Envelope4(StatusRequest(tpAmb, cUF)));
    EXPECT_EQ(reply.Status, 200) << reply.Error << reply.Body;
    const std::string ret = Between(reply.Body, "<retConsStatServ", "</retConsStatServ>");
    EXPECT_EQ(test::XmlSchemaErrors(ret, test::FindSchema("retConsStatServ_v4.00.xsd")), "") << ret;
    return ret;
  }

  static sim::TSefazSimOptions Options() {
    sim::TSefazSimOptions o = test::SimOptions();
    o.KeptMessages = 4;
    return o;
  }

  TSefazSim sim_{Options()};
  dev::TvxnDevIdentity client_ = sim_.Authority().IssueClient({});
};

TEST_F(SefazSimTest, KeepsOnlyTheLatestMessagesItReceived) {
  for (const char* cUF : {"31", "33", "35", "41", "43", "50"})
    Status4("SP", "2", cUF);
  std::vector<std::string> latest;
  for (const char* cUF : {"35", "41", "43", "50"})
    latest.push_back(StatusRequest("2", cUF));
  EXPECT_EQ(sim_.ReceivedMessages(), latest);
}

TEST_F(SefazSimTest, RejectionsOfTheStatusQuery) {
  EXPECT_EQ(Tag(Status4("SP", "1", "35"), "cStat"), "252"); // production request to homologation
  const std::string wrongState = Status4("SP", "2", "33");
  EXPECT_EQ(Tag(wrongState, "cStat"), "226");
  EXPECT_EQ(Tag(wrongState, "cUF"), "35"); // the authority that answered
  EXPECT_EQ(Tag(Status4("RJ", "2", "33"), "cStat"), "107");
  // The contingency authorisers serve their own group of states.
  EXPECT_EQ(Tag(Status4("SVCAN", "2", "35"), "cStat"), "107");
  EXPECT_EQ(Tag(Status4("SVCRS", "2", "41"), "cStat"), "107");
  EXPECT_EQ(Tag(Status4("SVCRS", "2", "35"), "cStat"), "226");
  // Rejections come before a paused service's answer.
  sim_.SetStatusPaused(109);
  EXPECT_EQ(Tag(Status4("SP", "1", "35"), "cStat"), "252");
}

TEST_F(SefazSimTest, SchemaFailureGives215) {
  // Wrong xServ, a 3.10 message to the 4.00 service, an unknown element: all fail the official schema.
  for (const std::string& message :
       {ReplaceAll(StatusRequest("2", "35"), "STATUS", "STATUSX"), StatusRequest("2", "35", "3.10"),
        ReplaceAll(StatusRequest("2", "35"), "<xServ>", "<extra/><xServ>"), std::string("<consStatServ/>")}) {
    const HttpsTestReply reply = Post("/SP/ws/NFeStatusServico4.asmx", Envelope4(message));
    ASSERT_EQ(reply.Status, 200) << reply.Error;
    const std::string ret = Between(reply.Body, "<retConsStatServ", "</retConsStatServ>");
    EXPECT_EQ(Tag(ret, "cStat"), "215") << message;
    EXPECT_EQ(Tag(ret, "xMotivo"), "Rejeicao: Falha no schema XML");
    EXPECT_EQ(test::XmlSchemaErrors(ret, test::FindSchema("retConsStatServ_v4.00.xsd")), "");
  }
}

TEST_F(SefazSimTest, BadRequestsGetASoapFaultWithHttp500) {
  struct Case {
    std::string body, action, contentType, reason;
  };
  const std::string good = Envelope4(StatusRequest("2", "35"));
  const std::string soap = "application/soap+xml; charset=utf-8";
  const Case cases[] = {
      {good, kAction4, "text/xml; charset=utf-8", "not SOAP 1.2"},
      {good, "http://www.portalfiscal.inf.br/nfe/wsdl/NFeConsultaProtocolo4/nfeConsultaNF", soap,
       "did not recognize the value of HTTP Header SOAPAction"},
      {good, "", soap, "without a valid action"},
      {good.substr(0, good.size() - 5), kAction4, soap, "not well-formed"},
      {StatusRequest("2", "35"), kAction4, soap, "not a SOAP 1.2 envelope"},
      {R"(<soap:Envelope xmlns:soap="http://schemas.xmlsoap.org/soap/envelope/"><soap:Body/></soap:Envelope>)",
       kAction4, soap, "not a SOAP 1.2 envelope"},
      {R"(<soap:Envelope xmlns:soap="http://www.w3.org/2003/05/soap-envelope"><soap:Body><x/></soap:Body></soap:Envelope>)",
       kAction4, soap, "no nfeDadosMsg"},
  };
  for (const Case& c : cases) {
    const HttpsTestReply reply = Post("/SP/ws/NFeStatusServico4.asmx", c.body, c.action, c.contentType);
    EXPECT_EQ(reply.Status, 500) << c.reason << " " << reply.Error;
    EXPECT_NE(reply.Body.find("<soap:Fault><soap:Code><soap:Value>soap:Sender</soap:Value>"),
              std::string::npos)
        << reply.Body;
    EXPECT_NE(reply.Body.find(c.reason), std::string::npos) << reply.Body;
    EXPECT_EQ(test::XmlWellFormedError(reply.Body), "");
  }
}

TEST_F(SefazSimTest, UnknownAddressesAreNotFound) {
  const std::string good = Envelope4(StatusRequest("2", "35"));
  EXPECT_EQ(Post("/XX/ws/NFeStatusServico4.asmx", good).Status, 404);
  EXPECT_EQ(Post("/SP/ws/NFeNaoExiste4.asmx", good).Status, 404);
  EXPECT_EQ(Post("/SP/NFeStatusServico4.asmx", good).Status, 404);
  // Paths are matched without regard to case, as the published servers do.
  EXPECT_EQ(Post("/sp/ws/nfestatusservico4.asmx", good).Status, 200);
}

TEST_F(SefazSimTest, ClientMustPresentACertificateOfItsAuthority) {
  HttpsTestRequest r;
  r.Port = sim_.Port();
  r.Path = "/SP/ws/NFeStatusServico4.asmx";
  r.Body = Envelope4(StatusRequest("2", "35"));
  r.SoapAction = kAction4;
  r.TrustedCaPem = sim_.Authority().CertificatePem();
  HttpsTestReply none = HttpsSend(r);
  EXPECT_EQ(none.Status, 0);
  EXPECT_FALSE(none.Error.empty());

  const dev::TvxnDevAuthority stranger = dev::TvxnDevAuthority::Create("Some Other CA", test::SharedKeys());
  const dev::TvxnDevIdentity foreign = stranger.IssueClient({});
  r.ClientCertificatePem = foreign.CertificatePem;
  r.ClientKeyPem = foreign.PrivateKeyPem;
  EXPECT_EQ(HttpsSend(r).Status, 0);

  // The server's own certificate chains to the same authority and names 127.0.0.1.
  r.ClientCertificatePem = client_.CertificatePem;
  r.ClientKeyPem = client_.PrivateKeyPem;
  EXPECT_EQ(HttpsSend(r).Status, 200);
  r.TrustedCaPem = stranger.CertificatePem();
  EXPECT_EQ(HttpsSend(r).Status, 0);
}

TEST_F(SefazSimTest, AnswersClientsInParallel) {
  // Four clients at once, three requests each: every one is answered, and each with its own state.
  const char* codes[] = {"35", "33", "43", "31"};
  const char* sections[] = {"SP", "RJ", "RS", "MG"};
  std::vector<std::thread> threads;
  std::atomic<int> ok{0};
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 3; ++i) {
        const HttpsTestReply reply = Post(std::string("/") + sections[t] + "/ws/NFeStatusServico4.asmx",
                                          Envelope4(StatusRequest("2", codes[t])));
        if (reply.Status == 200 && Tag(reply.Body, "cStat") == "107" && Tag(reply.Body, "cUF") == codes[t])
          ++ok;
      }
    });
  }
  for (auto& th : threads)
    th.join();
  EXPECT_EQ(ok.load(), 12);
}

TEST(SefazSimLifecycle, EphemeralPortsStopCleanly) {
  TSefazSim a{test::SimOptions()};
  TSefazSim b{test::SimOptions()};
  a.Start();
  b.Start();
  EXPECT_GT(a.Port(), 0);
  EXPECT_GT(b.Port(), 0);
  EXPECT_NE(a.Port(), b.Port());
  EXPECT_TRUE(a.IsRunning());
  EXPECT_EQ(a.BaseUrl(), "https://127.0.0.1:" + std::to_string(a.Port()));
  const int port = a.Port();
  a.Stop();
  a.Stop();
  EXPECT_FALSE(a.IsRunning());
  HttpsTestRequest r;
  r.Port = port;
  r.Path = "/SP/ws/NFeStatusServico4.asmx";
  EXPECT_EQ(HttpsSend(r).Status, 0); // nothing listens there any more
}

TEST(SefazSimLifecycle, BusyPortIsReported) {
  TSefazSim a{test::SimOptions()};
  a.Start();
  sim::TSefazSimOptions options = test::SimOptions();
  options.Port = a.Port();
  TSefazSim b(options);
  EXPECT_THROW(b.Start(), std::runtime_error);
}

TEST(SefazSimConfig, ServersFileAndComponentConfiguration) {
  TSefazSim s{test::SimOptions()};
  s.Start();
  const std::string ini = s.ServersIniText();
  for (const char* section : {"[SP]", "[AN]", "[AC]", "[TO]", "[SVCAN]", "[SVCRS]"})
    EXPECT_NE(ini.find(std::string(section) + "\r\n"), std::string::npos) << section;
  EXPECT_NE(ini.find("[RS]\r\nNfeStatusServico4=" + s.BaseUrl() +
                     "/RS/ws/NFeStatusServico4.asmx\r\n"
                     "NfeStatusServico3=" +
                     s.BaseUrl() + "/RS/ws/NfeStatusServico3.asmx\r\n"),
            std::string::npos)
      << ini;

  test::TempDir dir;
  const auto files = s.WriteConfig(dir.Path() + "cfg");
  EXPECT_EQ(test::ReadFileOrEmpty(files.ServersFile), ini);
  const std::string config = test::ReadFileOrEmpty(files.ConfigFile);
  EXPECT_TRUE(config.starts_with("[NFE]\r\n"));
  EXPECT_NE(config.find("ArquivoServidoresHom=" + files.ServersFile + "\r\n"), std::string::npos);
  EXPECT_NE(config.find("CaminhoCertificado=" + files.ClientCertificate + "\r\n"), std::string::npos);
  EXPECT_NE(config.find("AtualizarArquivoServidores=0\r\n"), std::string::npos);
  EXPECT_FALSE(test::ReadFileOrEmpty(files.ClientCertificate).empty());
  EXPECT_EQ(test::ReadFileOrEmpty(files.AuthorityCertificate), s.Authority().CertificatePem());
}

} // namespace
} // namespace vxn
