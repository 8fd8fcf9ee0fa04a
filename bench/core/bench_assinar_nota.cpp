// Cost per document of AssinarNota on a lot of 50 distinct 10-item NF-e built by the input dataset (count,
// certificate check, accent removal and escaping, key check, CSRT hash, business rules, enveloped signature,
// clean-up) against the raw RSA-2048 SHA-1 signature of the same kind of key, in the same run. The closing
// line reports the ratio; the goal is at most 2.
#include "../support/RsaBaseline.h"
#include "support/DevPki.h"
#include "support/NFeLoteFixture.h"
#include "support/TempDir.h"
#include "vxnNFe.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kNotas = 50;

const vxn::test::DevPki& Pki() {
  static const vxn::test::DevPki pki;
  return pki;
}

void BM_AssinarNota_Lote50(benchmark::State& state) {
  vxn::test::TempDir home;
  ::setenv("QUORVANT_NFE_HOME", home.Path().c_str(), 1);
  const std::string lote = vxn::test::LoteDoDataSet(kNotas, true);
  vxn::TvxnNFe nfe;
  nfe.SetCaminhoCertificado(Pki().ValidClientFile());
  nfe.SetSenhaCertificado("1234");
  nfe.SetIdCSRT("01");
  nfe.SetCSRT("G8063VRTNDMO886SFNK5LDUDEI24XJ22YIPO");
  benchmark::DoNotOptimize(nfe.AssinarNota(lote)); // opens the certificate once
  for (auto _ : state)
    benchmark::DoNotOptimize(nfe.AssinarNota(lote));
  state.SetItemsProcessed(state.iterations() * kNotas);
  ::unsetenv("QUORVANT_NFE_HOME");
}

void BM_RawRsa2048Sha1(benchmark::State& state) {
  vxn::bench::RunRawRsa2048Sha1(state, Pki());
  state.SetItemsProcessed(state.iterations());
}

BENCHMARK(BM_AssinarNota_Lote50)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RawRsa2048Sha1)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  vxn::bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  // CPU time is the fairer measure on a shared machine; wall time is shown too.
  const char* const lote = "BM_AssinarNota_Lote50";
  const char* const raw = "BM_RawRsa2048Sha1";
  const double cpuNota = reporter.Cpu(lote) / kNotas;
  const double realNota = reporter.Real(lote) / kNotas;
  if (cpuNota > 0 && reporter.Cpu(raw) > 0)
    std::printf(
        "AssinarNota per document of a 50-document lot / raw RSA-2048 signature: CPU %.1f us / %.1f us "
        "= %.2f, wall %.1f us / %.1f us = %.2f (goal <= 2)\n",
        cpuNota * 1e6, reporter.Cpu(raw) * 1e6, cpuNota / reporter.Cpu(raw), realNota * 1e6,
        reporter.Real(raw) * 1e6, realNota / reporter.Real(raw));
  return 0;
}
