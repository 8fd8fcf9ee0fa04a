// The DANFE print data of a 50-item authorised document (goal: at most 1 ms), beside the libxml2 tree
// parse of the same text on the same machine as the baseline the ratio is taken against.
#include "danfe/vxnNFeDanfeDados.h"
#include "vxnFiles.h"
#include "vxnXmlParser.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

// The 10-item test document with its items repeated to 50 and a protocol of its key.
std::string Documento50Itens() {
  const std::string nfe = vxn::ReadWholeFile(QVX_SOURCE_DIR "/tests/data/nfe-10-itens-v4.00.xml");
  const std::size_t inicio = nfe.find("<det ");
  const std::size_t fim = nfe.rfind("</det>") + 6;
  const std::string dets = nfe.substr(inicio, fim - inicio);
  std::string itens;
  for (int vez = 0; vez < 5; ++vez)
    itens += dets;
  // Items numbered 1..50 again.
  std::string numerados;
  int n = 0;
  std::size_t pos = 0;
  for (std::size_t p; (p = itens.find("nItem=\"", pos)) != std::string::npos;) {
    const std::size_t aspas = itens.find('"', p + 7);
    numerados += itens.substr(pos, p + 7 - pos) + std::to_string(++n);
    pos = aspas;
  }
  numerados += itens.substr(pos);
  std::string xml = nfe.substr(0, inicio) + numerados + nfe.substr(fim);
  const std::size_t id = xml.find("Id=\"NFe");
  const std::string chave = xml.substr(id + 7, 44);
  const std::size_t decl = xml.find("?>");
  if (xml.starts_with("<?xml"))
    xml.erase(0, decl + 2);
  return "<nfeProc xmlns=\"http://www.portalfiscal.inf.br/nfe\" versao=\"4.00\">" + xml +
         "<protNFe versao=\"4.00\"><infProt><tpAmb>2</tpAmb><verAplic>SIM</verAplic><chNFe>" + chave +
         "</chNFe><dhRecbto>2026-12-06T10:00:00-03:00</dhRecbto><nProt>135260000000001</nProt>"
         "<digVal>x</digVal><cStat>100</cStat><xMotivo>Autorizado o uso da NF-e</xMotivo></infProt></protNFe>"
         "</nfeProc>";
}

void BM_DanfeDados50Itens(benchmark::State& state) {
  const std::string xml = Documento50Itens();
  auto dados = vxn::CriarNFeDanfeDados(vxn::vm60);
  dados->SetXml(xml);
  dados->SetImprimirDuplicata(true);
  dados->SetMensagemFCP(true);
  for (auto _ : state)
    dados->PopulaDataSet();
  state.counters["itens"] = static_cast<double>(dados->GetDataSourceItens().StoredRecordCount());
  state.counters["bytes"] = static_cast<double>(xml.size());
}
BENCHMARK(BM_DanfeDados50Itens)->Unit(benchmark::kMicrosecond);

void BM_ParseLibxml2Tree50Itens(benchmark::State& state) {
  const std::string xml = Documento50Itens();
  for (auto _ : state)
    benchmark::DoNotOptimize(vxn::outside::ParseXml(xml, false));
}
BENCHMARK(BM_ParseLibxml2Tree50Itens)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
