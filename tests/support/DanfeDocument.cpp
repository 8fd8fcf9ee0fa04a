#include "support/DanfeDocument.h"

#include "vxnFiles.h"

#include <vector>

namespace vxn::test {

namespace {
std::string Fonte() {
  return ReadWholeFile(std::string(QVX_SOURCE_DIR) + "/tests/data/nfe-10-itens-v4.00.xml");
}
} // namespace

std::string DanfeDocumentKey() {
  const std::string nfe = Fonte();
  return nfe.substr(nfe.find("Id=\"NFe") + 7, 44);
}

std::string AuthorisedDanfeDocument(int items) {
  const std::string nfe = Fonte();
  const std::size_t inicio = nfe.find("<det ");
  const std::size_t fim = nfe.rfind("</det>") + 6;
  std::vector<std::string> dets;
  for (std::size_t p = inicio; p != std::string::npos && p < fim;) {
    const std::size_t f = nfe.find("</det>", p) + 6;
    dets.push_back(nfe.substr(p, f - p));
    p = nfe.find("<det ", f);
  }
  std::string corpo;
  for (int i = 0; i < items; ++i) {
    std::string d = dets[static_cast<std::size_t>(i) % dets.size()];
    const std::size_t a = d.find("nItem=\"") + 7;
    d.replace(a, d.find('"', a) - a, std::to_string(i + 1));
    corpo += d;
  }
  std::string xml = nfe.substr(0, inicio) + corpo + nfe.substr(fim);
  if (xml.starts_with("<?xml"))
    xml.erase(0, xml.find("?>") + 2);
  return "<nfeProc xmlns=\"http://www.portalfiscal.inf.br/nfe\" versao=\"4.00\">" + xml +
         "<protNFe versao=\"4.00\"><infProt><tpAmb>2</tpAmb><verAplic>SIM</verAplic><chNFe>" +
         DanfeDocumentKey() +
         "</chNFe><dhRecbto>2026-12-06T10:00:00-03:00</dhRecbto><nProt>135260000000001</nProt>"
         "<digVal>x</digVal><cStat>100</cStat><xMotivo>Autorizado o uso da NF-e</xMotivo></infProt></protNFe>"
         "</nfeProc>";
}

} // namespace vxn::test
