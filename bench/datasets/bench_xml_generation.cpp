// Documents per second for fill + store of a 10-item document, the store now building the document's
// XML into LoteNFe; and the XML generation alone on a stored document, for comparison.
#include "support/NFeDocumentFiller.h"

#include <benchmark/benchmark.h>

namespace {

void BM_FillAndStoreWithXml(benchmark::State& state) {
  vxn::TvxnNFeDataSets ds;
  ds.SetXMLDicionario(vxn::test::ShippedDictionary());
  int nNF = 1;
  std::size_t bytes = 0;
  for (auto _ : state) {
    vxn::test::FillDocument(ds, nNF++, 10);
    ds.Salvar();
    bytes = ds.GetLoteNFe()[0].size();
    ds.GetLoteNFe().Clear();
  }
  state.counters["xml_bytes"] = static_cast<double>(bytes);
  state.counters["docs_per_s"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FillAndStoreWithXml)->Unit(benchmark::kMicrosecond);

void BM_ConverterAutoTenItems(benchmark::State& state) {
  vxn::TvxnNFeDataSets ds;
  ds.SetXMLDicionario(vxn::test::ShippedDictionary());
  vxn::test::FillDocument(ds, 1, 10);
  ds.Salvar();
  for (auto _ : state)
    benchmark::DoNotOptimize(ds.DataSet().ConverterAuto());
  state.counters["docs_per_s"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ConverterAutoTenItems)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
