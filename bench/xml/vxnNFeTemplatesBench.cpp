// Cost of building a request from the template store, against formatting a constant string: the
// store creates a template set and expands the namespace markers on every lookup, and this shows what
// that costs next to the formatting every request does anyway.
#include "vxnFormat.h"
#include "xml/vxnNFeTemplates.h"

#include <benchmark/benchmark.h>

namespace {

void BM_LoadTemplateStatusEnvelope(benchmark::State& state) {
  for (auto _ : state)
    benchmark::DoNotOptimize(vxn::TvxnNFeTemplates::LoadTemplate(vxn::vm60, "SP", "pedido_status.soap"));
}
BENCHMARK(BM_LoadTemplateStatusEnvelope);

void BM_LoadTemplateLastName(benchmark::State& state) {
  // The last name of the lookup table, with an upper-case name to lower.
  for (auto _ : state)
    benchmark::DoNotOptimize(vxn::TvxnNFeTemplates::LoadTemplate(vxn::vm60, "AN", "EVENTO_DOWNLOADNFE.SOAP"));
}
BENCHMARK(BM_LoadTemplateLastName);

void BM_FormatStatusRequest(benchmark::State& state) {
  const std::string text = vxn::TvxnNFeTemplates::LoadTemplate(vxn::vm60, "SP", "pedido_status.xml");
  for (auto _ : state)
    benchmark::DoNotOptimize(vxn::Format(text, {"2", "35"}));
}
BENCHMARK(BM_FormatStatusRequest);

} // namespace

BENCHMARK_MAIN();
