#include "NFeLoteFixture.h"

#include "NFeDocumentFiller.h"
#include "datasets/vxnNFeDataSets.h"
#include "vxnFiles.h"
#include "vxnText.h"
#include "xml/vxnNFeAssinaturaUtils.h"
#include "xml/vxnNFeUtils.h"

#include <cstdio>
#include <stdexcept>

namespace vxn::test {
namespace {

const std::string& Modelo() {
  static const std::string xml =
      ReadWholeFile(std::string(QVX_SOURCE_DIR) + "/tests/data/nfe-govx-10-itens-unsigned.xml");
  return xml;
}

std::string Substituir(const std::string& xml, const std::string& de, const std::string& para) {
  const std::size_t pos = xml.find(de);
  if (pos == std::string::npos)
    throw std::runtime_error("modelo de NF-e sem " + de);
  std::string out = xml;
  out.replace(pos, de.size(), para);
  return out;
}

std::string CNF(int nNF) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%08d", 10000000 + nNF * 7919 % 89999999);
  return buf;
}

} // namespace

NotaOpcoes ComRespTec() {
  NotaOpcoes o;
  o.comRespTec = true;
  return o;
}

NotaOpcoes ComTpEmis(std::string tpEmis, std::string contingencia) {
  NotaOpcoes o;
  o.tpEmis = std::move(tpEmis);
  o.contingencia = std::move(contingencia);
  return o;
}

std::string ChaveDaNota(int nNF, std::string_view tpEmis) {
  return CalculaChave("2026-12-05T10:00:00-03:00", "35", "11222333000181", "55", "1", std::to_string(nNF),
                      tpEmis, CNF(nNF));
}

std::string NotaNaoAssinada(int nNF, const NotaOpcoes& opcoes) {
  const std::string chave = ChaveDaNota(nNF, opcoes.tpEmis);
  std::string xml = Modelo();
  if (const std::size_t decl = xml.find("<NFe"); decl != std::string::npos)
    xml.erase(0, decl);
  while (!xml.empty() && (xml.back() == '\n' || xml.back() == '\r'))
    xml.pop_back();
  xml = Substituir(xml, "Id=\"NFe35261211222333000181550010000001231123456780\"", "Id=\"NFe" + chave + "\"");
  xml = Substituir(xml, "<cNF>12345678</cNF>", "<cNF>" + CNF(nNF) + "</cNF>");
  xml = Substituir(xml, "<nNF>123</nNF>", "<nNF>" + std::to_string(nNF) + "</nNF>");
  xml = Substituir(xml, "<tpEmis>1</tpEmis>", "<tpEmis>" + opcoes.tpEmis + "</tpEmis>");
  xml = Substituir(xml, "<cDV>0</cDV>", "<cDV>" + chave.substr(43) + "</cDV>");
  if (!opcoes.contingencia.empty())
    xml = Substituir(xml, "</ide>", opcoes.contingencia + "</ide>");
  if (opcoes.comRespTec)
    xml = Substituir(xml, "</infNFe>",
                     "<infRespTec><CNPJ>99888777000161</CNPJ><xContato>RESPONSAVEL TECNICO</xContato>"
                     "<email>suporte@exemplo.com.br</email><fone>1133334444</fone></infRespTec></infNFe>");
  return xml;
}

std::string LoteNaoAssinado(int quantidade, const NotaOpcoes& opcoes) {
  std::string lote =
      "<enviNFe xmlns=\"http://www.portalfiscal.inf.br/nfe\" versao=\"4.00\"><idLote>1</idLote>"
      "<indSinc>0</indSinc>";
  for (int i = 1; i <= quantidade; ++i)
    lote += NotaNaoAssinada(i, opcoes);
  return lote + "</enviNFe>";
}

std::string LoteDoDataSet(int quantidade, bool comRespTec, std::vector<std::string>* chaves, int primeiro) {
  TvxnNFeDataSets ds;
  // The dictionary of the source tree: callers may point the program directory elsewhere.
  ds.SetXMLDicionario(std::string(QVX_SOURCE_DIR) + "/data/Templates/vm60/Conversor/NFeDataSets.xml");
  for (int n = primeiro; n < primeiro + quantidade; ++n) {
    FillDocument(ds, n, 10);
    if (comRespTec) {
      ds.Campo("CNPJ_ZD02").SetAsString("99888777000161");
      ds.Campo("xContato_ZD04").SetAsString("RESPONSAVEL TECNICO");
      ds.Campo("email_ZD05").SetAsString("suporte@exemplo.com.br");
      ds.Campo("fone_ZD06").SetAsString("1133334444");
    }
    ds.Salvar();
  }
  std::string lote =
      "<enviNFe xmlns=\"http://www.portalfiscal.inf.br/nfe\" versao=\"4.00\"><idLote>1</idLote>"
      "<indSinc>0</indSinc>";
  for (const std::string& infNFe : ds.GetLoteNFe()) {
    if (chaves)
      chaves->push_back(GetReferenceInfo(infNFe).substr(3));
    lote += "<NFe xmlns=\"http://www.portalfiscal.inf.br/nfe\">" + infNFe + "</NFe>";
  }
  if (ds.GetLoteNFe().Count() != static_cast<std::size_t>(quantidade))
    throw std::runtime_error("o dataset não gerou todas as notas do lote");
  return lote + "</enviNFe>";
}

} // namespace vxn::test
