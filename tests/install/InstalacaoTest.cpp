// The installed library as an application team meets it: `cmake --install` into a fresh prefix, the
// installed sefaz-sim started by hand as docs/sefaz-sim.md shows, and two programs outside the tree (one
// built with find_package(QuorvantNFe), one with pkg-config and the C interface) that issue the example
// sale against it. Nothing points QUORVANT_NFE_HOME anywhere: the installed programs and libraries must
// find share/quorvant-nfe/ by themselves.
#include "support/Process.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <csignal>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

namespace vxn::test {
namespace {

namespace fs = std::filesystem;

const std::string kExemplo = std::string(QVX_SOURCE_DIR) + "/examples/venda-sp-mg-comandos.txt";
const std::string kConsumidores = std::string(QVX_SOURCE_DIR) + "/tests/install/consumidores/";
// A sanitized build installs a sanitized library: its consumers are compiled the same way.
#ifdef QVX_SANITIZE_FLAGS
const std::string kSanitizadores = QVX_SANITIZE_FLAGS;
#else
const std::string kSanitizadores;
#endif

// No test variable of the program directory reaches the installed programs.
ProcessOptions SemProgramHome(std::map<std::string, std::string> env = {}) {
  ProcessOptions o;
  o.env = std::move(env);
  o.unset = {"QUORVANT_NFE_HOME"};
  return o;
}

ProcessOptions ComProgramHome(const std::string& pasta) {
  ProcessOptions o;
  o.env = {{"QUORVANT_NFE_HOME", pasta}};
  return o;
}

void Executar(const std::vector<std::string>& argv, const ProcessOptions& o = SemProgramHome()) {
  const ProcessResult r = RunProcess(argv, o, {}, std::chrono::seconds(400));
  ASSERT_EQ(r.exitCode, 0) << argv[0] << " " << (argv.size() > 1 ? argv[1] : "") << "\n"
                           << r.out << "\n"
                           << r.err;
}

// The sefaz-sim of the prefix, listening, with its files written into `pasta`.
class SimInstalado {
public:
  SimInstalado(const std::string& prefixo, const std::string& pasta)
      : processo_({prefixo + "bin/sefaz-sim", "--port", "0", "--write-config", pasta, "--quiet"},
                  SemProgramHome()) {
    for (std::string linha = processo_.ReadLine(); !linha.empty(); linha = processo_.ReadLine()) {
      if (linha.starts_with("config "))
        config_ = linha.substr(7);
      if (linha.starts_with("state "))
        return; // the last line before it serves
    }
  }
  ~SimInstalado() { processo_.Stop(SIGTERM); }
  const std::string& Config() const { return config_; }

private:
  ChildProcess processo_;
  std::string config_;
};

// The reply of an issuing consumer authorised the sale, and the distribution XML it names holds the
// document with its protocol.
void ConfereEmissao(const std::string& saida, const std::string& pastaXml) {
  EXPECT_NE(saida.find("<cStat>100</cStat>"), std::string::npos) << saida;
  std::smatch m;
  ASSERT_TRUE(std::regex_search(saida, m, std::regex("distribuicao (\\S+)"))) << saida;
  const std::string arquivo = m[1];
  EXPECT_TRUE(arquivo.starts_with(pastaXml)) << arquivo;
  const std::string xml = ReadFileOrEmpty(arquivo);
  EXPECT_NE(xml.find("<nfeProc"), std::string::npos) << arquivo;
  EXPECT_NE(xml.find("<nProt>"), std::string::npos) << arquivo;
}

// The example sale with another number, so that each consumer issues a document of its own.
std::string VendaNumero(const TempDir& raiz, int numero) {
  std::string texto = ReadFileOrEmpty(kExemplo);
  const std::string campo = "nNF_B08=";
  const std::size_t p = texto.find(campo);
  texto.replace(p + campo.size(), texto.find('\n', p) - p - campo.size(), std::to_string(numero));
  const std::string arquivo = raiz.File("venda-" + std::to_string(numero) + ".txt");
  std::ofstream(arquivo, std::ios::binary) << texto;
  return arquivo;
}

TEST(Instalacao, ConsumidoresDeFindPackageEPkgConfigEmitemContraOServidorInstalado) {
  const std::string cmake = QVX_CMAKE_COMMAND, pkgConfig = QVX_PKG_CONFIG;
  if (!fs::exists(cmake) || pkgConfig.empty() || !fs::exists(pkgConfig))
    GTEST_SKIP() << "cmake or pkg-config is missing";
  TempDir raiz;
  const std::string prefixo = raiz.File("prefixo/");
  Executar({cmake, "--install", QVX_BUILD_DIR, "--prefix", prefixo});
  Executar({cmake, "--install", QVX_BUILD_DIR, "--prefix", prefixo, "--component", "static"});
  ASSERT_TRUE(fs::is_directory(prefixo + QVX_INSTALL_DATADIR "/Templates"))
      << "no shipped data in the prefix";
  EXPECT_TRUE(fs::is_regular_file(prefixo + QVX_INSTALL_DATADIR "/Templates/Auditor/AuditorConfig.ini"));

  // The installed tool as a person runs it: found on PATH (its argv[0] is then only "nfe"), from a
  // folder of its own, on the embedded default.
  {
    ProcessOptions o = SemProgramHome({{"PATH", prefixo + "bin:/usr/bin:/bin"}, {"HOME", raiz.File("casa")}});
    o.unset.push_back("XDG_DATA_HOME");
    o.workDir = raiz.Path();
    const ProcessResult r =
        RunProcess({"/bin/sh", "-c", "exec nfe status"}, o, {}, std::chrono::seconds(120));
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("107"), std::string::npos) << r.out;
  }

