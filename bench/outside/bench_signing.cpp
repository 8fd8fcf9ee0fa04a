// Cost of one enveloped signature of a 10-item NF-e (SignXmlById: parse, digest, RSA-SHA1, serialise)
// against the raw RSA-2048 SHA-1 signature of the same key on the same machine in the same run. The
// closing line reports the ratio; the goal is at most 1.5.
#include "support/DevPki.h"
#include "vxnFiles.h"
#include "vxnGovX.h"

#include <benchmark/benchmark.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include <cstdio>
#include <map>
#include <memory>
#include <set>

namespace {

const vxn::test::DevPki& Pki() {
  static const vxn::test::DevPki pki;
  return pki;
}

const char* const kId = "NFe35261211222333000181550010000001231123456780";

void BM_SignXmlById_Nfe10Items(benchmark::State& state) {
  const std::string xml =
      vxn::ReadWholeFile(std::string(QVX_SOURCE_DIR) + "/tests/data/nfe-govx-10-itens-unsigned.xml");
  vxn::TvxnGovX gov;
  auto& s = gov.Get_SignerSettings();
  s.CertificatePath = Pki().ValidClientFile();
  s.CertificatePassword = "1234";
  s.ElementName = "infNFe";
  gov.SignXmlById(xml, kId); // opens the certificate once, as the library does per configuration
  for (auto _ : state)
    benchmark::DoNotOptimize(gov.SignXmlById(xml, kId));
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
}

BENCHMARK(BM_SignXmlById_Nfe10Items)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RawRsa2048Sha1)->Unit(benchmark::kMicrosecond);

// Keeps the time per iteration of each benchmark for the closing ratio.
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
  static double Of(const std::map<std::string, double>& m, const std::string& name) {
    auto it = m.find(name);
    return it == m.end() ? 0.0 : it->second;
  }
  double Real(const std::string& name) const { return Of(real_, name); }
  double Cpu(const std::string& name) const { return Of(cpu_, name); }

private:
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
  const char* const sign = "BM_SignXmlById_Nfe10Items";
  const char* const raw = "BM_RawRsa2048Sha1";
  if (reporter.Cpu(sign) > 0 && reporter.Cpu(raw) > 0)
    std::printf("signing of a 10-item NF-e / raw RSA-2048 signature: CPU %.1f us / %.1f us = %.2f, "
                "wall %.1f us / %.1f us = %.2f (goal <= 1.5)\n",
                reporter.Cpu(sign) * 1e6, reporter.Cpu(raw) * 1e6, reporter.Cpu(sign) / reporter.Cpu(raw),
                reporter.Real(sign) * 1e6, reporter.Real(raw) * 1e6,
                reporter.Real(sign) / reporter.Real(raw));
  return 0;
}
