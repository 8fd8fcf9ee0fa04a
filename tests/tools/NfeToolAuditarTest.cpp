// nfe auditar: the distribution XML of a document the embedded default has just issued has no rejection;
// a copy with a broken total and a bad CFOP is refused with the authority's codes, file by file.
#include "NfeEmitirFixture.h"
#include "vxnFiles.h"
#include "vxnText.h"

#include <gtest/gtest.h>

namespace vxn {
namespace {

using test::RunNfe;

TEST(NfeToolAuditar, TheIssuedDocumentPassesAndABrokenCopyIsRefusedWithItsCodes) {
  test::TempDir home;
  const test::NfeRunResult emitido = RunNfe({"emitir", test::kComandos}, test::InHome(home));
  ASSERT_EQ(emitido.exitCode, 0) << emitido.err;
  const std::string distribuicao = test::Blocos(emitido.out).at(0).distribuicao;

  std::string quebrado = ReplaceAll(ReadWholeFile(distribuicao), "<vNF>6827.45</vNF>", "<vNF>6900.00</vNF>");
  quebrado = ReplaceAll(quebrado, "<CFOP>6101</CFOP>", "<CFOP>5101</CFOP>");
  const std::string copia = home.File("quebrada.xml");
  WriteFileAtomic(copia, quebrado);

  const test::NfeRunResult r =
      RunNfe({"auditar", distribuicao, copia, "--html", home.File("relatorios")}, test::InHome(home));
  EXPECT_EQ(r.exitCode, 1) << r.err;
  const std::string chave = " (chave " + test::kChaveComandos + ")\n";
  EXPECT_EQ(r.out,
            distribuicao +
                "\n"
                "  rejeições: 0\n" +
                copia +
                "\n"
                "  Rejeição 521 [GI08.3] CFOP_I08: CFOP de Operação Estadual e UF do emitente difere da UF "
                "do destinatário para destinatário contribuinte do ICMS" +
                chave + "  Rejeição 733 [GI08.5] CFOP_I08: CFOP de operação interna e idDest <> 1" + chave +
                "  Rejeição 610 [GW16] vNF_W16: Total da NF difere do somatório dos Valores compõe o valor "
                "Total da NF" +
                chave + "  rejeições: 3\n");
  EXPECT_TRUE(FileExists(home.File("relatorios/quebrada.xml.html")));

  const test::NfeRunResult so = RunNfe({"auditar", distribuicao}, test::InHome(home));
  EXPECT_EQ(so.exitCode, 0) << so.err;
  EXPECT_EQ(RunNfe({"auditar", home.File("nada.xml")}, test::InHome(home)).exitCode, 3);
}

} // namespace
} // namespace vxn
