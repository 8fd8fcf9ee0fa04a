// nfe dfe: both sides of the example sale played on one machine. The issuer issues it; the recipient's
// runs of nfe dfe file its summary, then (after it manifested awareness) the whole document, then the
// issuer's cancellation, each run continuing from the NSU the last one reached. Against a standalone
// sefaz-sim with the files it writes for both sides, and on the embedded default with --destinatario.
#include "NfeEmitirFixture.h"
#include "support/Process.h"
#include "support/XmlCheck.h"
#include "vxnFiles.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <csignal>
#include <ctime>
#include <functional>
#include <sstream>

namespace vxn {
namespace {

using namespace test;
using ::testing::HasSubstr;

using TNfe = std::function<NfeRunResult(std::vector<std::string>)>;

// One line of nfe dfe: NSU, kind, key, path.
struct Arquivado {
  std::string nsu, tipo, chave, arquivo;
};

std::vector<Arquivado> Arquivados(const std::string& out) {
  std::vector<Arquivado> linhas;
  for (const std::string& linha : Lines(out)) {
    if (linha.starts_with("summary:") || linha.starts_with("download:"))
      continue;
    std::istringstream in(linha);
    Arquivado a;
    in >> a.nsu >> a.tipo >> a.chave >> a.arquivo;
    linhas.push_back(a);
  }
  return linhas;
}

// The scenario: `emitente` and `destinatario` run nfe as each side.
void Cenario(const TNfe& emitente, const TNfe& destinatario) {
  const NfeRunResult emitir = emitente({"emitir", kComandos});
  ASSERT_EQ(emitir.exitCode, 0) << emitir.err << emitir.out;
  const Bloco nota = Blocos(emitir.out).at(0);

  // The files' schemas and signatures are the component's (tests/events/DistribuicaoDFeTest): here what
  // each run files and prints.
  struct TPasso {
    std::function<void()> antes;
    std::string nsu, tipo;
  };
  const TPasso passos[] = {
      {[] {}, "000000000000001", "resNFe"},
      {[&] {
         const NfeRunResult r = destinatario({"evento", "manifestar", nota.chave, "--tipo", "ciencia"});
         ASSERT_EQ(r.exitCode, 0) << r.err << r.out;
       },
       "000000000000002", "procNFe"},
      {[&] {
         const NfeRunResult r = emitente({"evento", "cancelar", nota.chave, "--protocolo", nota.protocolo,
                                          "--justificativa", "Pedido cancelado pelo cliente"});
         ASSERT_EQ(r.exitCode, 0) << r.err << r.out;
       },
       "000000000000003", "procEventoNFe:110111"},
  };
  for (const TPasso& p : passos) {
    p.antes();
    const NfeRunResult dfe = destinatario({"dfe"});
    ASSERT_EQ(dfe.exitCode, 0) << dfe.err << dfe.out;
    const std::vector<Arquivado> a = Arquivados(dfe.out);
    ASSERT_EQ(a.size(), 1u) << dfe.out;
    EXPECT_EQ(a[0].nsu, p.nsu);
    EXPECT_EQ(a[0].tipo, p.tipo);
    EXPECT_EQ(a[0].chave, nota.chave);
    EXPECT_THAT(ReadFileOrEmpty(a[0].arquivo), HasSubstr(nota.chave)) << a[0].arquivo;
    EXPECT_THAT(dfe.out, HasSubstr("summary: 1 filed for 17444555000125; ultNSU " + p.nsu + ", maxNSU " +
                                   p.nsu + "; last answer 138 Documento localizado"));
  }
  // Nothing new: the service says so, and nothing is filed.
  const NfeRunResult nada = destinatario({"dfe"});
  EXPECT_EQ(nada.exitCode, 0) << nada.err;
  EXPECT_TRUE(Arquivados(nada.out).empty()) << nada.out;
  EXPECT_THAT(nada.out, HasSubstr("last answer 137 Nenhum documento localizado"));
}

// The standalone server running throughout, each side with the configuration it wrote for it.
TEST(NfeToolDFe, BothSidesOfTheSaleAgainstAStandaloneServer) {
  TempDir dir;
  const std::string pasta = dir.Path() + "sim/";
  ChildProcess sim(
      {std::string(QVX_BIN_DIR) + "/sefaz-sim", "--port", "0", "--write-config", pasta, "--quiet"});
  std::string linha;
  for (int i = 0; i < 10 && !linha.starts_with("recipient "); ++i)
    linha = sim.ReadLine();
  ASSERT_EQ(linha, "recipient " + pasta + "destinatario/nfeConfig.ini (CNPJ 17444555000125)");
  AppendToFile("DiretorioXmlDestinatario=" + dir.Path() + "dest/\r\n", pasta + "nfeConfig.ini");
  auto com = [&](const std::string& config) {
    return [&, config](std::vector<std::string> args) {
      args.insert(args.begin(), {"--config", config});
      return RunNfe(args, InHome(dir));
    };
  };
  const std::time_t inicio = std::time(nullptr);
  Cenario(com(pasta + "nfeConfig.ini"), com(pasta + "destinatario/nfeConfig.ini"));
  // The standalone server waits as the authority does: asking again right after "nothing found" is
  // refused, and the run says until when, an hour from the "nothing found" it remembered.
  const NfeRunResult cedo = com(pasta + "destinatario/nfeConfig.ini")({"dfe"});
  EXPECT_EQ(cedo.exitCode, 1);
  EXPECT_THAT(cedo.out, HasSubstr("last answer 656 Rejeicao: Consumo Indevido"));
  const std::string memoria = ReadFileOrEmpty(pasta + "destinatario/XmlDestinatario/DFe/ultNSU.ini");
  const std::size_t p = memoria.find("homologacao-137=");
  ASSERT_NE(p, std::string::npos) << memoria;
  const std::time_t nada = std::stoll(memoria.substr(p + 16));
  EXPECT_GE(nada, inicio);
  EXPECT_LE(nada, std::time(nullptr));
  const std::time_t depois = nada + 3600;
  std::tm tm{};
  gmtime_r(&depois, &tm);
  char quando[32];
  std::strftime(quando, sizeof quando, "%Y-%m-%d %H:%M:%S UTC", &tm);
  EXPECT_THAT(cedo.err, HasSubstr(std::string("ask again after ") + quando));
  EXPECT_EQ(sim.Stop(SIGTERM), 0);
}

TEST(NfeToolDFe, BothSidesOfTheSaleOnTheEmbeddedDefault) {
  TempDir home;
  const TNfe emitente = [&](std::vector<std::string> args) { return RunNfe(args, InHome(home)); };
  const TNfe destinatario = [&](std::vector<std::string> args) {
    args.insert(args.begin(), "--destinatario");
    return RunNfe(args, InHome(home));
  };
  const std::string dados = home.Path() + "home/.local/share/quorvant-nfe/";
  Cenario(emitente, destinatario);
  // The recipient's files are its own; the NSU it reached is remembered beside them.
  EXPECT_THAT(ReadFileOrEmpty(dados + "destinatario/XmlDestinatario/DFe/ultNSU.ini"),
              HasSubstr("homologacao=000000000000003"));
  EXPECT_THAT(RunNfe({"--destinatario", "--config", "x", "dfe"}, InHome(home)).err,
              HasSubstr("--destinatario works on the embedded default only"));
}

// A document that arrives damaged stops the run with the reason; what was filed stays, the NSU remembered
// is the last one filed, and the next run (the damage gone) continues from there.
TEST(NfeToolDFe, ADamagedDocumentStopsTheRunAndTheNextContinues) {
  TempDir dir;
  const std::string pasta = dir.Path() + "sim/";
  auto servidor = [&](std::vector<std::string> extra) {
    std::vector<std::string> argv{std::string(QVX_BIN_DIR) + "/sefaz-sim",
                                  "--port",
                                  "0",
                                  "--write-config",
                                  pasta,
                                  "--quiet",
                                  "--dfe-wait",
                                  "0"};
    argv.insert(argv.end(), extra.begin(), extra.end());
    auto p = std::make_unique<ChildProcess>(argv);
    for (std::string l; !l.starts_with("state ");)
      l = p->ReadLine();
    return p;
  };
  auto nfe = [&](const std::string& config, std::vector<std::string> args) {
    args.insert(args.begin(), {"--config", pasta + config});
    return RunNfe(args, InHome(dir));
  };
  auto sim = servidor({"--dfe-damaged-nsu", "2"});
  AppendToFile("DiretorioXmlDestinatario=" + dir.Path() + "dest/\r\n", pasta + "nfeConfig.ini");
  ASSERT_EQ(nfe("nfeConfig.ini", {"emitir", kComandos, kPipe}).exitCode, 0);

  const NfeRunResult parou = nfe("destinatario/nfeConfig.ini", {"dfe"});
  EXPECT_EQ(parou.exitCode, 5);
  EXPECT_THAT(parou.err,
              HasSubstr("EvxnNFeDescompactarXMLException: Verifique se o conteúdo informado é um xml "
                        "compactado válido"));
  ASSERT_EQ(Arquivados(parou.out).size(), 1u) << parou.out;
  EXPECT_EQ(Arquivados(parou.out)[0].nsu, "000000000000001");
  EXPECT_FALSE(ReadFileOrEmpty(Arquivados(parou.out)[0].arquivo).empty());
  const std::string memoria = pasta + "destinatario/XmlDestinatario/DFe/ultNSU.ini";
  EXPECT_THAT(ReadFileOrEmpty(memoria), HasSubstr("homologacao=000000000000001"));

  EXPECT_EQ(sim->Stop(SIGTERM), 0);
  sim = servidor({});
  const NfeRunResult seguiu = nfe("destinatario/nfeConfig.ini", {"dfe"});
  EXPECT_EQ(seguiu.exitCode, 0) << seguiu.err;
  ASSERT_EQ(Arquivados(seguiu.out).size(), 1u) << seguiu.out;
  EXPECT_EQ(Arquivados(seguiu.out)[0].nsu, "000000000000002");
  EXPECT_THAT(ReadFileOrEmpty(memoria), HasSubstr("homologacao=000000000000002"));
  // One NSU and one key on request: the remembered NSU stays where it is.
  const NfeRunResult um = nfe("destinatario/nfeConfig.ini", {"dfe", "--nsu", "000000000000001"});
  EXPECT_EQ(um.exitCode, 0) << um.err;
  EXPECT_EQ(Arquivados(um.out).size(), 1u);
  EXPECT_EQ(nfe("destinatario/nfeConfig.ini", {"dfe", "--chave", kChavePipe}).exitCode, 0);
  EXPECT_THAT(ReadFileOrEmpty(memoria), HasSubstr("homologacao=000000000000002"));
  EXPECT_EQ(nfe("destinatario/nfeConfig.ini", {"dfe", "--nsu", "1", "--chave", kChavePipe}).exitCode, 2);
  EXPECT_EQ(sim->Stop(SIGTERM), 0);
}

} // namespace
} // namespace vxn
