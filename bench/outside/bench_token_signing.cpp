// Cost of the enveloped signature of a 10-item NF-e (SignXmlById) with the key on a token, reached
// through the SoftHSM2 PKCS#11 module, beside the same signature with the same key in a PKCS#12 file. The
// closing line reports the ratio: what going through PKCS#11 (sessions, the module's own RSA) adds.
#include "../support/RsaBaseline.h"
#include "support/DevPki.h"
#include "support/SoftHsmToken.h"
#include "vxnFiles.h"
#include "vxnGovX.h"

#include <benchmark/benchmark.h>
#include <openssl/pem.h>
#include <openssl/pkcs12.h>

#include <cstdio>
#include <memory>
#include <stdexcept>

namespace {

const vxn::test::DevPki& Pki() {
  static const vxn::test::DevPki pki;
  return pki;
}

const char* const kId = "NFe35261211222333000181550010000001231123456780";

// The identity as PKCS#12 bytes (DER) protected by the password.
std::string Pkcs12Of(const vxn::dev::TvxnDevIdentity& id, const char* password) {
  BIO* kb = BIO_new_mem_buf(id.PrivateKeyPem.data(), static_cast<int>(id.PrivateKeyPem.size()));
  BIO* cb = BIO_new_mem_buf(id.CertificatePem.data(), static_cast<int>(id.CertificatePem.size()));
  EVP_PKEY* key = PEM_read_bio_PrivateKey(kb, nullptr, nullptr, nullptr);
  X509* cert = PEM_read_bio_X509(cb, nullptr, nullptr, nullptr);
  PKCS12* p12 = key && cert ? PKCS12_create(password, "bench", key, cert, nullptr, 0, 0, 0, 0, 0) : nullptr;
  unsigned char* der = nullptr;
  const int len = p12 ? i2d_PKCS12(p12, &der) : -1;
  std::string out =
      len > 0 ? std::string(reinterpret_cast<const char*>(der), static_cast<std::size_t>(len)) : "";
  OPENSSL_free(der);
  PKCS12_free(p12);
  X509_free(cert);
  EVP_PKEY_free(key);
  BIO_free(cb);
  BIO_free(kb);
  if (out.empty())
    throw std::runtime_error("cannot make the PKCS#12 of the benchmark");
  return out;
}

// One holder: its key and certificate in a PKCS#12 file and in a SoftHSM2 token.
struct Holder {
  vxn::dev::TvxnDevIdentity identity = Pki().Authority().IssueClient({});
  std::string pkcs12 = Pki().Folder() + "bench-token.pfx";
  std::unique_ptr<vxn::test::SoftHsmToken> token;
  Holder() {
    vxn::WriteFileAtomic(pkcs12, Pkcs12Of(identity, "1234"));
    token = std::make_unique<vxn::test::SoftHsmToken>(identity);
  }
};

Holder& TheHolder() {
  static Holder h;
  return h;
}

void Sign(benchmark::State& state, bool onToken) {
  const std::string xml =
      vxn::ReadWholeFile(std::string(QVX_SOURCE_DIR) + "/tests/data/nfe-govx-10-itens-unsigned.xml");
  Holder& h = TheHolder();
  vxn::TvxnGovX gov;
  auto& s = gov.Get_SignerSettings();
  if (onToken) {
    s.CertificateKind = vxn::ckSmartCard;
    s.Pkcs11Module = vxn::test::SoftHsmToken::kModule;
    s.PinCode = vxn::test::SoftHsmToken::kPin;
  } else {
    s.CertificatePath = h.pkcs12;
    s.CertificatePassword = "1234";
  }
  s.ElementName = "infNFe";
  gov.SignXmlById(xml, kId); // opens the certificate (and logs in) once, as the library does
  for (auto _ : state)
    benchmark::DoNotOptimize(gov.SignXmlById(xml, kId));
}

void BM_SignNfe10Items_Pkcs12(benchmark::State& state) {
  Sign(state, false);
}
void BM_SignNfe10Items_SoftHsm2Token(benchmark::State& state) {
  Sign(state, true);
}

BENCHMARK(BM_SignNfe10Items_Pkcs12)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SignNfe10Items_SoftHsm2Token)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  vxn::bench::RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  const char* const token = "BM_SignNfe10Items_SoftHsm2Token";
  const char* const file = "BM_SignNfe10Items_Pkcs12";
  if (reporter.Cpu(token) > 0 && reporter.Cpu(file) > 0)
    std::printf("signing of a 10-item NF-e, key in SoftHSM2 / key in PKCS#12: CPU %.1f us / %.1f us = %.2f, "
                "wall %.1f us / %.1f us = %.2f\n",
                reporter.Cpu(token) * 1e6, reporter.Cpu(file) * 1e6, reporter.Cpu(token) / reporter.Cpu(file),
                reporter.Real(token) * 1e6, reporter.Real(file) * 1e6,
                reporter.Real(token) / reporter.Real(file));
  return 0;
}
