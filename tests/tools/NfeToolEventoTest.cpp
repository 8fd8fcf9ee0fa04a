// nfe evento: the example sale issued, corrected and cancelled in three separate runs on the embedded
// default, whose server remembers between runs; then the query answers 101 with both events and a second
// cancellation is refused. (Events through --config and a standalone server: NfeToolDFeTest.)
#include "NfeEmitirFixture.h"
#include "support/XmlCheck.h"
#include "vxnFiles.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace vxn {
namespace {

using namespace test;
using ::testing::HasSubstr;

constexpr const char* kJustificativa = "Pedido cancelado pelo cliente";

TEST(NfeToolEvento, IssueCorrectAndCancelInSeparateRunsOnTheEmbeddedDefault) {
  TempDir home;
  const auto nfe = [&](const std::vector<std::string>& args) { return RunNfe(args, InHome(home)); };
  const NfeRunResult emitir = nfe({"emitir", kComandos});
  ASSERT_EQ(emitir.exitCode, 0) << emitir.err << emitir.out;
  const Bloco nota = Blocos(emitir.out).at(0);

  const NfeRunResult cce =
      nfe({"evento", "cce", nota.chave, "--correcao", "Endereco de entrega:\nRua B, 10"});
  ASSERT_EQ(cce.exitCode, 0) << cce.err << cce.out;
  const NfeRunResult cancelar = nfe(
      {"evento", "cancelar", nota.chave, "--protocolo", nota.protocolo, "--justificativa", kJustificativa});
  ASSERT_EQ(cancelar.exitCode, 0) << cancelar.err << cancelar.out;

  // The distribution files' schemas and signatures are the component's (tests/events): here what the
  // runs print and where the files are.
  for (const NfeRunResult* r : {&cce, &cancelar}) {
    const Bloco b = Blocos(r->out).at(0);
    EXPECT_EQ(b.chave, nota.chave);
    EXPECT_EQ(b.status, "135 Evento registrado e vinculado a NF-e");
    EXPECT_EQ(b.protocolo.size(), 15u);
    EXPECT_THAT(ReadFileOrEmpty(b.distribuicao), HasSubstr("<nProt>" + b.protocolo + "</nProt>"));
  }
  EXPECT_THAT(ReadFileOrEmpty(Blocos(cce.out).at(0).distribuicao),
              HasSubstr("<xCorrecao>Endereco de entrega: Rua B, 10</xCorrecao>"));

  const NfeRunResult consultar = nfe({"consultar", nota.chave});
  EXPECT_EQ(consultar.exitCode, 1) << consultar.err << consultar.out;
  EXPECT_THAT(consultar.out, HasSubstr("101 Cancelamento de NF-e homologado"));
  EXPECT_THAT(consultar.out, HasSubstr("event:        110110 Carta de Correcao (seq 1): 135"));
  EXPECT_THAT(consultar.out, HasSubstr("event:        110111 Cancelamento (seq 1): 135"));

  const NfeRunResult denovo = nfe(
      {"evento", "cancelar", nota.chave, "--protocolo", nota.protocolo, "--justificativa", kJustificativa});
  EXPECT_EQ(denovo.exitCode, 1) << denovo.err << denovo.out;
  EXPECT_EQ(Blocos(denovo.out).at(0).status, "573 Rejeicao: Duplicidade de Evento");
  EXPECT_EQ(Blocos(denovo.out).at(0).distribuicao, "");
}

// --substituta turns the cancellation into one by substitution (110112): the other example sale, of the
// same issuer, stands as the substitute, and the file written is the substitution's.
TEST(NfeToolEvento, CancellationBySubstitutionNamesTheSubstitute) {
  TempDir home;
  const NfeRunResult emitir = RunNfe({"emitir", kComandos, kPipe}, InHome(home));
  ASSERT_EQ(emitir.exitCode, 0) << emitir.err << emitir.out;
  const std::vector<Bloco> notas = Blocos(emitir.out);
  ASSERT_EQ(notas.size(), 2u);
  const NfeRunResult r =
      RunNfe({"evento", "cancelar", notas[0].chave, "--protocolo", notas[0].protocolo, "--justificativa",
              "Emitida em duplicidade com a de contingencia", "--substituta", notas[1].chave},
             InHome(home));
  ASSERT_EQ(r.exitCode, 0) << r.err << r.out;
  const Bloco b = Blocos(r.out).at(0);
  EXPECT_EQ(b.status, "135 Evento registrado e vinculado a NF-e");
  EXPECT_THAT(b.distribuicao, ::testing::EndsWith(notas[0].chave + "-cansub.xml"));
  const std::string xml = ReadFileOrEmpty(b.distribuicao);
  EXPECT_THAT(xml, HasSubstr("<tpEvento>110112</tpEvento>"));
  EXPECT_THAT(xml, HasSubstr("<chNFeRef>" + notas[1].chave + "</chNFeRef>"));
}

// evento reforma: the groups per item come from --item pairs, the detail from the kind's options.
TEST(NfeToolEvento, TaxReformEventsTakeTheirDetailFromOptions) {
  TempDir home;
  const auto nfe = [&](const std::vector<std::string>& args) { return RunNfe(args, InHome(home)); };
  const NfeRunResult emitir = nfe({"emitir", kComandos});
  ASSERT_EQ(emitir.exitCode, 0) << emitir.err << emitir.out;
  const std::string chave = Blocos(emitir.out).at(0).chave;
  const NfeRunResult imobilizacao = nfe({"evento", "reforma", chave, "--tipo", "211130", "--item",
                                         "nItem=1,vIBS=1.00,vCBS=0.90,quantidade=2.0000,unidade=UN", "--item",
                                         "nItem=2,vIBS=0.10,vCBS=0.09,quantidade=1.0000,unidade=CX"});
  ASSERT_EQ(imobilizacao.exitCode, 0) << imobilizacao.err << imobilizacao.out;
  const Bloco b = Blocos(imobilizacao.out).at(0);
  EXPECT_EQ(b.status, "135 Evento registrado e vinculado a NF-e");
  EXPECT_THAT(b.distribuicao, ::testing::EndsWith(chave + "-211130.xml"));
  EXPECT_THAT(ReadFileOrEmpty(b.distribuicao),
              HasSubstr("<gImobilizacao nItem=\"2\"><vIBS>0.10</vIBS><vCBS>0.09</vCBS><gControleEstoque>"
                        "<qImobilizado>1.0000</qImobilizado><uImobilizado>CX</uImobilizado>"));
  const NfeRunResult entrega =
      nfe({"evento", "reforma", chave, "--tipo", "112150", "--data-entrega", "2026-12-20"});
  ASSERT_EQ(entrega.exitCode, 0) << entrega.err << entrega.out;
  EXPECT_THAT(ReadFileOrEmpty(Blocos(entrega.out).at(0).distribuicao),
              HasSubstr("<dPrevEntrega>2026-12-20</dPrevEntrega>"));
}

TEST(NfeToolEvento, RefusedChecksAndUsage) {
  TempDir home;
  // The builder's check comes before anything is sent: the library's exception, exit 5.
  const NfeRunResult curta =
      RunNfe({"evento", "cce", kChaveComandos, "--correcao", "curta demais"}, InHome(home));
  EXPECT_EQ(curta.exitCode, 5);
  EXPECT_THAT(curta.err,
              HasSubstr("EvxnEventoCheckParams: Um problema foi encontrado durante a geração do XML de "
                        "envio: \"O Texto de Correção deve ter no mínimo 15 Caracteres\""));
  EXPECT_EQ(RunNfe({"evento", "manifestar", kChaveComandos, "--tipo", "talvez"}, InHome(home)).exitCode, 2);
  EXPECT_EQ(RunNfe({"evento"}, InHome(home)).exitCode, 2);
  const NfeRunResult item =
      RunNfe({"evento", "reforma", kChaveComandos, "--tipo", "211130", "--item", "nItem=1,vIBSS=1.00"},
             InHome(home));
  EXPECT_EQ(item.exitCode, 2);
  EXPECT_THAT(item.err, HasSubstr("--item: \"vIBSS=1.00\" is not NAME=VALUE with a known name"));
  EXPECT_EQ(RunNfe({"evento", "reforma", kChaveComandos, "--tipo", "999999"}, InHome(home)).exitCode, 2);
}

} // namespace
} // namespace vxn
