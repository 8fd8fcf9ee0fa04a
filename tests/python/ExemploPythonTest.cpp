// The Python module (bindings/python, ctypes on the C interface) as its users run it: the example that
// issues the example sale against a sefaz-sim program started by hand, and a failure of the component
// arriving in Python as ErroNfe with its class and its (accented) message.
#include "support/Process.h"
#include "support/TempDir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <csignal>
#include <regex>

namespace vxn::test {
namespace {

using ::testing::HasSubstr;

const std::string kPython = "/usr/bin/python3";
const std::string kModulo = std::string(QVX_SOURCE_DIR) + "/bindings/python";

ProcessOptions ComBiblioteca() {
  ProcessOptions o;
  o.env = {
      {"QUORVANT_NFE_LIB", QVX_SHARED_LIBRARY}, {"PYTHONPATH", kModulo}, {"PYTHONDONTWRITEBYTECODE", "1"}};
#ifdef QVX_ASAN_RUNTIME
  // A sanitized library needs its runtime loaded before anything else; the interpreter's own memory at
  // exit is not the library's to free.
  o.env["LD_PRELOAD"] = QVX_ASAN_RUNTIME;
  o.env["ASAN_OPTIONS"] = "detect_leaks=0";
#endif
  return o;
}

std::string Linha(const std::string& saida, const std::string& nome) {
  std::smatch m;
  return std::regex_search(saida, m, std::regex("(^|\n)" + nome + " ([^\n]*)")) ? std::string(m[2]) : "";
}

TEST(ExemploPython, EmiteAVendaDeExemploNoServidorLocal) {
  TempDir pasta;
  ChildProcess sim(
      {std::string(QVX_BIN_DIR) + "/sefaz-sim", "--port", "0", "--write-config", pasta.Path(), "--quiet"});
  std::string config;
  for (std::string l = sim.ReadLine(); !l.empty() && !l.starts_with("state "); l = sim.ReadLine())
    if (l.starts_with("config "))
      config = l.substr(7);
  ASSERT_FALSE(config.empty()) << "sefaz-sim did not start";

  const std::string pastaXml = pasta.File("xml/");
  const ProcessResult r =
      RunProcess({kPython, kModulo + "/exemplos/emitir_venda.py", config,
                  std::string(QVX_SOURCE_DIR) + "/examples/venda-sp-mg-comandos.txt", pastaXml},
                 ComBiblioteca());
  sim.Stop(SIGTERM);
  ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
  EXPECT_EQ(Linha(r.out, "status"), "100 Autorizado o uso da NF-e") << r.out;
  const std::string chave = Linha(r.out, "chave");
  EXPECT_EQ(chave.size(), 44u) << r.out;
  const std::string distribuicao = Linha(r.out, "distribuicao");
  EXPECT_EQ(distribuicao, pastaXml + chave + "-nfe.xml");
  EXPECT_THAT(ReadFileOrEmpty(distribuicao), HasSubstr("<nProt>" + Linha(r.out, "protocolo") + "</nProt>"));
  EXPECT_TRUE(ReadFileOrEmpty(Linha(r.out, "danfe")).starts_with("%PDF-")) << r.out;
}

TEST(ExemploPython, FalhaDoComponenteChegaComoErroNfeComClasseEMensagem) {
  const std::string script = "from quorvant_nfe import Nfe, ErroNfe\n"
                             "with Nfe() as nfe:\n"
                             "    try:\n"
                             "        nfe['UF'] = 'XX'\n"
                             "    except ErroNfe as e:\n"
                             "        print(e.codigo, e.classe, e.mensagem, sep='|')\n"
                             "    try:\n"
                             "        nfe['NaoExiste']\n"
                             "    except ErroNfe as e:\n"
                             "        print(e.codigo, e.classe, e.mensagem, sep='|')\n"
                             "    nfe['UF'] = 'mg'\n"
                             "    print(nfe['UF'])\n";
  const ProcessResult r = RunProcess({kPython, "-c", script}, ComBiblioteca());
  ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
  EXPECT_EQ(r.out, "2|EvxnCheckParams|a sigla da UF XX, é inválida.\n"
                   "1|qnfe_argumento|propriedade desconhecida: NaoExiste\n"
                   "MG\n");
}

} // namespace
} // namespace vxn::test
