// The nfe program as a person tries it: help, mistakes on the command line, missing files, a bad
// configuration, the embedded default (local server and test certificate in a fresh home folder) and a
// configuration file written by the local server.
#include "NfeProcess.h"
#include "sefaz-sim/SefazSim.h"
#include "support/DevPki.h"
#include "support/NFeLoteFixture.h"
#include "support/SignedNFeDocument.h"
#include "support/SimOptions.h"
#include "support/TempDir.h"
#include "support/XmlCheck.h"
#include "vxnFiles.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <thread>

namespace vxn {
namespace {

using test::InHome;
using test::NfeRunOptions;
using test::NfeRunResult;
using test::RunNfe;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

namespace fs = std::filesystem;

std::string DataDir(const test::TempDir& home) {
  return home.Path() + "home/.local/share/quorvant-nfe/";
}

std::string FirstLine(const std::string& text) {
  return text.substr(0, text.find('\n'));
}

const std::vector<std::string> kSubcommands = {"status",   "emitir",  "consultar", "recibo",    "inutilizar",
                                               "cadastro", "assinar", "validar",   "converter", "regras"};

TEST(NfeToolCommandLine, HelpOfTheToolAndOfEverySubcommandGoesToStdoutWithExitZero) {
  const NfeRunResult top = RunNfe({"--help"});
  EXPECT_EQ(top.exitCode, 0) << top.err;
  EXPECT_EQ(top.err, "");
  for (const auto& sub : kSubcommands)
    EXPECT_THAT(top.out, HasSubstr(sub)) << "the overview lists " << sub;
  EXPECT_THAT(top.out, HasSubstr("Exit codes"));

  for (const auto& sub : kSubcommands) {
    const NfeRunResult r = RunNfe({sub, "--help"});
    EXPECT_EQ(r.exitCode, 0) << sub << ": " << r.err;
    EXPECT_THAT(r.out, HasSubstr("Usage")) << sub;
    EXPECT_THAT(r.out, HasSubstr(sub)) << sub;
    EXPECT_EQ(r.err, "") << sub;
  }
}

TEST(NfeToolCommandLine, UnknownSubcommandOrOptionOrNoSubcommandIsAUsageErrorWithExitTwo) {
  const NfeRunResult unknown = RunNfe({"emitr", "x.xml"});
  EXPECT_EQ(unknown.exitCode, 2);
  EXPECT_THAT(unknown.err, HasSubstr("emitr"));
  EXPECT_EQ(unknown.out, "");

  const NfeRunResult none = RunNfe({});
  EXPECT_EQ(none.exitCode, 2);
  EXPECT_THAT(none.err, HasSubstr("subcommand"));

  const NfeRunResult option = RunNfe({"status", "--sem-essa-opcao"});
  EXPECT_EQ(option.exitCode, 2);
  EXPECT_THAT(option.err, HasSubstr("--sem-essa-opcao"));

  const NfeRunResult missingArgument = RunNfe({"validar"});
  EXPECT_EQ(missingArgument.exitCode, 2);
  EXPECT_THAT(missingArgument.err, HasSubstr("arquivo"));
}

TEST(NfeToolFiles, AMissingInputFileIsNamedAndEndsWithExitThreeWithoutWritingTheOutput) {
  test::TempDir home;
  for (const std::string sub : {"validar", "assinar"}) {
    const std::string missing = home.File("nao-existe.xml");
    const std::string saida = home.File("saida.xml");
    std::vector<std::string> args = {sub, missing};
    if (sub == "assinar")
      args = {sub, missing, "-o", saida};
    const NfeRunResult r = RunNfe(args, InHome(home));
    EXPECT_EQ(r.exitCode, 3) << sub;
    EXPECT_THAT(r.err, HasSubstr("input file not found: " + missing)) << sub;
    EXPECT_EQ(r.out, "") << sub;
    EXPECT_FALSE(fs::exists(saida)) << sub;
  }
  // A folder where a file is expected.
  const NfeRunResult folder = RunNfe({"validar", home.Path()}, InHome(home));
  EXPECT_EQ(folder.exitCode, 3);
  EXPECT_THAT(folder.err, HasSubstr("folder"));
}

TEST(NfeToolFiles, TextThatIsNotXmlIsRefusedByTheXmlCommands) {
  test::TempDir home;
  WriteFileAtomic(home.File("nota.txt"), "INCLUIR\r\ncNF_B03=12345678\r\nSALVAR\r\n");
  const NfeRunResult r = RunNfe({"validar", home.File("nota.txt")}, InHome(home));
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_THAT(r.err, HasSubstr("is not XML (it looks like command text)"));
}

// A configuration that cannot serve ends with exit four and names what is wrong, and no default is used
// behind the user's back: a path that does not exist, a file the component refuses, and files that load
// but cannot serve (a servers file that is not there, a certificate that does not open).
TEST(NfeToolConfiguration, AConfigurationThatCannotServeIsNamedAndEndsWithExitFour) {
  test::TempDir home;
  const std::string base =
      "[NFE]\r\nUF=SP\r\nCNPJ=11222333000181\r\nDiretorioLog=" + home.File("Log") + "\r\n";
  struct Caso {
    std::string arquivo, conteudo; // no content: the file is not written
    std::string mensagem;
    bool depoisDoComando = false; // --config given after the subcommand
  };
  const Caso casos[] = {
      {"sem/nfeConfig.ini", "", "configuration file not found: " + home.File("sem/nfeConfig.ini")},
      {"uf-invalida.ini", "[NFE]\r\nUF=XX\r\n",
       "EvxnNFeException: Erro ao carregar configurações: a sigla da UF XX, é inválida.", true},
      {"sem-servidores.ini", base + "ArquivoServidoresHom=" + home.File("sumiu.ini") + "\r\n",
       "Caminho dos servidores de Homologação inválido."},
      {"sem-certificado.ini",
       base + "TipoCertificado=FILE\r\nCaminhoCertificado=" + home.File("sumiu.pfx") + "\r\n", "sumiu.pfx"},
  };
  for (const Caso& c : casos) {
    if (!c.conteudo.empty())
      WriteFileAtomic(home.File(c.arquivo), c.conteudo);
    const NfeRunResult r =
        RunNfe(c.depoisDoComando ? std::vector<std::string>{"status", "--config", home.File(c.arquivo)}
                                 : std::vector<std::string>{"--config", home.File(c.arquivo), "status"},
               InHome(home));
    EXPECT_EQ(r.exitCode, 4) << c.arquivo << ": " << r.err;
    EXPECT_THAT(r.err, HasSubstr(c.mensagem)) << c.arquivo;
    EXPECT_THAT(r.err, Not(HasSubstr("LOCAL HOMOLOGATION SERVER"))) << c.arquivo;
    EXPECT_EQ(r.out, "") << c.arquivo;
  }
  // Nothing was made in the home folder either.
  EXPECT_FALSE(fs::exists(DataDir(home)));
}

TEST(NfeToolEmbeddedDefault, StatusStartsTheLocalServerSaysSoFirstAndReusesTheCertificateItMade) {
  test::TempDir home;
  const NfeRunResult first = RunNfe({"status"}, InHome(home));
  ASSERT_EQ(first.exitCode, 0) << first.err;
  EXPECT_EQ(first.out, "107 Servico em Operacao\n");
  EXPECT_THAT(FirstLine(first.err), HasSubstr("LOCAL HOMOLOGATION SERVER"));
  EXPECT_THAT(FirstLine(first.err), HasSubstr("not the tax authority"));
  const std::string pfx = DataDir(home) + "certificado-teste/cliente-teste.pfx";
  EXPECT_THAT(first.err, HasSubstr("made the test certificate " + pfx));
  ASSERT_TRUE(fs::exists(pfx));
  // The key files are the owner's alone.
  EXPECT_EQ(fs::status(pfx).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(fs::status(DataDir(home) + "certificado-teste/autoridade-teste.key").permissions() &
                fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);
  const std::string certificate = test::ReadFileOrEmpty(pfx);
  // The request and the reply were logged in the data folder.
  EXPECT_TRUE(fs::exists(DataDir(home) + "Log"));

  const NfeRunResult second = RunNfe({"status"}, InHome(home));
  ASSERT_EQ(second.exitCode, 0) << second.err;
  EXPECT_EQ(second.out, "107 Servico em Operacao\n");
  EXPECT_THAT(FirstLine(second.err), HasSubstr("LOCAL HOMOLOGATION SERVER"));
  EXPECT_THAT(second.err, Not(HasSubstr("made the test certificate")));
  EXPECT_EQ(test::ReadFileOrEmpty(pfx), certificate) << "the certificate of the first run is reused";
}

// Two first runs at once in a fresh home: one of them makes the test certificate, the other waits for it
// and uses it; both are answered.
TEST(NfeToolEmbeddedDefault, TwoFirstRunsAtOnceMakeTheTestCertificateOnce) {
  test::TempDir home;
  NfeRunResult runs[2];
  std::thread other([&] { runs[1] = RunNfe({"status"}, InHome(home)); });
  runs[0] = RunNfe({"status"}, InHome(home));
  other.join();
  int made = 0;
  for (const NfeRunResult& r : runs) {
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "107 Servico em Operacao\n");
    made += r.err.find("made the test certificate") != std::string::npos;
  }
  EXPECT_EQ(made, 1);
  const std::string folder = DataDir(home) + "certificado-teste/";
  std::set<std::string> names;
  for (const auto& e : fs::directory_iterator(folder))
    names.insert(e.path().filename().string());
  EXPECT_EQ(names, (std::set<std::string>{".lock", "autoridade-teste.key", "autoridade-teste.pem",
                                          "cliente-teste.pfx", "servidor-teste.key", "servidor-teste.pem"}));
  // What is left is one consistent set: a later run uses it as it stands, the local server's TLS
  // certificate too (no key is made at its start).
  const std::string certificate = test::ReadFileOrEmpty(folder + "cliente-teste.pfx");
  const std::string server = test::ReadFileOrEmpty(folder + "servidor-teste.pem");
  const NfeRunResult later = RunNfe({"status"}, InHome(home));
  EXPECT_EQ(later.exitCode, 0) << later.err;
  EXPECT_EQ(test::ReadFileOrEmpty(folder + "cliente-teste.pfx"), certificate);
  EXPECT_EQ(test::ReadFileOrEmpty(folder + "servidor-teste.pem"), server);
}

TEST(NfeToolEmbeddedDefault, XdgDataHomeChoosesTheDataFolderAndXmlPrintsTheWholeReply) {
  test::TempDir home;
  NfeRunOptions o = InHome(home);
  o.env["XDG_DATA_HOME"] = home.Path() + "xdg";
  const NfeRunResult r = RunNfe({"status", "--xml"}, o);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_TRUE(fs::exists(home.Path() + "xdg/quorvant-nfe/certificado-teste/cliente-teste.pfx"));
  EXPECT_FALSE(fs::exists(DataDir(home)));
  EXPECT_THAT(r.out, StartsWith("<retConsStatServ"));
  EXPECT_EQ(test::XmlSchemaErrors(r.out, test::FindSchema("retConsStatServ_v4.00.xsd")), "");
}

TEST(NfeToolEmbeddedDefault, WithoutAHomeOrDataFolderTheToolSaysWhatIsMissing) {
  test::TempDir home;
  NfeRunOptions o;
  o.unset = {"XDG_DATA_HOME", "HOME"};
  const NfeRunResult r = RunNfe({"status"}, o);
  EXPECT_EQ(r.exitCode, 4);
  EXPECT_THAT(r.err, HasSubstr("neither XDG_DATA_HOME nor HOME"));
}

TEST(NfeToolEmbeddedDefault, ADataFolderThatCannotBeMadeIsAConfigurationFailure) {
  test::TempDir home;
  // A file where the data folder, or the certificate's folder inside it, should be.
  WriteFileAtomic(home.File("arquivo"), "x");
  NfeRunOptions o = InHome(home);
  o.env["XDG_DATA_HOME"] = home.File("arquivo");
  const NfeRunResult noData = RunNfe({"status"}, o);
  EXPECT_EQ(noData.exitCode, 4);
  EXPECT_THAT(noData.err,
              HasSubstr("cannot create the data folder " + home.File("arquivo") + "/quorvant-nfe"));

  o.env["XDG_DATA_HOME"] = home.Path() + "xdg";
  WriteFileAtomic(home.Path() + "xdg/quorvant-nfe/certificado-teste", "x");
  const NfeRunResult noCertificate = RunNfe({"status"}, o);
  EXPECT_EQ(noCertificate.exitCode, 4);
  EXPECT_THAT(noCertificate.err, HasSubstr("certificado-teste"));
  EXPECT_EQ(noCertificate.out, "");
}

class NfeToolWithConfigFile : public ::testing::Test {
protected:
  void SetUp() override {
    sim_.Start();
    files_ = sim_.WriteConfig(dir_.Path() + "sim");
    // Distribution XML in the test's own folder, not in the shared one beside the programs.
    AppendToFile("DiretorioXmlDestinatario=" + dir_.Path() + "dest/\r\n", files_.ConfigFile);
  }
  test::TempDir dir_;
  sim::TSefazSim sim_{test::SimOptions()};
  sim::TSefazSimConfigFiles files_;
};

TEST_F(NfeToolWithConfigFile, StatusUsesTheConfiguredServerAndNoLocalDefault) {
  NfeRunOptions o = InHome(dir_);
  const NfeRunResult r = RunNfe({"--config", files_.ConfigFile, "status"}, o);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "107 Servico em Operacao\n");
  EXPECT_THAT(r.err, Not(HasSubstr("LOCAL HOMOLOGATION SERVER")));
  EXPECT_FALSE(fs::exists(DataDir(dir_))) << "a configured run leaves the user's data folder alone";
  EXPECT_EQ(sim_.ReceivedMessages().size(), 1u);

