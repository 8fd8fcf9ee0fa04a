// Documents per second through the host's path: Incluir, about 300 Campo assignments for a 10-item
// document, Salvar.
#include "support/NFeDocumentFiller.h"

#include <benchmark/benchmark.h>

namespace {

void BM_FillAndStoreTenItemDocument(benchmark::State& state) {
  vxn::TvxnNFeDataSets ds;
  ds.SetXMLDicionario(vxn::test::ShippedDictionary());
  int nNF = 1;
  int assignments = 0;
  for (auto _ : state) {
    assignments = vxn::test::FillDocument(ds, nNF++, 10);
    ds.Salvar();
  }
  state.counters["assignments_per_doc"] = assignments;
  state.counters["docs_per_s"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_FillAndStoreTenItemDocument)->Unit(benchmark::kMicrosecond);

void BM_LoadDictionary(benchmark::State& state) {
  vxn::TvxnNFeDataSets ds;
  for (auto _ : state)
    ds.SetXMLDicionario(vxn::test::ShippedDictionary());
}
BENCHMARK(BM_LoadDictionary)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
