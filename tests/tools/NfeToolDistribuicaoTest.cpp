// The distribution XML that nfe reports: written by the component during the run (after the receipt
// query or by a later nfe recibo), for the document's own key and protocol, and valid against the official
// procNFe schema.
#include "NfeEmitirFixture.h"
#include "support/XmlCheck.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

namespace vxn {
namespace {

using namespace test;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

namespace fs = std::filesystem;

TEST(NfeToolEmitir, TheExamplesAreAuthorisedOnTheEmbeddedDefaultWithSchemaValidDistributionXml) {
  test::TempDir home;
  const NfeRunResult r = RunNfe({"emitir", kComandos, kPipe}, InHome(home));
  ASSERT_EQ(r.exitCode, 0) << r.err << r.out;
  EXPECT_THAT(r.err.substr(0, r.err.find('\n')), HasSubstr("LOCAL HOMOLOGATION SERVER"));
  EXPECT_EQ(r.err.find("\033["), std::string::npos) << "no progress drawing without a terminal";

  const auto blocos = Blocos(r.out);
  ASSERT_EQ(blocos.size(), 2u) << r.out;
  EXPECT_EQ(blocos[0].origem, kComandos + " #1");
  EXPECT_EQ(blocos[0].chave, kChaveComandos);
  EXPECT_EQ(blocos[1].origem, kPipe + " #1");
  EXPECT_EQ(blocos[1].chave, kChavePipe);
  const std::string xsd = test::FindSchema("procNFe_v4.00.xsd");
  for (const Bloco& b : blocos) {
    EXPECT_EQ(b.status, "100 Autorizado o uso da NF-e") << b.chave;
    EXPECT_TRUE(std::regex_match(b.protocolo, std::regex("[0-9]{15}"))) << b.protocolo;
    EXPECT_EQ(b.distribuicao,
              home.Path() + "home/.local/share/quorvant-nfe/XmlDestinatario/" + b.chave + "-nfe.xml");
    const std::string xml = test::ReadFileOrEmpty(b.distribuicao);
    ASSERT_FALSE(xml.empty()) << b.distribuicao;
    EXPECT_EQ(test::XmlSchemaErrors(xml, xsd), "") << b.distribuicao;
    // The protocol joined to the document is the one printed, for the document's own key.
    EXPECT_THAT(xml, HasSubstr("<nProt>" + b.protocolo + "</nProt>"));
    EXPECT_THAT(xml, HasSubstr("<chNFe>" + b.chave + "</chNFe>"));
  }
}

TEST_F(NfeToolEmitirWithConfig, TheReceiptIsQueriedUntilTheLotIsProcessed) {
  sim_.SetQueriesInProcessing(2);
  const NfeRunResult r = Nfe({"emitir", "--intervalo", "10", kComandos, kPipe});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_THAT(r.err, Not(HasSubstr("LOCAL HOMOLOGATION SERVER")));
  EXPECT_EQ(Recebidas("enviNFe"), 1u) << "both documents in one lot";
  EXPECT_EQ(Recebidas("consReciNFe"), 3u) << "two answers 105, then 104";
  for (const Bloco& b : Blocos(r.out)) {
    EXPECT_EQ(b.status, "100 Autorizado o uso da NF-e");
    EXPECT_EQ(b.distribuicao, dir_.Path() + "dest/" + b.chave + "-nfe.xml");
    EXPECT_TRUE(fs::exists(b.distribuicao)) << b.distribuicao;
  }
}

TEST_F(NfeToolEmitirWithConfig, ALotStillInProcessingEndsWithExitSixAndItsReceiptCanBeQueriedLater) {
  sim_.SetQueriesInProcessing(2);
  // Two documents: a lot of one would be answered at once, with no receipt.
  const NfeRunResult r = Nfe({"emitir", "--consultas", "1", kComandos, kPipe});
  EXPECT_EQ(r.exitCode, 6) << r.err;
  const auto blocos = Blocos(r.out);
  ASSERT_EQ(blocos.size(), 2u) << r.out;
  for (const Bloco& b : blocos) {
    EXPECT_THAT(b.status, StartsWith("105 "));
    EXPECT_TRUE(b.distribuicao.empty());
  }
  ASSERT_EQ(blocos[0].recibo.size(), 15u) << r.out;
  EXPECT_EQ(blocos[1].recibo, blocos[0].recibo);

  const NfeRunResult segunda = Nfe({"recibo", blocos[0].recibo});
  EXPECT_EQ(segunda.exitCode, 6) << segunda.err;
  EXPECT_THAT(segunda.out, StartsWith("105 "));
  const NfeRunResult terceira = Nfe({"recibo", blocos[0].recibo});
  ASSERT_EQ(terceira.exitCode, 0) << terceira.err;
  EXPECT_THAT(terceira.out, StartsWith("104 "));
  EXPECT_THAT(terceira.out, HasSubstr("  key:          " + kChavePipe));
  EXPECT_THAT(terceira.out, HasSubstr("  status:       100 Autorizado o uso da NF-e"));
  // The distribution XML is written by the later run, from the logs the first one left.
  const std::string xml = dir_.Path() + "dest/" + kChavePipe + "-nfe.xml";
  EXPECT_THAT(terceira.out, HasSubstr("  distribution: " + xml + "\n"));
  EXPECT_EQ(test::XmlSchemaErrors(test::ReadFileOrEmpty(xml), test::FindSchema("procNFe_v4.00.xsd")), "");

  // The document is now known to the authority.
  const NfeRunResult consulta = Nfe({"consultar", kChavePipe});
  EXPECT_EQ(consulta.exitCode, 0) << consulta.err;
  EXPECT_THAT(consulta.out, StartsWith("100 "));
  EXPECT_THAT(consulta.out, HasSubstr("  protocol:     "));
}

} // namespace
} // namespace vxn