  // The folder holding nfeConfig.ini names it as well.
  const NfeRunResult folder = RunNfe({"--config", dir_.Path() + "sim", "status"}, o);
  EXPECT_EQ(folder.exitCode, 0) << folder.err;
  EXPECT_EQ(sim_.ReceivedMessages().size(), 2u);
}

// nfe verifies the server: a configuration that does not trust the local server's authority (the key
// the server writes for it left out) is refused with the reason and the host, and nothing reaches the
// server; --inseguro goes through and says so on its first line.
TEST_F(NfeToolWithConfigFile, AServerOutsideTheTrustIsRefusedUnlessInseguro) {
  NfeRunOptions o = InHome(dir_);
  std::string ini = test::ReadFileOrEmpty(files_.ConfigFile);
  const std::size_t p = ini.find("ArquivoCAExclusivo=");
  ASSERT_NE(p, std::string::npos);
  ini.erase(p, ini.find("\r\n", p) + 2 - p);
  const std::string semConfianca = dir_.Path() + "sim/sem-confianca.ini";
  WriteFileAtomic(semConfianca, ini);
  const NfeRunResult recusado = RunNfe({"--config", semConfianca, "status"}, o);
  EXPECT_EQ(recusado.exitCode, 5);
  EXPECT_THAT(recusado.err,
              HasSubstr("Servidor 127.0.0.1 recusado: o certificado não se liga a uma autoridade "
                        "certificadora confiável"));
  EXPECT_TRUE(sim_.ReceivedMessages().empty());

  const NfeRunResult inseguro = RunNfe({"--inseguro", "--config", semConfianca, "status"}, o);
  EXPECT_EQ(inseguro.exitCode, 0) << inseguro.err;
  EXPECT_THAT(inseguro.err, StartsWith("nfe: --inseguro: the server's certificate and host name are NOT "
                                       "verified"));
  EXPECT_EQ(inseguro.out, "107 Servico em Operacao\n");
}

TEST_F(NfeToolWithConfigFile, APausedServiceIsANegativeAnswerWithExitOne) {
  sim_.SetStatusPaused(109);
  const NfeRunResult r = RunNfe({"--config", files_.ConfigFile, "status"}, InHome(dir_));
  EXPECT_EQ(r.exitCode, 1) << r.err;
  EXPECT_THAT(r.out, StartsWith("109 "));
}

TEST_F(NfeToolWithConfigFile, AnUnreachableAuthorityIsAFailureWithTheExceptionClass) {
  const std::string config = files_.ConfigFile;
  sim_.Stop();
  const NfeRunResult r = RunNfe({"--config", config, "status"}, InHome(dir_));
  EXPECT_EQ(r.exitCode, 5);
  EXPECT_THAT(r.err, HasSubstr("EvxnNFeException: Erro ao consultar status do serviço: "));
  EXPECT_EQ(r.out, "");
}

TEST_F(NfeToolWithConfigFile, AssinarSignsWithTheConfiguredCertificateAndXmlsec1VerifiesIt) {
  const std::string entrada = dir_.File("nota.xml");
  WriteFileAtomic(entrada, test::NotaNaoAssinada(7));
  const std::string saida = dir_.File("assinada.xml");
  const NfeRunResult r =
      RunNfe({"--config", files_.ConfigFile, "assinar", entrada, "--saida", saida}, InHome(dir_));
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "") << "the signed XML went to the file";
  const std::string assinada = test::ReadFileOrEmpty(saida);
  EXPECT_THAT(assinada, HasSubstr("<Signature"));
  EXPECT_EQ(test::XmlSec1VerifyErrors(assinada, files_.AuthorityCertificate), "");
}

