#include "vxnOpenSsl.h"

#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/provider.h>

#include <ctime>
#include <mutex>

namespace vxn::outside {

void EnsureOpenSslProviders() {
  static std::once_flag once;
  std::call_once(once, [] {
    // Loading any provider explicitly turns off the implicit default one, so both are loaded. They stay
    // loaded for the life of the process, like OpenSSL's own defaults.
    OSSL_PROVIDER_load(nullptr, "default");
    OSSL_PROVIDER_load(nullptr, "legacy");
    ERR_clear_error();
  });
}

std::string OpenSslErrors() {
  std::string out;
  while (unsigned long e = ERR_get_error()) {
    char buf[256];
    ERR_error_string_n(e, buf, sizeof buf);
    if (!out.empty())
      out += "; ";
    out += buf;
  }
  return out;
}

static std::string BioText(BIO* bio) {
  char* data = nullptr;
  long len = BIO_get_mem_data(bio, &data);
  return std::string(data, static_cast<std::size_t>(len));
}

std::string ToPem(X509* cert) {
  BioPtr bio(BIO_new(BIO_s_mem()));
  PEM_write_bio_X509(bio.get(), cert);
  return BioText(bio.get());
}

std::string ToPem(EVP_PKEY* key) {
  BioPtr bio(BIO_new(BIO_s_mem()));
  PEM_write_bio_PrivateKey(bio.get(), key, nullptr, nullptr, 0, nullptr, nullptr);
  return BioText(bio.get());
}

X509Ptr X509FromPem(std::string_view pem) {
  BioPtr bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
  return X509Ptr(PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr));
}

EvpPkeyPtr KeyFromPem(std::string_view pem) {
  BioPtr bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
  return EvpPkeyPtr(PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, nullptr));
}

std::chrono::system_clock::time_point ToTimePoint(const ASN1_TIME* t) {
  std::tm tm{};
  if (!t || ASN1_TIME_to_tm(t, &tm) != 1)
    return {};
  return std::chrono::system_clock::from_time_t(timegm(&tm));
}

std::string SubjectLine(X509* cert) {
  BioPtr bio(BIO_new(BIO_s_mem()));
  X509_NAME_print_ex(bio.get(), X509_get_subject_name(cert), 0, XN_FLAG_RFC2253 & ~ASN1_STRFLGS_ESC_MSB);
  return BioText(bio.get());
}

std::string CommonName(X509* cert) {
  X509_NAME* name = X509_get_subject_name(cert);
  int idx = X509_NAME_get_index_by_NID(name, NID_commonName, -1);
  if (idx < 0)
    return {};
  ASN1_STRING* data = X509_NAME_ENTRY_get_data(X509_NAME_get_entry(name, idx));
  unsigned char* utf8 = nullptr;
  int len = ASN1_STRING_to_UTF8(&utf8, data);
  if (len < 0)
    return {};
  std::string out(reinterpret_cast<char*>(utf8), static_cast<std::size_t>(len));
  OPENSSL_free(utf8);
  return out;
}

std::string FormatDateTime(std::chrono::system_clock::time_point t) {
  std::time_t tt = std::chrono::system_clock::to_time_t(t);
  std::tm tm{};
  gmtime_r(&tt, &tm);
  char buf[32];
  std::strftime(buf, sizeof buf, "%d/%m/%Y %H:%M:%S", &tm);
  return buf;
}

} // namespace vxn::outside
