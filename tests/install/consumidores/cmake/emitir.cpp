// Issues the documents of a command text with the component configured by an INI file:
//   emitir CONFIG.ini TEXTO.txt PASTA_XML_DESTINATARIO
// Prints the reply of the authority and, on the last line, the distribution XML written.
#include "vxnNFe.h"
#include "vxnNFeEsquemaPadrao.h"
#include "vxnNFeException.h"

#include <fstream>
#include <iostream>
#include <sstream>

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: emitir CONFIG.ini TEXTO.txt PASTA_XML_DESTINATARIO\n";
    return 2;
  }
  try {
    vxn::TvxnNFe nfe;
    nfe.LoadConfig(argv[1]);
    nfe.SetDiretorioXmlDestinatario(argv[3]);
    std::string distribuicao;
    nfe.SetOnXmlDestinatario([&](const std::string& arquivo) { distribuicao = arquivo; });
    std::ifstream arquivo(argv[2], std::ios::binary);
    std::stringstream texto;
    texto << arquivo.rdbuf();
    const std::string xml = nfe.ConverterLoteParaXml(
        texto.str(), vxn::lkTXTDataSet, vxn::GetUltimoEsquemaDaVersaoManual(nfe.GetVersaoManual()), false);
    const std::string assinado = nfe.AssinarNota(xml);
    std::cout << nfe.EnviarNF("1", assinado, false) << "\n";
    std::cout << "distribuicao " << distribuicao << "\n";
    return 0;
  } catch (const vxn::EvxnException& e) {
    std::cerr << e.ClassName() << ": " << e.Message() << "\n";
    return 1;
  }
}
