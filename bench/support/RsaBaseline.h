// What the signing benchmarks share: the raw RSA-2048 SHA-1 signature they are measured against and the
// console reporter that keeps each benchmark's time per iteration for the closing ratio line.
#pragma once

#include "support/DevPki.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include <cstddef>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace vxn::bench {

// Runs the benchmark loop of one raw RSA-2048 SHA-1 signature with a client key of the development CA;
// the message is the size of a canonical SignedInfo.
inline void RunRawRsa2048Sha1(benchmark::State& state, const vxn::test::DevPki& pki) {
  static const vxn::dev::TvxnDevIdentity id = pki.Authority().IssueClient({});
  BIO* bio = BIO_new_mem_buf(id.PrivateKeyPem.data(), static_cast<int>(id.PrivateKeyPem.size()));
  std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(
      PEM_read_bio_PrivateKey(bio, nullptr, nullptr, nullptr), EVP_PKEY_free);
  BIO_free(bio);
  const std::string message(720, 'x');
  unsigned char sig[512];
  for (auto _ : state) {
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    std::size_t len = sizeof sig;
    EVP_DigestSignInit(ctx.get(), nullptr, EVP_sha1(), nullptr, key.get());
    EVP_DigestSign(ctx.get(), sig, &len, reinterpret_cast<const unsigned char*>(message.data()),
                   message.size());
    benchmark::DoNotOptimize(sig);
  }
}

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

// Runs the registered benchmarks, then prints one line: the CPU and wall time of one unit of the
// benchmark `name` (an iteration holds `unidades` units) against the benchmark `raw` (one raw
// signature), as a ratio with its goal.
inline int RunWithRatio(int argc, char** argv, const char* name, double unidades, const char* raw,
                        const char* what, double goal) {
  benchmark::Initialize(&argc, argv);
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  const double cpu = reporter.Cpu(name) / unidades;
  const double real = reporter.Real(name) / unidades;
  if (cpu > 0 && reporter.Cpu(raw) > 0)
    std::printf("%s / raw RSA-2048 signature: CPU %.1f us / %.1f us = %.2f, wall %.1f us / %.1f us = %.2f "
                "(goal <= %g)\n",
                what, cpu * 1e6, reporter.Cpu(raw) * 1e6, cpu / reporter.Cpu(raw), real * 1e6,
                reporter.Real(raw) * 1e6, real / reporter.Real(raw), goal);
  return 0;
}

} // namespace vxn::bench
