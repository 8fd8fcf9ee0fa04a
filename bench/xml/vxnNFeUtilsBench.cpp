// Cost of the key functions next to their bare arithmetic, and of the plain-text tag lookup next to a
// bare search over the same text: the ratios show what the checks and the namespace clean-up add.
#include "xml/vxnNFeUtils.h"

#include <benchmark/benchmark.h>
#include <string>

namespace {

using namespace vxn;

constexpr const char* kChave = "35240512345678000195550010000001231012345676";

void BM_Modulo11Only(benchmark::State& state) {
  for (auto _ : state)
    benchmark::DoNotOptimize(CalculaDigitoModulo11("3524051234567800019555001000000123101234567"));
}
BENCHMARK(BM_Modulo11Only);

void BM_CalculaChave(benchmark::State& state) {
  for (auto _ : state)
    benchmark::DoNotOptimize(
        CalculaChave("2024-05-10T10:00:00-03:00", "35", "12345678000195", "55", "1", "123", "1", "1234567"));
}
BENCHMARK(BM_CalculaChave);

void BM_ValidaAutenticidadeDV(benchmark::State& state) {
  for (auto _ : state)
    benchmark::DoNotOptimize(ValidaAutenticidadeDV(kChave, vm60));
}
BENCHMARK(BM_ValidaAutenticidadeDV);

// A reply of about `items` protocols, each in the NF-e namespace, with the wanted element at the end.
std::string Resposta(int items) {
  std::string xml = "<retConsReciNFe xmlns=\"http://www.portalfiscal.inf.br/nfe\" versao=\"4.00\">";
  for (int i = 0; i < items; ++i)
    xml += "<protNFe xmlns=\"http://www.portalfiscal.inf.br/nfe\"><infProt><tpAmb>2</tpAmb><chNFe>" +
           std::string(kChave) +
           "</chNFe><cStat>100</cStat><xMotivo>Autorizado o uso da NF-e</xMotivo>"
           "</infProt></protNFe>";
  return xml + "<nRec>351000012345678</nRec></retConsReciNFe>";
}

void BM_GetValueTag(benchmark::State& state) {
  std::string xml = Resposta(static_cast<int>(state.range(0)));
  for (auto _ : state)
    benchmark::DoNotOptimize(GetValueTag("nRec", xml));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(xml.size()));
}
BENCHMARK(BM_GetValueTag)->Arg(10)->Arg(1000);

void BM_BareFind(benchmark::State& state) {
  std::string xml = Resposta(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    std::size_t s = xml.find("<nRec>");
    std::size_t e = xml.find("</nRec>");
    benchmark::DoNotOptimize(xml.substr(s + 6, e - s - 6));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(xml.size()));
}
BENCHMARK(BM_BareFind)->Arg(10)->Arg(1000);

} // namespace

BENCHMARK_MAIN();
