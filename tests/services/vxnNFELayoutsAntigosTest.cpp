// The web-service classes of the layouts before 3.10, against a recording HTTPS server: the address
// of each service key, the envelope template from the templates folder filled with the state code and
// the escaped data, the SOAP action, and the reply returned whole.
#include "services/vxnNFE30Intf.h"
#include "services/vxnNFE50Intf.h"
#include "support/DevPki.h"
#include "support/RefusalOf.h"
#include "support/TempDir.h"
#include "support/TlsTestServer.h"
#include "vxnFiles.h"
#include "vxnGovUtils.h"
#include "vxnGovX.h"
#include "vxnIniFile.h"
#include "vxnNFeException.h"

#include <gtest/gtest.h>

#include <memory>

namespace vxn {
namespace {

using test::Refusal;
using test::RefusalOf;

using test::TlsTestRequest;
using test::TlsTestResponse;
using test::TlsTestServer;

constexpr const char* kReply = R"(<?xml version="1.0" encoding="utf-8"?><soap:Envelope )"
                               R"(xmlns:soap="http://www.w3.org/2003/05/soap-envelope"><soap:Body>)"
                               R"(<retEnviNFe xmlns="http://www.portalfiscal.inf.br/nfe"><cStat>103</cStat>)"
                               R"(</retEnviNFe></soap:Body></soap:Envelope>)";

class OlderLayoutsTest : public ::testing::Test {
protected:
  void SetUp() override {
    server_ = std::make_unique<TlsTestServer>(test::SharedPki().Server(), test::SharedPki().CaPem(),
                                              [](const TlsTestRequest&) {
                                                return TlsTestResponse{200, kReply};
                                              });
    servers_ = dir_.Path() + "servidores.ini";
    WriteFileAtomic(servers_, "[MG]\nNfeRecepcao=" + server_->Url("/mg/recepcao") +
                                  "\nNfeRecepcao2=" + server_->Url("/mg/recepcao2") +
                                  "\nNfeRetRecepcao2=" + server_->Url("/mg/retrecepcao2") +
                                  "\nCadConsulta2=" + server_->Url("/mg/cad2") + "\n");
    ini_ = std::make_unique<TvxnIniFile>(servers_);
    data_.ServersIni = ini_.get();
    data_.ArquivoServidoresHom = servers_;
    data_.UF = "MG";
    data_.LocalCode = "31";
    data_.AmbienteStr = "2";
    auto& h = gov_.Get_HttpSettings();
    h.CertificateKind = ckFile;
    h.CertificatePath = test::SharedPki().ValidClientFile();
    h.CertificatePassword = "1234";
    h.TrustedCAFile = test::SharedPki().CaFile();
    h.TimeOut = 10000;
  }

  // Writes a template of the layout's folder for the state MG.
  void Template(const std::string& versao, const std::string& name, const std::string& text) {
    data_.DiretorioTemplates = dir_.Path() + "Templates/" + versao + "/";
    WriteFileAtomic(data_.DiretorioTemplates + "MG/" + name, text);
  }

  TlsTestRequest Last() const {
    const auto received = server_->Received();
    return received.empty() ? TlsTestRequest{} : received.back();
  }

