// Smallest program that uses the library: loads a component configuration and asks the tax authority
// named in it whether its service is in operation.
//
//   status-servico CONFIG.ini
//
// With the local server: sefaz-sim --port 0 --write-config DIR, then status-servico DIR/nfeConfig.ini.
#include "vxnNFe.h"
#include "vxnNFeException.h"

#include <iostream>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: status-servico CONFIG.ini\n";
    return 2;
  }
  try {
    vxn::TvxnNFe nfe;
    nfe.SetOnLog([](const std::string& nome, const std::string&, const std::string& arquivo) {
      std::cerr << "log " << nome << ": " << arquivo << "\n";
    });
    nfe.LoadConfig(argv[1]);
    std::cout << nfe.StatusDoServico() << std::endl;
    return 0;
  } catch (const vxn::EvxnException& e) {
    std::cerr << e.ClassName() << ": " << e.Message() << "\n";
    return 1;
  }
}
