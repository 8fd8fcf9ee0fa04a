// nfe with an A3 certificate: a configuration file naming a SoftHSM2 token that holds the development
// PKI's client key, against a local server of that PKI started by the test. The example sale is issued
// and its signature verifies; the token's certificates are listed; a wrong PIN is refused before anything
// is sent, and never printed.
#include "NfeEmitirFixture.h"
#include "NfeProcess.h"
#include "support/SoftHsmToken.h"
#include "support/XmlCheck.h"
#include "vxnIniFile.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace vxn {
namespace {

using namespace test;
using ::testing::HasSubstr;
using ::testing::Not;

class NfeToolCertificadoA3 : public ::testing::Test {
protected:
  void SetUp() override {
    sim_.Start();
    files_ = sim_.WriteConfig(dir_.Path() + "sim");
    TvxnIniFile ini(files_.ConfigFile);
    ini.WriteString("NFE", "TipoCertificado", "SMARTCARD");
    ini.WriteString("NFE", "ModuloPKCS11", SoftHsmToken::kModule);
    ini.WriteString("NFE", "NomeCertificado", "11222333000181");
    ini.DeleteKey("NFE", "CaminhoCertificado");
    ini.WriteString("NFE", "DiretorioXmlDestinatario", dir_.Path() + "dest/");
  }
  NfeRunResult Nfe(const std::vector<std::string>& args, const std::string& pin = SoftHsmToken::kPin) {
    NfeRunOptions o = InHome(dir_);
    o.env = token_.Environment();
    o.env["HOME"] = dir_.Path() + "home";
    if (!pin.empty())
      o.env["QUORVANT_NFE_PIN"] = pin;
    std::vector<std::string> all = {"--config", files_.ConfigFile};
    all.insert(all.end(), args.begin(), args.end());
    return RunNfe(all, o);
  }

  SoftHsmToken token_{SharedPki().Authority().IssueClient({}), SharedPki().CaPem()};
  TempDir dir_;
  sim::TSefazSim sim_{DevPkiSimOptions()};
  sim::TSefazSimConfigFiles files_;
};

TEST_F(NfeToolCertificadoA3, TheExampleSaleIsIssuedWithTheTokensKey) {
  const NfeRunResult r = Nfe({"emitir", kComandos});
  ASSERT_EQ(r.exitCode, 0) << r.err << r.out;
  const std::vector<Bloco> blocos = Blocos(r.out);
  ASSERT_EQ(blocos.size(), 1u) << r.out;
  EXPECT_EQ(blocos[0].status, "100 Autorizado o uso da NF-e");
  const std::string distribuicao = ReadWholeFile(blocos[0].distribuicao);
  EXPECT_EQ(XmlSchemaErrors(distribuicao, FindSchema("procNFe_v4.00.xsd")), "");
  EXPECT_EQ(XmlSec1VerifyErrors(distribuicao, SharedPki().CaFile()), "");
}

TEST_F(NfeToolCertificadoA3, CertificadosListsTheHoldersCertificateWithoutAPin) {
  const NfeRunResult r = Nfe({"certificados"}, "");
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "EMPRESA DE TESTE LTDA:11222333000181\n");
}

TEST_F(NfeToolCertificadoA3, AWrongPinIsAnUnusableConfigurationAndIsNeverPrinted) {
  const NfeRunResult r = Nfe({"status"}, "55550000");
  EXPECT_EQ(r.exitCode, 4);
  EXPECT_EQ(r.err, "nfe: EvxnNFeCertificationException: PIN incorreto para o cartão ou token Token NFe\n");
  EXPECT_THAT(r.out + r.err, Not(HasSubstr("55550000")));
  EXPECT_TRUE(sim_.ReceivedMessages().empty());
}

} // namespace
} // namespace vxn