TEST(NfeToolEmbeddedDefault, AssinarToStdoutUsesTheTestCertificateAndValidarAcceptsTheResult) {
  test::TempDir home;
  const std::string entrada = home.File("nota.xml");
  WriteFileAtomic(entrada, test::NotaNaoAssinada(3));
  const NfeRunResult r = RunNfe({"assinar", entrada}, InHome(home));
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_THAT(r.out, StartsWith("<NFe"));
  EXPECT_THAT(r.err, Not(HasSubstr("LOCAL HOMOLOGATION SERVER"))) << "signing needs no server";
  EXPECT_EQ(test::XmlSec1VerifyErrors(r.out, DataDir(home) + "certificado-teste/autoridade-teste.pem"), "");

  // The signed document read from standard input (no terminal, no prompt) is a valid lot document.
  NfeRunOptions o = InHome(home);
  o.withStdin = true;
  o.stdinText = r.out;
  const NfeRunResult valid = RunNfe({"validar", "-"}, o);
  EXPECT_EQ(valid.exitCode, 0) << valid.err;
  EXPECT_EQ(valid.out, "-: valid (ENVIO)\n");
}

TEST(NfeToolValidar, AnInvalidDocumentIsExitOneWithTheSchemaErrorsOnStderr) {
  test::TempDir home;
  // An unsigned document lacks the Signature the lot schema requires, and a status request with an
  // unknown service name breaks its own schema.
  WriteFileAtomic(home.File("sem-assinatura.xml"), test::NotaNaoAssinada(1));
  const NfeRunResult unsigned_ = RunNfe({"validar", home.File("sem-assinatura.xml")}, InHome(home));
  EXPECT_EQ(unsigned_.exitCode, 1);
  EXPECT_THAT(unsigned_.out, HasSubstr("invalid (ENVIO)"));
  EXPECT_THAT(unsigned_.err, HasSubstr("EvxnSchemaValidationException"));
  EXPECT_THAT(unsigned_.err, HasSubstr("Signature"));

  WriteFileAtomic(home.File("status.xml"), "<consStatServ xmlns=\"http://www.portalfiscal.inf.br/nfe\" "
                                           "versao=\"4.00\"><tpAmb>2</tpAmb><cUF>35</cUF>"
                                           "<xServ>STATUS</xServ></consStatServ>");
  const NfeRunResult good = RunNfe({"validar", home.File("status.xml")}, InHome(home));
  EXPECT_EQ(good.exitCode, 0) << good.err;
  EXPECT_THAT(good.out, HasSubstr("valid (STATUS)"));
  WriteFileAtomic(home.File("status-ruim.xml"), "<consStatServ xmlns=\"http://www.portalfiscal.inf.br/nfe\" "
                                                "versao=\"4.00\"><tpAmb>2</tpAmb><cUF>35</cUF>"
                                                "<xServ>OUTRO</xServ></consStatServ>");
  const NfeRunResult bad = RunNfe({"validar", home.File("status-ruim.xml")}, InHome(home));
  EXPECT_EQ(bad.exitCode, 1);
  EXPECT_THAT(bad.err, HasSubstr("xServ"));

  // A root element without a known schema asks for --comando.
  WriteFileAtomic(home.File("outro.xml"), "<qualquer/>");
  const NfeRunResult unknown = RunNfe({"validar", home.File("outro.xml")}, InHome(home));
  EXPECT_EQ(unknown.exitCode, 2);
  EXPECT_THAT(unknown.err, HasSubstr("--comando"));
}

} // namespace
} // namespace vxn
