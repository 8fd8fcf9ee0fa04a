// Whom the component trusts when it verifies the server (as nfe always does): local servers presenting
// their certificates as the tax authorities do (leaf and intermediate sent, root trusted by the client),
// and the three ways a server is refused: a root the client does not trust, a certificate for another
// name, an expired certificate. A refused server receives nothing, and the request's log says so. The
// shipped roots are those ITI publishes.
#include "sefaz-sim/SefazSim.h"
#include "support/Process.h"
#include "support/RefusalOf.h"
#include "support/SimOptions.h"
#include "support/TempDir.h"
#include "support/XmlTag.h"
#include "vxnDevCertificates.h"
#include "vxnFiles.h"
#include "vxnNFe.h"
#include "vxnNFeException.h"
#include "vxnPaths.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>

namespace vxn {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

class ConfiancaTlsTest : public ::testing::Test {
protected:
  void TearDown() override { EvxnException::ResetClassState(); }

  // A server of these options and a component configured from the files it writes, verifying it.
  void Iniciar(const std::function<void(sim::TSefazSimOptions&)>& ajuste) {
    sim::TSefazSimOptions o = test::SimOptions();
    ajuste(o);
    sim_ = std::make_unique<sim::TSefazSim>(o);
    sim_->Start();
    files_ = sim_->WriteConfig(dir_.Path() + "sim");
    nfe_ = std::make_unique<TvxnNFe>();
    nfe_->LoadConfig(files_.ConfigFile);
    nfe_->GetGov();
    nfe_->SetIgnoreInvalidCertificates(false);
  }

  // The refusal of a status query, after which the server has received nothing and the request's log
  // has its "not delivered" note beside it.
  std::string Recusa() {
    test::Refusal r = test::RefusalOf([&] { nfe_->StatusDoServico(); });
    // The status query names itself before the transport's reason.
    const std::string prefixo = "Erro ao consultar status do serviço: ";
    EXPECT_EQ(r.className, "EvxnNFeException");
    EXPECT_THAT(r.message, StartsWith(prefixo));
    r.message.erase(0, prefixo.size());
    EXPECT_TRUE(sim_->ReceivedMessages().empty());
    std::string nota;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(dir_.Path() + "sim/Log", ec))
      if (e.path().string().ends_with("-nao-entregue.txt"))
        nota = test::ReadFileOrEmpty(e.path().string());
    EXPECT_THAT(nota, StartsWith("Requisição não entregue a https://127.0.0.1:")) << r.message;
    EXPECT_THAT(nota, HasSubstr(r.message));
    return r.message;
  }

  test::TempDir dir_;
  std::unique_ptr<sim::TSefazSim> sim_;
  sim::TSefazSimConfigFiles files_;
  std::unique_ptr<TvxnNFe> nfe_;
};

// The chain is built with the intermediate the server sends: the client has the root only.
TEST_F(ConfiancaTlsTest, AChainWithAnIntermediateTheClientDoesNotHaveIsTrusted) {
  Iniciar([](sim::TSefazSimOptions& o) { o.ServerViaIntermediate = true; });
  EXPECT_EQ(test::Tag(nfe_->StatusDoServico(), "cStat"), "107");
  // The same root as an additional authority beside the system's and the shipped ones, and pinned to the
  // shipped roots with it.
  nfe_->SetArquivoCAExclusivo("");
  nfe_->SetArquivoCAAdicional(files_.AuthorityCertificate);
  EXPECT_EQ(test::Tag(nfe_->StatusDoServico(), "cStat"), "107");
  nfe_->SetSomenteRaizesICPBrasil(true);
  EXPECT_EQ(test::Tag(nfe_->StatusDoServico(), "cStat"), "107");
  // Without it, neither the system's bundle nor the ICP-Brasil roots know the local authority.
  nfe_->SetArquivoCAAdicional("");
  nfe_->SetSomenteRaizesICPBrasil(false);
  EXPECT_THAT(test::RefusalOf([&] { nfe_->StatusDoServico(); }).message,
              HasSubstr("o certificado não se liga a uma autoridade certificadora confiável"));
}

TEST_F(ConfiancaTlsTest, AnUntrustedRootIsRefused) {
  Iniciar([](sim::TSefazSimOptions& o) { o.ServerViaIntermediate = true; });
  const std::string outra = dir_.File("outra-ac.pem");
  WriteFileAtomic(outra, dev::TvxnDevAuthority::Create("Outra AC", test::SharedKeys()).CertificatePem());
  nfe_->SetArquivoCAExclusivo(outra);
  EXPECT_THAT(Recusa(), StartsWith("Servidor 127.0.0.1 recusado: o certificado não se liga a uma autoridade "
                                   "certificadora confiável ("));
}

TEST_F(ConfiancaTlsTest, ACertificateForAnotherNameIsRefused) {
  Iniciar([](sim::TSefazSimOptions& o) {
    o.ServerDnsNames = {"nfe.fazenda.sp.gov.br"};
    o.ServerIpAddresses = {};
  });
  EXPECT_THAT(Recusa(), StartsWith("Servidor 127.0.0.1 recusado: o certificado não foi emitido para o nome "
                                   "127.0.0.1 ("));
}

TEST_F(ConfiancaTlsTest, AnExpiredCertificateIsRefused) {
  Iniciar([](sim::TSefazSimOptions& o) {
    o.ServerViaIntermediate = true;
    o.ServerValidFromDays = -30;
    o.ServerValidToDays = -1;
  });
  EXPECT_THAT(Recusa(), StartsWith("Servidor 127.0.0.1 recusado: o certificado expirou ("));
}

// A trust file that cannot be read is named, before anything is sent.
TEST_F(ConfiancaTlsTest, AnUnreadableTrustFileIsNamed) {
  Iniciar([](sim::TSefazSimOptions&) {});
  nfe_->SetArquivoCAExclusivo("");
  nfe_->SetArquivoCAAdicional(dir_.File("nao-existe.pem"));
  EXPECT_EQ(test::RefusalOf([&] { nfe_->StatusDoServico(); }).message,
            "Erro ao consultar status do serviço: Arquivo de autoridades certificadoras confiáveis não pode "
            "ser lido ou não contém certificados: " +
                dir_.File("nao-existe.pem"));
  EXPECT_TRUE(sim_->ReceivedMessages().empty());
}

// Every shipped root has the fingerprint ITI publishes (computed by the openssl command line), and every
// published one is shipped.
TEST(RaizesICPBrasil, TheShippedRootsMatchTheirPublishedFingerprints) {
  std::map<std::string, std::string> publicadas;
  std::ifstream in(std::string(QVX_SOURCE_DIR) + "/tests/data/icp-brasil-fingerprints.txt");
  for (std::string linha; std::getline(in, linha);)
    if (!linha.empty() && linha[0] != '#')
      publicadas[linha.substr(0, linha.find(' '))] = linha.substr(linha.find(' ') + 1);
  ASSERT_FALSE(publicadas.empty());
  std::map<std::string, std::string> enviadas;
  for (const auto& e : std::filesystem::directory_iterator(ProgramDirectory() + "ICP-Brasil")) {
    std::string out;
    ASSERT_EQ(
        test::RunCommand("openssl x509 -noout -fingerprint -sha256 -in '" + e.path().string() + "'", out), 0)
        << out;
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r'))
      out.pop_back();
    enviadas[e.path().filename().string()] = out.substr(out.find('=') + 1);
  }
  EXPECT_EQ(enviadas, publicadas);
}

} // namespace
} // namespace vxn
