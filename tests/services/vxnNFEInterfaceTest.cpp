#include "services/vxnNFE50aIntf.h"
#include "services/vxnNFE60Intf.h"
#include "support/ProgramHome.h"
#include "support/RefusalOf.h"
#include "support/TempDir.h"
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

using test::TempDir;

class ServiceInterfaceTest : public test::ProgramHomeTest {
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
  EXPECT_EQ(RefusalOf([&] { intf.StatusDoServico(); }),
            (Refusal{"EvxnNFeAddressException",
                     "Servidor para NfeStatusServico4 não definido no arquivo: " + servers_}));
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

} // namespace
} // namespace vxn
