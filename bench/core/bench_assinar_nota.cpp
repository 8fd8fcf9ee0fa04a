// Cost per document of AssinarNota on a lot of 50 distinct 10-item NF-e built by the input dataset (count,
// certificate check, accent removal and escaping, key check, CSRT hash, business rules, enveloped signature,
// clean-up) against the raw RSA-2048 SHA-1 signature of the same kind of key, in the same run. The closing
// line reports the ratio; the goal is at most 2.
#include "support/DevPki.h"
#include "support/NFeLoteFixture.h"
#include "support/TempDir.h"
#include "vxnNFe.h"

#include <benchmark/benchmark.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <set>

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
  // The same kind of key; the message is the size of a canonical SignedInfo.
  static const vxn::dev::TvxnDevIdentity id = Pki().Authority().IssueClient({});
  BIO* bio = BIO_new_mem_buf(id.PrivateKeyPem.data(), static_cast<int>(id.PrivateKeyPem.size()));
  std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(
      PEM_read_bio_PrivateKey(bio, nullptr, nullptr, nullptr), EVP_PKEY_free);
  BIO_free(bio);
  const std::string message(720, 'x');
  unsigned char sig[512];
  for (auto _ : state) {
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    size_t len = sizeof sig;
    EVP_DigestSignInit(ctx.get(), nullptr, EVP_sha1(), nullptr, key.get());
    EVP_DigestSign(ctx.get(), sig, &len, reinterpret_cast<const unsigned char*>(message.data()),
                   message.size());
    benchmark::DoNotOptimize(sig);
  }
  state.SetItemsProcessed(state.iterations());
}

BENCHMARK(BM_AssinarNota_Lote50)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RawRsa2048Sha1)->Unit(benchmark::kMicrosecond);

// Keeps the CPU and wall time per iteration of each benchmark for the closing ratio.
class RatioReporter : public benchmark::ConsoleReporter {
public:
  void ReportRuns(const std::vector<Run>& runs) override {
    // With --benchmark_repetitions the median of the repetitions is kept; otherwise the single run.
    for (const auto& r : runs) {
      const std::string& name = r.run_name.function_name;
      if (r.run_type == Run::RT_Aggregate && r.aggregate_name == "median") {
        const double toSeconds = 1.0 / benchmark::GetTimeUnitMultiplier(r.time_unit);
        real_[name] = r.GetAdjustedRealTime() * toSeconds;
        cpu_[name] = r.GetAdjustedCPUTime() * toSeconds;
        medians_.insert(name);
      } else if (r.run_type == Run::RT_Iteration && r.iterations > 0 && !medians_.count(name)) {
        real_[name] = r.real_accumulated_time / static_cast<double>(r.iterations);
        cpu_[name] = r.cpu_accumulated_time / static_cast<double>(r.iterations);
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }
  double Real(const std::string& name) const { return Of(real_, name); }
  double Cpu(const std::string& name) const { return Of(cpu_, name); }

private:
  static double Of(const std::map<std::string, double>& m, const std::string& name) {
    auto it = m.find(name);
    return it == m.end() ? 0.0 : it->second;
  }
  std::map<std::string, double> real_;
  std::map<std::string, double> cpu_;
  std::set<std::string> medians_;
};

} // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
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
