// nfe evento: the example sale issued, corrected and cancelled in three separate runs, on the embedded
// default (whose server remembers between runs) and against a server of its own given by --config; then
// the query answers 101 with both events and a second cancellation is refused.
#include "NfeEmitirFixture.h"
#include "support/Process.h"
#include "support/XmlCheck.h"
#include "vxnFiles.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <csignal>
#include <functional>

namespace vxn {
namespace {

using namespace test;
using ::testing::HasSubstr;

constexpr const char* kJustificativa = "Pedido cancelado pelo cliente";

// Runs the scenario with `nfe` (arguments before the subcommand given by the caller); `autoridade` is
// the PEM file of the authority that signed the client certificate and the server's replies.
void Cenario(const std::function<NfeRunResult(std::vector<std::string>)>& nfe,
             const std::string& autoridade) {
  const NfeRunResult emitir = nfe({"emitir", kComandos});
  ASSERT_EQ(emitir.exitCode, 0) << emitir.err << emitir.out;
  const Bloco nota = Blocos(emitir.out).at(0);

  const NfeRunResult cce =
      nfe({"evento", "cce", nota.chave, "--correcao", "Endereco de entrega:\nRua B, 10"});
  ASSERT_EQ(cce.exitCode, 0) << cce.err << cce.out;
  const NfeRunResult cancelar = nfe(
      {"evento", "cancelar", nota.chave, "--protocolo", nota.protocolo, "--justificativa", kJustificativa});
  ASSERT_EQ(cancelar.exitCode, 0) << cancelar.err << cancelar.out;

  const std::pair<const NfeRunResult*, std::vector<std::string>> eventos[] = {
      {&cce, {"procEventoNFe_v1.00.xsd", "procCCeNFe_v1.00.xsd"}},
      {&cancelar, {"procEventoNFe_v1.00.xsd", "procEventoCancNFe_v1.00.xsd"}}};
  for (const auto& [r, esquemas] : eventos) {
    const Bloco b = Blocos(r->out).at(0);
    EXPECT_EQ(b.chave, nota.chave);
    EXPECT_EQ(b.status, "135 Evento registrado e vinculado a NF-e");
    EXPECT_EQ(b.protocolo.size(), 15u);
    const std::string xml = ReadFileOrEmpty(b.distribuicao);
    ASSERT_FALSE(xml.empty()) << b.distribuicao;
    for (const std::string& esquema : esquemas)
      EXPECT_EQ(XmlSchemaErrors(xml, FindSchema(esquema)), "") << b.distribuicao << " " << esquema;
    EXPECT_EQ(XmlSec1VerifyErrors(xml, autoridade, "http://www.portalfiscal.inf.br/nfe:infEvento"), "")
        << b.distribuicao;
    EXPECT_THAT(xml, HasSubstr("<nProt>" + b.protocolo + "</nProt>"));
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

TEST(NfeToolEvento, IssueCorrectAndCancelInSeparateRunsOnTheEmbeddedDefault) {
  TempDir home;
  Cenario([&](std::vector<std::string> args) { return RunNfe(args, InHome(home)); },
          home.Path() + "home/.local/share/quorvant-nfe/certificado-teste/autoridade-teste.pem");
}

TEST_F(NfeToolEmitirWithConfig, IssueCorrectAndCancelInSeparateRunsAgainstAServerOfItsOwn) {
  Cenario([&](std::vector<std::string> args) { return Nfe(args); }, files_.AuthorityCertificate);
}

// The standalone program, stopped and started again on its folder between the runs: what it authorised
// and registered survives in its state.
TEST(NfeToolEvento, IssueCorrectAndCancelWithAStandaloneServerStartedForEachRun) {
  TempDir dir;
  const std::string pasta = dir.Path() + "sim/";
  Cenario(
      [&](std::vector<std::string> args) {
        ChildProcess sim(
            {std::string(QVX_BIN_DIR) + "/sefaz-sim", "--port", "0", "--write-config", pasta, "--quiet"});
        std::string linha;
        for (int i = 0; i < 10 && !linha.starts_with("state "); ++i)
          linha = sim.ReadLine();
        EXPECT_EQ(linha, "state " + pasta + "sefaz-sim.db");
        AppendToFile("DiretorioXmlDestinatario=" + dir.Path() + "dest/\r\n", pasta + "nfeConfig.ini");
        args.insert(args.begin(), {"--config", pasta + "nfeConfig.ini"});
        NfeRunResult r = RunNfe(args, InHome(dir));
        EXPECT_EQ(sim.Stop(SIGTERM), 0);
        return r;
      },
      pasta + "sefaz-sim-ca.pem");
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
}

} // namespace
} // namespace vxn
