#include "sefaz-sim/SefazSim.h"
#include "services/vxnNFE30Intf.h"
#include "services/vxnNFE50Intf.h"
#include "services/vxnNFE50aIntf.h"
#include "services/vxnNFE60Intf.h"
#include "support/TempDir.h"
#include "support/XmlCheck.h"
#include "vxnFiles.h"
#include "vxnGovUtils.h"
#include "vxnGovX.h"
#include "vxnIniFile.h"
#include "vxnNFeException.h"

#include <gtest/gtest.h>

#include <memory>

namespace vxn {
namespace {

using test::TempDir;

class ServiceInterfaceTest : public ::testing::Test {
protected:
  void SetUp() override {
    servers_ = dir_.Path() + "servidores.ini";
    WriteFileAtomic(servers_, "[SP]\nNfeStatusServico4=https://sp.example/status4\n"
                              "[SVCRS]\nNfeStatusServico4=https://svcrs.example/status4\n"
                              "[SVCAN]\nNfeStatusServico4=https://svcan.example/status4\n");
    ini_ = std::make_unique<TvxnIniFile>(servers_);
    data_.ServersIni = ini_.get();
    data_.ArquivoServidoresHom = servers_;
    data_.UF = "SP";
    data_.LocalCode = "35";
    data_.AmbienteStr = "2";
    data_.VersaoManual = vm60;
  }
  void TearDown() override { EvxnException::ResetClassState(); }

