// Cost of one enveloped signature of a 10-item NF-e (SignXmlById: parse, digest, RSA-SHA1, serialise)
// against the raw RSA-2048 SHA-1 signature of the same key on the same machine in the same run. The
// closing line reports the ratio; the goal is at most 1.5.
#include "../support/RsaBaseline.h"
#include "support/DevPki.h"
#include "vxnFiles.h"
#include "vxnGovX.h"

#include <benchmark/benchmark.h>

#include <cstdio>

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
  vxn::bench::RunRawRsa2048Sha1(state, Pki());
}

BENCHMARK(BM_SignXmlById_Nfe10Items)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_RawRsa2048Sha1)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  vxn::bench::RatioReporter reporter;
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
