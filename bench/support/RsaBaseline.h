// What the signing benchmarks share: the raw RSA-2048 SHA-1 signature they are measured against and the
// console reporter that keeps each benchmark's time per iteration for the closing ratio line.
#pragma once

#include "support/DevPki.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include <cstddef>
#include <ctime>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace vxn::bench {

// One raw RSA-2048 SHA-1 signature with a client key of the development CA, the message the size of a
// canonical SignedInfo: the unit the signing benchmarks are measured against.
class TRawRsa2048Sha1 {
public:
  explicit TRawRsa2048Sha1(const vxn::test::DevPki& pki) : key_(nullptr, EVP_PKEY_free) {
    static const vxn::dev::TvxnDevIdentity id = pki.Authority().IssueClient({});
    BIO* bio = BIO_new_mem_buf(id.PrivateKeyPem.data(), static_cast<int>(id.PrivateKeyPem.size()));
    key_.reset(PEM_read_bio_PrivateKey(bio, nullptr, nullptr, nullptr));
    BIO_free(bio);
  }

  void Sign() {
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    std::size_t len = sizeof sig_;
    EVP_DigestSignInit(ctx.get(), nullptr, EVP_sha1(), nullptr, key_.get());
    EVP_DigestSign(ctx.get(), sig_, &len, reinterpret_cast<const unsigned char*>(message_.data()),
                   message_.size());
    benchmark::DoNotOptimize(sig_);
  }

private:
  std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key_;
  const std::string message_ = std::string(720, 'x');
  unsigned char sig_[512];
};

// Runs the benchmark loop of one raw RSA-2048 SHA-1 signature.
inline void RunRawRsa2048Sha1(benchmark::State& state, const vxn::test::DevPki& pki) {
  TRawRsa2048Sha1 raw(pki);
  for (auto _ : state)
    raw.Sign();
}

// The CPU time of the whole process so far, every thread counted (as MeasureProcessCPUTime counts).
inline double ProcessCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// The process CPU time of one raw signature, averaged over `count` made one after the other.
inline double RawRsaCpuPerSignature(TRawRsa2048Sha1& raw, int count) {
  const double start = ProcessCpuSeconds();
  for (int i = 0; i < count; ++i)
    raw.Sign();
  return (ProcessCpuSeconds() - start) / count;
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
        counters_[name] = r.counters;
        medians_.insert(name);
      } else if (r.run_type == Run::RT_Iteration && r.iterations > 0 && !medians_.count(name)) {
        real_[name] = r.real_accumulated_time / static_cast<double>(r.iterations);
        cpu_[name] = r.cpu_accumulated_time / static_cast<double>(r.iterations);
        counters_[name] = r.counters;
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }
  double Real(const std::string& name) const { return Of(real_, name); }
  double Cpu(const std::string& name) const { return Of(cpu_, name); }
  // A user counter of the benchmark, as Real and Cpu (0 when it has none of that name).
  double Counter(const std::string& name, const std::string& counter) const {
    auto it = counters_.find(name);
    if (it == counters_.end())
      return 0.0;
    auto c = it->second.find(counter);
    return c == it->second.end() ? 0.0 : c->second.value;
  }

private:
  static double Of(const std::map<std::string, double>& m, const std::string& name) {
    auto it = m.find(name);
    return it == m.end() ? 0.0 : it->second;
  }
  std::map<std::string, double> real_;
  std::map<std::string, double> cpu_;
  std::map<std::string, benchmark::UserCounters> counters_;
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