  TempDir dir_;
  std::string servers_;
  std::unique_ptr<TvxnIniFile> ini_;
  TNFeData data_;
  TvxnGovX gov_;
  TvxnGovUtils utils_;
};

TEST_F(ServiceInterfaceTest, AddressBySectionOfTheOperatingMode) {
  TvxnNFE60Intf intf(data_, gov_, utils_);
  EXPECT_EQ(intf.GetWSAddress("NfeStatusServico4", true), "https://sp.example/status4");
  data_.ModoOperacao = moSVCRS; // the UF's section has an address too, but SVCRS wins
  EXPECT_EQ(intf.GetWSAddress("NfeStatusServico4", true), "https://svcrs.example/status4");
  data_.ModoOperacao = moSVCAN;
  EXPECT_EQ(intf.GetWSAddress("NfeStatusServico4", true), "https://svcan.example/status4");
  data_.ModoOperacao = moNormal;
  EXPECT_EQ(intf.GetWSAddress("NfeConsulta4", false), "");
}

TEST_F(ServiceInterfaceTest, EpecModeAndMissingKeysHaveNoAddress) {
  TvxnNFE60Intf intf(data_, gov_, utils_);
  data_.ModoOperacao = moEPEC;
  try {
    intf.StatusDoServico();
    FAIL() << "no exception";
  } catch (const EvxnNFeAddressException& e) {
    EXPECT_EQ(e.Message(), "Servidor para NfeStatusServico4 não definido no arquivo: " + servers_);
  }
  data_.ModoOperacao = moNormal;
  data_.UF = "RJ";
  EXPECT_THROW(intf.GetWSAddress("NfeStatusServico4", true), EvxnNFeAddressException);
  data_.ServersIni = nullptr; // no servers file opened at all
  EXPECT_THROW(intf.GetWSAddress("NfeStatusServico4", true), EvxnNFeAddressException);
}

TEST_F(ServiceInterfaceTest, LimparXMLRemovesOnlyThePlainDeclarationAndCrLfPairs) {
  EXPECT_EQ(TvxnNFEInterface::LimparXML("<?xml version=\"1.0\"?><a>\r\n<b/>\r\n</a><?xml version=\"1.0\"?>"),
            "<a><b/></a><?xml version=\"1.0\"?>");
  EXPECT_EQ(TvxnNFEInterface::LimparXML("<?xml version=\"1.0\" encoding=\"UTF-8\"?><a/>"),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?><a/>");
  EXPECT_EQ(TvxnNFEInterface::LimparXML("<a>\n\r</a>"), "<a>\n\r</a>"); // only CR LF pairs go
}

TEST_F(ServiceInterfaceTest, ServiceDataBuilders) {
  TvxnNFE60Intf intf(data_, gov_, utils_);
  const std::string status = intf.GetPedido_Status();
  EXPECT_EQ(status,
            R"(<consStatServ xmlns="http://www.portalfiscal.inf.br/nfe" versao="4.00"><tpAmb>2</tpAmb>)"
            R"(<cUF>35</cUF><xServ>STATUS</xServ></consStatServ>)");
  EXPECT_EQ(test::XmlSchemaErrors(status, test::FindSchema("consStatServ_v4.00.xsd")), "");
  EXPECT_NE(
      intf.GetPedido_ConsultarNF("3524").find("<tpAmb>2</tpAmb><xServ>CONSULTAR</xServ><chNFe>3524</chNFe>"),
      std::string::npos);
  EXPECT_NE(intf.GetPedido_ConsultaRecibo("351").find("<nRec>351</nRec>"), std::string::npos);
  EXPECT_NE(intf.GetPedido_ConsultaCadastro("SP", "<CNPJ>1</CNPJ>").find("<UF>SP</UF><CNPJ>1</CNPJ>"),
            std::string::npos);
  EXPECT_EQ(intf.GetPedido_InutilizarNF("<?xml version=\"1.0\"?><inutNFe>\r\n</inutNFe>"),
            "<inutNFe></inutNFe>");
  EXPECT_NE(intf.GetSignatureInfo().find("<Reference URI=\"%s\">"), std::string::npos);
  data_.VersaoManual = vm50a;
  EXPECT_NE(intf.GetPedido_Status().find("versao=\"3.10\""), std::string::npos);
}

TEST_F(ServiceInterfaceTest, OlderLayoutTemplatesComeFromFilesWithoutAccents) {
  data_.VersaoManual = vm50;
  data_.DiretorioTemplates = dir_.Path() + "Templates/vm50/";
  WriteFileAtomic(data_.DiretorioTemplates + "SP/pedido_status.xml",
                  "<consStatServ versao=\"2.00\"><tpAmb>%s</tpAmb><cUF>%s</cUF><xServ>STATUS</xServ><!-- "
                  "Situação --></consStatServ>");
  TvxnNFE60Intf intf(data_, gov_, utils_);
  EXPECT_EQ(intf.GetPedido_Status(),
            "<consStatServ versao=\"2.00\"><tpAmb>2</tpAmb><cUF>35</cUF><xServ>STATUS</xServ><!-- Situacao "
            "--></consStatServ>");
  data_.UF = "RS";
  EXPECT_THROW(intf.GetPedido_Status(), EvxnTemplateNotFoundException);
}

TEST_F(ServiceInterfaceTest, AbstractOperationsOfTheBase) {
  TvxnNFEInterface base(data_, gov_, utils_);
  EXPECT_THROW(base.StatusDoServico(), EvxnException);
  // The layouts before 3.10 have no synchronous sending.
  for (TVersaoManual v : {vm30, vm40, vm50}) {
    data_.VersaoManual = v;
    std::unique_ptr<TvxnNFEInterface> intf;
    if (v == vm30)
      intf = std::make_unique<TvxnNFE30Intf>(data_, gov_, utils_);
    else if (v == vm40)
      intf = std::make_unique<TvxnNFE40Intf>(data_, gov_, utils_);
    else
      intf = std::make_unique<TvxnNFE50Intf>(data_, gov_, utils_);
    try {
      intf->EnviarNFSincrono("1", "<enviNFe/>", false);
      ADD_FAILURE() << VersaoManualToStr(v);
    } catch (const EvxnException& e) {
      EXPECT_EQ(e.Message(), "Abstract Error");
    }
  }
  // An operation the layout has, without its service in the servers file: the address is looked for
  // before anything else.
  data_.VersaoManual = vm60;
  TvxnNFE60Intf intf(data_, gov_, utils_);
  try {
    intf.ConsultarNF("1");
    ADD_FAILURE();
  } catch (const EvxnNFeAddressException& e) {
    EXPECT_EQ(e.Message(), "Servidor para NfeConsulta4 não definido no arquivo: " + servers_);
  }
}

TEST_F(ServiceInterfaceTest, UnwrappingReplies) {
  TvxnNFE60Intf v60(data_, gov_, utils_);
  TvxnNFE50aIntf v50a(data_, gov_, utils_);
  const std::string reply =
      R"(<soap:Envelope xmlns:soap="http://www.w3.org/2003/05/soap-envelope"><soap:Body><nfeResultMsg )"
      R"(xmlns="http://www.portalfiscal.inf.br/nfe/wsdl/NFeStatusServico4"><retConsStatServ versao="4.00" )"
      R"(xmlns="http://www.portalfiscal.inf.br/nfe"><cStat>107</cStat></retConsStatServ></nfeResultMsg></soap:Body>)"
      R"(</soap:Envelope>)";
  EXPECT_EQ(
      v60.NFe_DesenveloparSOAP(reply),
      R"(<retConsStatServ xmlns="http://www.portalfiscal.inf.br/nfe" versao="4.00"><cStat>107</cStat></retConsStatServ>)");
  // 3.10 does not know retConsStatServ: the body's child comes back whole.
  const std::string body = v50a.NFe_DesenveloparSOAP(reply);
  EXPECT_TRUE(body.starts_with("<nfeResultMsg")) << body;
  EXPECT_NE(body.find("<cStat>107</cStat>"), std::string::npos);
  // The envelope prefix takes the namespace of whatever the document element is.
  EXPECT_EQ(v60.NFe_DesenveloparSOAP(R"(<x:Envelope xmlns:x="urn:other"><x:Body><y/></x:Body></x:Envelope>)"),
            "<y/>");
  // No known element and no SOAP body, or no XML at all: unchanged.
  const std::string other = R"(<x:Fault xmlns:x="urn:other"><x:Body><y/></x:Body></x:Fault>)";
  EXPECT_EQ(v60.NFe_DesenveloparSOAP(other), other);
  EXPECT_EQ(v60.NFe_DesenveloparSOAP("Service Unavailable"), "Service Unavailable");
  EXPECT_EQ(v50a.NFe_DesenveloparSOAP(""), "");
}

// The status query against the local tax-authority server, over TLS with the test certificate.
class StatusAgainstServerTest : public ServiceInterfaceTest {
protected:
  void SetUp() override {
    ServiceInterfaceTest::SetUp();
    sim_.Start();
    files_ = sim_.WriteConfig(dir_.Path() + "sim");
    ini_ = std::make_unique<TvxnIniFile>(files_.ServersFile);
    data_.ServersIni = ini_.get();
    data_.ArquivoServidoresHom = files_.ServersFile;
    auto& http = gov_.Get_HttpSettings();
    http.CertificateKind = ckFile;
    http.CertificatePath = files_.ClientCertificate;
    http.CertificatePassword = files_.ClientPassword;
    http.TrustedCAFile = files_.AuthorityCertificate;
    http.TimeOut = 30000;
  }
  sim::TSefazSim sim_;
  sim::TSefazSimConfigFiles files_;
};

TEST_F(StatusAgainstServerTest, Layout400ReturnsTheStatusElement) {
  TvxnNFE60Intf intf(data_, gov_, utils_);
  const std::string ret = intf.StatusDoServico();
  EXPECT_TRUE(ret.starts_with("<retConsStatServ")) << ret;
  EXPECT_NE(ret.find("<cStat>107</cStat>"), std::string::npos) << ret;
  EXPECT_EQ(test::XmlSchemaErrors(ret, test::FindSchema("retConsStatServ_v4.00.xsd")), "");
  ASSERT_FALSE(sim_.ReceivedMessages().empty());
  EXPECT_EQ(test::XmlSchemaErrors(sim_.ReceivedMessages().back(), test::FindSchema("consStatServ_v4.00.xsd")),
            "");
  sim_.SetStatusPaused(109);
  EXPECT_NE(intf.StatusDoServico().find("<cStat>109</cStat>"), std::string::npos);
}

TEST_F(StatusAgainstServerTest, Layout310ReturnsTheBodyChild) {
  data_.VersaoManual = vm50a;
  data_.UF = "RS";
  data_.LocalCode = "43";
  TvxnNFE50aIntf intf(data_, gov_, utils_);
  const std::string reply = intf.StatusDoServico();
  EXPECT_TRUE(reply.starts_with("<nfeStatusServicoNFResult")) << reply;
  EXPECT_NE(reply.find("<cStat>107</cStat><xMotivo>Servico em Operacao</xMotivo><cUF>43</cUF>"),
            std::string::npos);
  EXPECT_EQ(test::XmlSchemaErrors(sim_.ReceivedMessages().back(), test::FindSchema("consStatServ_v3.10.xsd")),
            "");
}

} // namespace
} // namespace vxn
