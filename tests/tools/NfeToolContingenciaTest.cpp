// nfe --modo and --uf-paralisada on the embedded default: with the state's authoriser paralysed the
// normal sale is refused and the status says so; the sale of examples/ issued for SVC-AN is authorised by
// the contingency authoriser, its distribution XML passes the schema and xmlsec1, and its DANFE carries
// the contingency phrase with the justification. The refusals of the options end with their exit codes.
#include "NfeEmitirFixture.h"
#include "NfeProcess.h"
#include "support/Process.h"
#include "support/TempDir.h"
#include "support/XmlCheck.h"
#include "support/XmlTag.h"
#include "vxnFiles.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace vxn::test {
namespace {

using ::testing::HasSubstr;

const std::string kSvcan = std::string(QVX_SOURCE_DIR) + "/examples/venda-sp-mg-svcan-comandos.txt";

TEST(NfeToolContingencia, WithTheStateParalysedTheSvcanSaleIsAuthorisedAndItsDanfeSaysContingency) {
  TempDir home;
  const NfeRunOptions o = InHome(home);

  const NfeRunResult status = RunNfe({"--uf-paralisada", "109", "status"}, o);
  EXPECT_EQ(status.exitCode, 1) << status.err;
  EXPECT_EQ(status.out, "109 Servico Paralisado sem Previsao\n");
  EXPECT_THAT(status.err, HasSubstr("nfe: the local server's authoriser of SP is paralysed (109)"));
  const NfeRunResult normal = RunNfe({"--uf-paralisada", "108", "emitir", kComandos}, o);
  EXPECT_EQ(normal.exitCode, 1) << normal.err;
  ASSERT_EQ(Blocos(normal.out).size(), 1u) << normal.out;
  EXPECT_EQ(Blocos(normal.out)[0].status, "108 Servico Paralisado Momentaneamente (curto prazo)");

  // "svc" finds the contingency authoriser of the configured state (SP: SVC-AN).
  const NfeRunResult svc = RunNfe({"--uf-paralisada", "109", "--modo", "svc", "status"}, o);
  EXPECT_EQ(svc.exitCode, 0) << svc.err;
  EXPECT_EQ(svc.out, "107 Servico em Operacao\n");

  const NfeRunResult r = RunNfe({"--uf-paralisada", "109", "--modo", "svcan", "emitir", kSvcan}, o);
  ASSERT_EQ(r.exitCode, 0) << r.err << r.out;
  const std::vector<Bloco> blocos = Blocos(r.out);
  ASSERT_EQ(blocos.size(), 1u) << r.out;
  EXPECT_EQ(blocos[0].chave, "35261211222333000181550010000012016730155825");
  EXPECT_EQ(blocos[0].status, "100 Autorizado o uso da NF-e");
  const std::string distribuicao = ReadWholeFile(blocos[0].distribuicao);
  EXPECT_EQ(Tag(distribuicao, "tpEmis"), "6");
  EXPECT_EQ(Tag(distribuicao, "dhCont"), "2026-12-05T10:05:00-03:00");
  EXPECT_EQ(XmlSchemaErrors(distribuicao, FindSchema("procNFe_v4.00.xsd")), "");
  EXPECT_EQ(XmlSec1VerifyErrors(distribuicao,
                                home.Path() +
                                    "home/.local/share/quorvant-nfe/certificado-teste/autoridade-teste.pem"),
            "");

  const NfeRunResult danfe = RunNfe({"danfe", blocos[0].distribuicao, "-o", home.File("svcan.pdf")}, o);
  ASSERT_EQ(danfe.exitCode, 0) << danfe.err;
  const ProcessResult texto = RunProcess({"/usr/bin/pdftotext", home.File("svcan.pdf"), "-"});
  std::string plano = texto.out;
  for (char& ch : plano)
    if (ch == '\n')
      ch = ' ';
  EXPECT_THAT(plano, HasSubstr("contingência")) << texto.out;
  EXPECT_THAT(plano, HasSubstr("Autorizador de SP paralisado (109), emissao pela SVC-AN")) << texto.out;
}

TEST(NfeToolContingencia, RefusalsOfTheOptionsEndWithTheirCodes) {
  TempDir home;
  const NfeRunOptions o = InHome(home);
  // A document of the normal issue type is refused by the mode before anything is sent.
  const NfeRunResult tipo = RunNfe({"--modo", "svcan", "emitir", kComandos}, o);
  EXPECT_EQ(tipo.exitCode, 5);
  EXPECT_THAT(tipo.err,
              HasSubstr("nfe: EvxnNFeModoOperacaoException: No Modo Operação SVCAN (SVC-AN), o tipo "
                        "emissão (tpEmis) deve ser igual a 6."));
  EXPECT_EQ(tipo.out, "");
  // The state is in operation: the contingency authoriser does not take its documents.
  const NfeRunResult ativa = RunNfe({"--modo", "SVCAN", "emitir", kSvcan}, o);
  EXPECT_EQ(ativa.exitCode, 1) << ativa.err;
  ASSERT_EQ(Blocos(ativa.out).size(), 1u) << ativa.out;
  EXPECT_EQ(Blocos(ativa.out)[0].status, "114 Rejeicao: SVC desabilitada pela SEFAZ Origem");

  EXPECT_EQ(RunNfe({"--modo", "svc-an", "status"}, o).exitCode, 2);
  EXPECT_EQ(RunNfe({"--uf-paralisada", "107", "status"}, o).exitCode, 2);
  const NfeRunResult config =
      RunNfe({"--config", home.File("nao-existe.ini"), "--uf-paralisada", "109", "status"}, o);
  EXPECT_EQ(config.exitCode, 2);
  EXPECT_THAT(config.err, HasSubstr("--uf-paralisada works on the embedded default only"));
}

} // namespace
} // namespace vxn::test