  SimInstalado sim(prefixo, raiz.File("sim/"));
  ASSERT_FALSE(sim.Config().empty()) << "the installed sefaz-sim did not start";
  int numero = 2001;
  auto emitir = [&](const std::string& programa, const std::string& nome, ProcessOptions opcoes) {
    SCOPED_TRACE(nome);
    const std::string pastaXml = raiz.File("xml-" + nome + "/");
    const ProcessResult r =
        RunProcess({programa, sim.Config(), VendaNumero(raiz, numero++), pastaXml}, opcoes);
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    ConfereEmissao(r.out, pastaXml);
  };

  // find_package(QuorvantNFe): the shared library, then the static one with its private dependencies.
  for (const std::string estatico : {"OFF", "ON"}) {
    const std::string build = raiz.File("cmake-" + estatico + "/");
    Executar({cmake, "-S", kConsumidores + "cmake", "-B", build, "-DCMAKE_PREFIX_PATH=" + prefixo,
              "-DCMAKE_CXX_COMPILER=" QVX_CXX_COMPILER, "-DCONSUMIDOR_ESTATICO=" + estatico,
              "-DCMAKE_CXX_FLAGS=" + kSanitizadores, "-DCMAKE_EXE_LINKER_FLAGS=" + kSanitizadores});
    Executar({cmake, "--build", build});
    // A program outside the prefix that carries the static library knows only the prefix this build was
    // configured for, not the one given to --install: it names the data folder (docs/installing.md).
    emitir(build + "emitir", "cmake-" + estatico,
           estatico == "ON" ? ComProgramHome(prefixo + QVX_INSTALL_DATADIR) : SemProgramHome());
  }

  // pkg-config --cflags --libs quorvant-nfe, and a C program on the C interface; the run path names the
  // prefix's library folder as a program installed beside a library outside the system's folders does.
  const std::string pcDir = prefixo + QVX_INSTALL_LIBDIR "/pkgconfig";
  const ProcessResult flags = RunProcess({pkgConfig, "--cflags", "--libs", "quorvant-nfe"},
                                         SemProgramHome({{"PKG_CONFIG_PATH", pcDir}}));
  ASSERT_EQ(flags.exitCode, 0) << flags.err;
  const std::string programa = raiz.File("emitir-c");
  std::vector<std::string> cc = {QVX_C_COMPILER, kConsumidores + "pkgconfig/emitir.c", "-o", programa,
                                 "-Wl,-rpath," + prefixo + QVX_INSTALL_LIBDIR};
  if (!kSanitizadores.empty())
    cc.push_back(kSanitizadores);
  std::istringstream palavras(flags.out);
  for (std::string w; palavras >> w;)
    cc.push_back(w);
  Executar(cc);
  emitir(programa, "pkg-config", SemProgramHome());
}

} // namespace
} // namespace vxn::test
