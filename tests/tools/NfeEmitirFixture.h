// What the emitir tests share: the examples, a fresh home folder, emitir's output read back into one
// block per document, and a local server with a configuration file that the nfe program is given.
#pragma once

#include "NfeProcess.h"
#include "sefaz-sim/SefazSim.h"
#include "support/SimOptions.h"
#include "support/TempDir.h"
#include "vxnFiles.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace vxn::test {

inline const std::string kComandos = std::string(QVX_SOURCE_DIR) + "/examples/venda-sp-mg-comandos.txt";
inline const std::string kPipe = std::string(QVX_SOURCE_DIR) + "/examples/venda-sp-mg-pipe.txt";
inline const std::string kChaveComandos = "35261211222333000181550010000010011730155823";
inline const std::string kChavePipe = "35261211222333000181550010000010021482139065";

// One document's block of emitir's output.
struct Bloco {
  std::string origem, chave, status, protocolo, distribuicao, recibo;
};

inline std::vector<Bloco> Blocos(const std::string& out) {
  std::vector<Bloco> blocos;
  std::istringstream in(out);
  std::string linha;
  auto valor = [&linha] {
    return linha.substr(linha.find(':') + 1 + linha.substr(linha.find(':') + 1).find_first_not_of(' '));
  };
  while (std::getline(in, linha)) {
    if (!linha.starts_with("  ")) {
      blocos.push_back({linha, "", "", "", "", ""});
    } else if (!blocos.empty()) {
      if (linha.starts_with("  key:"))
        blocos.back().chave = valor();
      else if (linha.starts_with("  status:"))
        blocos.back().status = valor();
      else if (linha.starts_with("  protocol:"))
        blocos.back().protocolo = valor();
      else if (linha.starts_with("  distribution:"))
        blocos.back().distribuicao = valor();
      else if (linha.starts_with("  receipt:"))
        blocos.back().recibo = valor().substr(0, 15);
    }
  }
  return blocos;
}

class NfeToolEmitirWithConfig : public ::testing::Test {
protected:
  void SetUp() override {
    sim_.Start();
    files_ = sim_.WriteConfig(dir_.Path() + "sim");
    // Distribution XML in the test's own folder, not in the shared one beside the programs.
    AppendToFile("DiretorioXmlDestinatario=" + dir_.Path() + "dest/\r\n", files_.ConfigFile);
  }
  NfeRunResult Nfe(std::vector<std::string> args) {
    args.insert(args.begin(), {"--config", files_.ConfigFile});
    return RunNfe(args, InHome(dir_));
  }
  std::size_t Recebidas(const std::string& raiz) const {
    std::size_t n = 0;
    for (const auto& m : sim_.ReceivedMessages())
      n += m.starts_with("<" + raiz);
    return n;
  }
  test::TempDir dir_;
  sim::TSefazSim sim_{test::SimOptions()};
  sim::TSefazSimConfigFiles files_;
};

} // namespace vxn::test
