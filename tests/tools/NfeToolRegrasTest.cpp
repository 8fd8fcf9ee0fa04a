// nfe regras: the rule lists of the layout versions as the authority publishes them, and documents of
// any input kind checked against every rule, with every failure printed.
#include "NfeProcess.h"
#include "support/RuleCatalogue.h"
#include "support/TempDir.h"
#include "vxnFiles.h"
#include "vxnText.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace vxn {
namespace {

using test::InHome;
using test::NfeRunOptions;
using test::NfeRunResult;
using test::RunNfe;

const std::string kBase310 = std::string(QVX_SOURCE_DIR) + "/tests/rules/data/nfe-vm50a.txt";
constexpr const char* kRecebimento = "2026-12-05T12:00:00-03:00";

TEST(NfeToolRegras, ListsTheRulesOfEachVersionAsPublished) {
  test::TempDir home;
  for (const char* versao : {"vm40", "vm50", "vm50a"}) {
    std::string esperado;
    for (const auto& e : test::PublishedRules(versao))
      esperado += e.id + "|" + e.code + "|" + e.text + "\n";
    // The version may come before the subcommand or after it.
    const NfeRunResult antes = RunNfe({"--versao-manual", versao, "regras"}, InHome(home));
    EXPECT_EQ(antes.exitCode, 0) << antes.err;
    EXPECT_EQ(antes.out, esperado) << versao;
    const NfeRunResult depois = RunNfe({"regras", "--versao-manual", versao}, InHome(home));
    EXPECT_EQ(depois.out, esperado) << versao;
  }
  // Layouts 1.10 and 4.00 have no rules of the authority here.
  for (const char* versao : {"vm30", "vm60"}) {
    const NfeRunResult r = RunNfe({"regras", "--versao-manual", versao}, InHome(home));
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "") << versao;
    // With no rule to run, a document must not be reported as passing them.
    const NfeRunResult arquivo = RunNfe({"regras", "--versao-manual", versao, kBase310}, InHome(home));
    EXPECT_EQ(arquivo.exitCode, 2) << versao;
    EXPECT_EQ(arquivo.out, "") << versao;
    EXPECT_NE(arquivo.err.find("has no rejection rules"), std::string::npos) << arquivo.err;
  }
}

TEST(NfeToolRegras, EveryFailureOfEveryDocumentIsPrintedAndTheExitCodeSaysWhetherOneFailed) {
  test::TempDir home;
  const std::string base = ReadWholeFile(kBase310);
  // A second document with a wrong issuer CNPJ and a base total off by 0.51: two failures, in rule order.
  std::string ruim = ReplaceAll(base, "CNPJ_C02=11222333000181", "CNPJ_C02=11222333000182");
  ruim = ReplaceAll(ruim, "vBC_W03=6409.50", "vBC_W03=6410.01");
  const std::string arquivo = home.File("notas.txt");
  WriteFileAtomic(arquivo, base + "\n" + ruim);

  const NfeRunResult r =
      RunNfe({"--versao-manual", "vm50a", "regras", arquivo, "--recebimento", kRecebimento}, InHome(home));
  EXPECT_EQ(r.exitCode, 1) << r.err;
  EXPECT_EQ(
      r.out,
      "#1 ok\n"
      "#2 [GC02]: 207 - Rejeição: CNPJ do emitente inválido. Verifique o Campo: CNPJ_C02\n"
      "#2 [GW03]: 531 - Rejeição: Total da BC ICMS difere do somatório dos itens. Verifique o Campo: \n");

  const NfeRunResult bom =
      RunNfe({"--versao-manual", "vm50a", "regras", kBase310, "--recebimento", kRecebimento}, InHome(home));
  EXPECT_EQ(bom.exitCode, 0) << bom.err;
  EXPECT_EQ(bom.out, "#1 ok\n");

  // Forty days later the same document is refused as issued too long ago.
  const NfeRunResult tarde =
      RunNfe({"--versao-manual", "vm50a", "regras", kBase310, "--recebimento", "2027-01-14T12:00:00-03:00"},
             InHome(home));
  EXPECT_EQ(tarde.exitCode, 1);
  EXPECT_EQ(tarde.out,
            "#1 [GB09.1]: 228 - Rejeição: Data de Emissão muito atrasada. Verifique o Campo: dhEmi_B09\n");

  const NfeRunResult data =
      RunNfe({"--versao-manual", "vm50a", "regras", kBase310, "--recebimento", "ontem"}, InHome(home));
  EXPECT_EQ(data.exitCode, 2);
  EXPECT_THAT(data.err, ::testing::HasSubstr("--recebimento ontem"));
}

// XML is read back into the input dataset, whose XML reader reads layout 4.00 only: the XML of a layout
// that has rules is refused, with the reader's reason, and nothing is printed on stdout.
TEST(NfeToolRegras, XmlOfALayoutTheReaderDoesNotReadIsAFailureWithItsReason) {
  test::TempDir home;
  const std::string xml = home.File("nota.xml");
  const NfeRunResult conv =
      RunNfe({"--versao-manual", "vm50a", "converter", kBase310, "-o", xml}, InHome(home));
  ASSERT_EQ(conv.exitCode, 0) << conv.err;
  const NfeRunResult r =
      RunNfe({"--versao-manual", "vm50a", "regras", xml, "--recebimento", kRecebimento}, InHome(home));
  EXPECT_EQ(r.exitCode, 5);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err,
            "nfe: EvxnNFEConvertDateException: A NF-e tem o leiaute 3.10; a conversão de XML lê o leiaute "
            "4.00.\n");
}

TEST(NfeToolRegras, AMissingFileIsExitThree) {
  test::TempDir home;
  const NfeRunResult r = RunNfe({"--versao-manual", "vm50a", "regras", home.File("nada.txt")}, InHome(home));
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_EQ(r.out, "");
}

} // namespace
} // namespace vxn
