// The document query and invalidation services of the local server, spoken to from outside the library
// over TLS: the refusals a client of the library cannot provoke.
#include "sefaz-sim/SefazSim.h"
#include "support/HttpsTestClient.h"
#include "support/SignedNFeDocument.h"
#include "support/SimOptions.h"
#include "support/TempDir.h"
#include "support/XmlCheck.h"
#include "support/XmlTag.h"
#include "vxnFiles.h"

#include <gtest/gtest.h>

#include <string>

namespace vxn {
namespace {

using sim::TSefazSim;

constexpr const char* kNs = "http://www.portalfiscal.inf.br/nfe";

using test::Between;
using test::Tag;

class SefazSimConsultasTest : public ::testing::Test {
protected:
  void SetUp() override {
    sim_.Start();
    client_ = sim_.Authority().IssueClient({});
    signer_ = dir_.File("assinatura.pfx");
    WriteFileAtomic(signer_, sim_.Authority().IssueClientPkcs12({}));
  }

  std::string Post(const std::string& section, const std::string& wsdl, const std::string& operation,
                   const std::string& message, const std::string& resultElement) {
    const test::SoapPeer peer{sim_.Port(), sim_.Authority().CertificatePem(), client_.CertificatePem,
                              client_.PrivateKeyPem};
    const test::HttpsTestReply reply = test::PostSoap(peer, section, wsdl, operation, message);
    EXPECT_EQ(reply.Status, 200) << reply.Error << reply.Body;
    return Between(reply.Body, "<" + resultElement, "</" + resultElement + ">");
  }

  // An inutNFe of layout 4.00 for numbers ini..fin of series 1, signed over infInut.
  std::string Inutilizacao(const std::string& ini, const std::string& fin, bool assinar = true) {
    const std::string id = "ID35261122233300018155001" + std::string(9 - ini.size(), '0') + ini +
                           std::string(9 - fin.size(), '0') + fin;
    const std::string xml = std::string(R"(<inutNFe xmlns=")") + kNs + R"(" versao="4.00"><infInut Id=")" +
                            id +
                            R"("><tpAmb>2</tpAmb><xServ>INUTILIZAR</xServ><cUF>35</cUF><ano>26</ano>)"
                            R"(<CNPJ>11222333000181</CNPJ><mod>55</mod><serie>1</serie><nNFIni>)" +
                            ini + "</nNFIni><nNFFin>" + fin +
                            "</nNFFin><xJust>Quebra de sequencia na numeracao</xJust></infInut></inutNFe>";
    return assinar ? test::SignedElement(xml, "infInut", id, signer_, "1234") : xml;
  }

  std::string Inutilizar(const std::string& message) {
    const std::string ret = Post("SP", "NFeInutilizacao4", "nfeInutilizacaoNF", message, "retInutNFe");
    EXPECT_EQ(test::XmlSchemaErrors(ret, test::FindSchema("retInutNFe_v4.00.xsd")), "") << ret;
    return ret;
  }

  test::TempDir dir_;
  TSefazSim sim_{test::SimOptions()};
  dev::TvxnDevIdentity client_;
  std::string signer_;
};

// (Overlapping ranges are asked through the component: ConsultasTest.)
TEST_F(SefazSimConsultasTest, InvalidationChecksSchemaAndSignature) {
  const std::string granted = Inutilizar(Inutilizacao("10", "20"));
  EXPECT_EQ(Tag(granted, "cStat"), "102") << granted;
  EXPECT_EQ(Tag(granted, "xMotivo"), "Inutilizacao de numero homologado");
  EXPECT_EQ(Tag(granted, "nProt").size(), 15u);
  EXPECT_EQ(Tag(granted, "nNFIni"), "10");

  // The signature must hold over what arrives, and there must be one.
  std::string alterado = Inutilizacao("40", "41");
  alterado.replace(alterado.find("Quebra"), 6, "QUEBRA");
  EXPECT_EQ(Tag(Inutilizar(alterado), "cStat"), "297");
  EXPECT_EQ(Tag(Inutilizar(Inutilizacao("40", "41", false)), "cStat"), "215");
  // Neither refusal took the numbers.
  EXPECT_EQ(Tag(Inutilizar(Inutilizacao("40", "41")), "cStat"), "102");
}

// (An unknown key, 217, is asked through the component: ConsultasTest.)
TEST_F(SefazSimConsultasTest, DocumentQueryRefusesBadMessages) {
  const std::string key = "35261211222333000181550010000003011123456784";
  auto consultar = [this](const std::string& tpAmb, const std::string& chave) {
    const std::string cons = std::string(R"(<consSitNFe xmlns=")") + kNs + R"(" versao="4.00"><tpAmb>)" +
                             tpAmb + "</tpAmb><xServ>CONSULTAR</xServ><chNFe>" + chave +
                             "</chNFe></consSitNFe>";
    return Post("SP", "NFeConsultaProtocolo4", "nfeConsultaNF", cons, "retConsSitNFe");
  };
  EXPECT_EQ(Tag(consultar("1", key), "cStat"), "252");
  EXPECT_EQ(Tag(consultar("2", "123"), "cStat"), "215");
}

} // namespace
} // namespace vxn