  test::TempDir dir_;
  std::unique_ptr<TlsTestServer> server_;
  std::string servers_;
  std::unique_ptr<TvxnIniFile> ini_;
  TNFeData data_;
  TvxnGovX gov_;
  TvxnGovUtils utils_;
};

constexpr const char* kNS = "http://www.portalfiscal.inf.br/nfe/wsdl/";

TEST_F(OlderLayoutsTest, Layout40SendsTheEscapedLotWithTheStateCodeAndIgnoresCompression) {
  data_.VersaoManual = vm50;
  Template("vm50", "pedido_enviarnfe.soap", "<env><cUF>%s</cUF><dados>%s</dados></env>");
  TvxnNFE50Intf intf(data_, gov_, utils_);
  const std::string lot = "<enviNFe><xNome>A & B</xNome></enviNFe>";
  EXPECT_EQ(intf.EnviarNF("1", lot, true), kReply); // the reply comes back whole
  const TlsTestRequest r = Last();
  EXPECT_EQ(r.Path, "/mg/recepcao2");
  EXPECT_EQ(r.Body, "<env><cUF>31</cUF><dados><enviNFe><xNome>A &amp; B</xNome></enviNFe></dados></env>");
  EXPECT_EQ(r.Header("content-type"), std::string("application/soap+xml; charset=utf-8; action=\"") + kNS +
                                          "NfeRecepcao2/nfeRecepcaoLote2\"");
}

TEST_F(OlderLayoutsTest, Layout40ReceiptQueryAndTaxpayerQueryActions) {
  data_.VersaoManual = vm40;
  Template("vm40", "pedido_consultarecibo.xml",
           "<consReciNFe><tpAmb>%s</tpAmb><nRec>%s</nRec></consReciNFe>");
  Template("vm40", "pedido_consultarecibo.soap", "<env><cUF>%s</cUF>%s</env>");
  TvxnNFE40Intf intf(data_, gov_, utils_);
  intf.ConsultarRecibo("311000000000001");
  EXPECT_EQ(Last().Path, "/mg/retrecepcao2");
  EXPECT_EQ(Last().Body, "<env><cUF>31</cUF><consReciNFe><tpAmb>2</tpAmb><nRec>311000000000001</nRec>"
                         "</consReciNFe></env>");
  EXPECT_NE(Last()
                .Header("content-type")
                .find(std::string("action=\"") + kNS + "NfeRetRecepcao2/nfeRetRecepcao2\""),
            std::string::npos);

  Template("vm40", "pedido_consultacadastro.xml", "<ConsCad><UF>%s</UF><CNPJ>%s</CNPJ></ConsCad>");
  Template("vm40", "pedido_consultacadastro.soap", "<env><cUF>%s</cUF>%s</env>");
  intf.ConsultarCadastro("MG", "11222333000181");
  EXPECT_EQ(Last().Path, "/mg/cad2");
  // The taxpayer query's action is the service namespace itself.
  EXPECT_NE(Last().Header("content-type").find(std::string("action=\"") + kNS + "CadConsultaCadastro2\""),
            std::string::npos);
}

TEST_F(OlderLayoutsTest, Layout30UsesItsOwnKeysAndXmlEnvelopes) {
  data_.VersaoManual = vm30;
  Template("vm30", "pedido_enviarnfe.xml", "<env cUF=\"%s\">%s</env>");
  TvxnNFE30Intf intf(data_, gov_, utils_);
  intf.EnviarNF("1", "<enviNFe/>", false);
  EXPECT_EQ(Last().Path, "/mg/recepcao");
  EXPECT_EQ(Last().Body, "<env cUF=\"31\"><enviNFe/></env>");
  // A service the servers file does not name.
  EXPECT_EQ(RefusalOf([&] { intf.ConsultarRecibo("311000000000001"); }),
            (Refusal{"EvxnNFeAddressException",
                     "Servidor para NfeRetRecepcao não definido no arquivo: " + servers_}));
}

TEST_F(OlderLayoutsTest, KeysOfLayout30And40) {
  TvxnNFE30Intf intf30(data_, gov_, utils_);
  TvxnNFE40Intf intf40(data_, gov_, utils_);
  const std::string key40 =
      intf40.CalculaChaveNFe("2026-12-05", "35", "11222333000181", "55", "1", "1001", "1", "01234567");
  EXPECT_EQ(key40.size(), 44u);
  EXPECT_EQ(key40.substr(0, 43), "3526121122233300018155001000001001101234567");
  const std::string key30 =
      intf30.CalculaChaveNFe("2026-12-05", "35", "11222333000181", "55", "1", "1001", "1", "012345678");
  EXPECT_EQ(key30.substr(0, 43), "3526121122233300018155001000001001012345678");
}

} // namespace
} // namespace vxn
