// The component with an A3 certificate: the client key and certificate of the development PKI held in a
// SoftHSM2 token, the component configured for it (ckSmartCard, ModuloPKCS11, NomeCertificado, PinCode)
// and nothing else to sign or connect with. The local server, which demands a client certificate of that
// PKI over TLS, answers the status query and authorises a lot whose signature xmlsec1 accepts.
#include "datasets/vxnNFeDataSets.h"
#include "sefaz-sim/SefazSim.h"
#include "support/DevPki.h"
#include "support/NFeDocumentFiller.h"
#include "support/RefusalOf.h"
#include "support/SimOptions.h"
#include "support/SoftHsmToken.h"
#include "support/TempDir.h"
#include "support/XmlCheck.h"
#include "support/XmlTag.h"
#include "vxnNFe.h"
#include "vxnNFeException.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace vxn {
namespace {

using test::SoftHsmToken;
using test::Tag;

class CertificadoA3Test : public ::testing::Test {
protected:
  void SetUp() override {
    sim_.Start();
    files_ = sim_.WriteConfig(dir_.Path() + "sim");
    nfe_.LoadConfig(files_.ConfigFile);
    nfe_.SetDiretorioLogErro(dir_.Path() + "LogErro");
    // As for every kind, the kind is set after the government-services object exists (its creation sets
    // a certificate file).
    nfe_.GetGov();
    // The PKCS#12 file the configuration names is gone: the token is the only key there is.
    std::filesystem::remove(files_.ClientCertificate);
    nfe_.SetCaminhoCertificado("");
    nfe_.SetSenhaCertificado("");
    nfe_.SetTipoCertificado(ckSmartCard);
    nfe_.SetModuloPKCS11(SoftHsmToken::kModule);
  }
  void TearDown() override { EvxnException::ResetClassState(); }

  SoftHsmToken token_{test::SharedPki().Authority().IssueClient({}), test::SharedPki().CaPem()};
  test::TempDir dir_;
  sim::TSefazSim sim_{test::DevPkiSimOptions()};
  sim::TSefazSimConfigFiles files_;
  TvxnNFe nfe_;
};

TEST_F(CertificadoA3Test, StatusQueryAndLotOverMutualTlsWithTheTokensKey) {
  nfe_.SetPinCode(SoftHsmToken::kPin);
  nfe_.SetNomeCertificado("EMPRESA DE TESTE LTDA"); // opens the certificate at once
  EXPECT_EQ(Tag(nfe_.StatusDoServico(), "cStat"), "107");

  TvxnNFeDataSets ds;
  ds.SetXMLDicionario(test::ShippedDictionary());
  test::FillDocument(ds, 301, 2);
  ds.Salvar();
  const std::string signedNFe = nfe_.AssinarNota(ds.GetLoteNFe()[0]);
  EXPECT_EQ(test::XmlSec1VerifyErrors(signedNFe, test::SharedPki().CaFile()), "");

  const std::string reply = nfe_.EnviarNF("301", signedNFe, false);
  EXPECT_EQ(Tag(reply, "cStat"), "104") << reply;
  EXPECT_EQ(Tag(reply, "cStat", reply.find("<protNFe")), "100") << reply;
  ASSERT_EQ(sim_.ReceivedMessages().size(), 2u);
  EXPECT_NE(sim_.ReceivedMessages()[1].find(signedNFe), std::string::npos);
}

TEST_F(CertificadoA3Test, AWrongPinStopsTheQueryAndReachesNeitherLogNorTelemetry) {
  // No name: the token's only holder's certificate is the one.
  const std::string wrongPin = "24681357";
  nfe_.SetPinCode(wrongPin);
  std::vector<TvxnTelemetriaEvento> events;
  nfe_.GetTelemetria().SetSink([&events](const TvxnTelemetriaEvento& e) { events.push_back(e); });
  const test::Refusal r = test::RefusalOf([&] { nfe_.StatusDoServico(); });
  EXPECT_NE(r.message.find("PIN incorreto para o cartão ou token Token NFe"), std::string::npos) << r;
  EXPECT_TRUE(sim_.ReceivedMessages().empty());
  ASSERT_FALSE(events.empty());
  for (const auto& e : events)
    EXPECT_EQ((e.Operacao + e.Detalhe + e.Classe + e.Codigo + e.Mensagem).find(wrongPin), std::string::npos);
  std::string logs;
  for (const auto& f : std::filesystem::recursive_directory_iterator(dir_.Path()))
    if (f.is_regular_file())
      logs += test::ReadFileOrEmpty(f.path().string());
  EXPECT_NE(logs.find("PIN incorreto"), std::string::npos) << "the refusal is in the error log";
  EXPECT_EQ(logs.find(wrongPin), std::string::npos);
}

} // namespace
} // namespace vxn
