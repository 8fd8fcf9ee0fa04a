#include "vxnCertificateStore.h"

#include "vxnFiles.h"
#include "vxnNFeException.h"
#include "vxnOpenSsl.h"
#include "vxnPaths.h"
#include "vxnPkcs11Token.h"

#include <openssl/err.h>
#include <openssl/pkcs12.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace vxn::outside {

namespace fs = std::filesystem;

namespace {

bool SameSettings(const TvxnCertificateSettings& a, const TvxnCertificateSettings& b) {
  return a.CertificateKind == b.CertificateKind && a.CertificatePath == b.CertificatePath &&
         a.CertificateName == b.CertificateName && a.CertificatePassword == b.CertificatePassword &&
         a.PinCode == b.PinCode && a.Pkcs11Module == b.Pkcs11Module;
}

std::string Upper(std::string_view s) {
  std::string out(s);
  std::transform(out.begin(), out.end(), out.begin(), [](unsigned char c) { return std::toupper(c); });
  return out;
}

// A name selects a certificate when it equals its common name or occurs in its subject (so the company
// name or the CNPJ alone will do), ignoring case.
bool NameMatches(X509* cert, std::string_view name) {
  std::string n = Upper(name);
  return Upper(CommonName(cert)) == n || Upper(SubjectLine(cert)).find(n) != std::string::npos;
}

bool IsPkcs12Name(const fs::path& p) {
  std::string ext = Upper(p.extension().string());
  return ext == ".PFX" || ext == ".P12";
}

} // namespace

void TvxnCertificateStore::Fail(std::string_view format, std::initializer_list<FormatArg> args) const {
  throw EvxnNFeCertificationException(format, args, logDir_);
}

std::string TvxnCertificateStore::StoreFolder(const TvxnCertificateSettings& s) {
  if (!s.CertificatePath.empty() && DirectoryExists(ExpandPath(s.CertificatePath)))
    return IncludeTrailingPathDelimiter(ExpandPath(s.CertificatePath));
  if (const char* env = std::getenv("QUORVANT_NFE_CERTS"); env && *env)
    return IncludeTrailingPathDelimiter(env);
  return ProgramDirectory() + "Certificados/";
}

std::shared_ptr<const TvxnLoadedCertificate>
TvxnCertificateStore::OpenFile(const std::string& path, const std::string& password, bool quiet) const {
  EnsureOpenSslProviders();
  std::string der;
  try {
    der = ReadWholeFile(path);
  } catch (const std::exception&) {
    if (quiet)
      return nullptr;
    Fail("Arquivo do certificado não encontrado: %s", {path});
  }
  const auto* p = reinterpret_cast<const unsigned char*>(der.data());
  Pkcs12Ptr p12(d2i_PKCS12(nullptr, &p, static_cast<long>(der.size())));
  if (!p12) {
    if (quiet)
      return nullptr;
    Fail("O arquivo %s não é um certificado PKCS#12 válido: %s", {path, OpenSslErrors()});
  }
  // An empty password may have been stored as no password at all: both are tried.
  const char* pass = password.c_str();
  if (!PKCS12_verify_mac(p12.get(), pass, -1)) {
    if (password.empty() && PKCS12_verify_mac(p12.get(), nullptr, 0))
      pass = nullptr;
    else {
      ERR_clear_error();
      if (quiet)
        return nullptr;
      Fail("Senha do certificado inválida para o arquivo %s", {path});
    }
  }
  EVP_PKEY* key = nullptr;
  X509* cert = nullptr;
  STACK_OF(X509)* chain = nullptr;
  if (!PKCS12_parse(p12.get(), pass, &key, &cert, &chain)) {
    if (quiet)
      return nullptr;
    Fail("Não foi possível abrir o certificado %s: %s", {path, OpenSslErrors()});
  }
  auto loaded = std::make_shared<TvxnLoadedCertificate>();
  loaded->PrivateKey.reset(key);
  loaded->Certificate.reset(cert);
  loaded->Chain.reset(chain ? chain : sk_X509_new_null());
  loaded->SourcePath = path;
  // Without a private key nothing marks the holder's certificate: it is the one that is not an authority.
  for (int i = 0; !cert && i < sk_X509_num(loaded->Chain.get()); ++i)
    if (X509_check_ca(sk_X509_value(loaded->Chain.get(), i)) == 0) {
      cert = sk_X509_delete(loaded->Chain.get(), i);
      loaded->Certificate.reset(cert);
    }
  if (!cert) {
    if (quiet)
      return nullptr;
    Fail("O arquivo %s não contém certificado", {path});
  }
  loaded->Name = CommonName(cert);
  return loaded;
}

std::vector<std::shared_ptr<const TvxnLoadedCertificate>>
TvxnCertificateStore::OpenFolder(const TvxnCertificateSettings& s) const {
  std::vector<std::shared_ptr<const TvxnLoadedCertificate>> out;
  std::string folder = StoreFolder(s);
  std::error_code ec;
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(folder, ec))
    if (entry.is_regular_file() && IsPkcs12Name(entry.path()))
      files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  for (const auto& f : files)
    if (auto c = OpenFile(f.string(), s.CertificatePassword, true))
      out.push_back(std::move(c));
  return out;
}

std::shared_ptr<const TvxnLoadedCertificate>
TvxnCertificateStore::Open(const TvxnCertificateSettings& s) const {
  if (s.CertificateKind == ckSmartCard)
    return OpenTokenCertificate(s, logDir_);
  if (s.CertificateKind == ckFile) {
    if (s.CertificatePath.empty())
      Fail("Caminho do certificado não informado", {});
    return OpenFile(ExpandPath(s.CertificatePath), s.CertificatePassword, false);
  }
  auto all = OpenFolder(s);
  if (s.CertificateName.empty()) {
    if (all.size() == 1)
      return all.front();
    Fail("Nome do certificado não informado (%d certificados em %s)",
         {static_cast<int>(all.size()), StoreFolder(s)});
  }
  for (auto& c : all)
    if (NameMatches(c->Certificate.get(), s.CertificateName))
      return c;
  Fail("Certificado não encontrado: %s", {s.CertificateName});
}

bool TvxnCertificateStore::IsCached(const TvxnCertificateSettings& s) const {
  return std::any_of(cache_.begin(), cache_.end(),
                     [&](const CacheEntry& e) { return SameSettings(e.key, s); });
}

std::shared_ptr<const TvxnLoadedCertificate> TvxnCertificateStore::Load(const TvxnCertificateSettings& s) {
  for (const auto& e : cache_)
    if (SameSettings(e.key, s))
      return e.cert;
  auto cert = Open(s);
  // The signer and the transport usually name the same certificate; a few entries are plenty.
  if (cache_.size() >= 4)
    cache_.erase(cache_.begin());
  cache_.push_back({s, cert});
  return cert;
}

void TvxnCertificateStore::CheckUsable(const TvxnLoadedCertificate& c) const {
  if (!c.PrivateKey)
    Fail("O certificado %s não possui chave privada", {c.Name});
  if (X509_cmp_current_time(X509_get0_notAfter(c.Certificate.get())) < 0)
    Fail("O certificado %s expirou em %s",
         {c.Name, FormatDateTime(ToTimePoint(X509_get0_notAfter(c.Certificate.get())))});
  if (X509_cmp_current_time(X509_get0_notBefore(c.Certificate.get())) > 0)
    Fail("O certificado %s ainda não é válido: válido a partir de %s",
         {c.Name, FormatDateTime(ToTimePoint(X509_get0_notBefore(c.Certificate.get())))});
}

std::vector<std::string> TvxnCertificateStore::List(const TvxnCertificateSettings& s) {
  std::vector<std::string> names;
  if (s.CertificateKind == ckFile) {
    if (!s.CertificatePath.empty())
      if (auto c = OpenFile(ExpandPath(s.CertificatePath), s.CertificatePassword, true))
        names.push_back(c->Name);
    return names;
  }
  if (s.CertificateKind == ckSmartCard)
    return ListTokenCertificates(s, logDir_);
  for (const auto& c : OpenFolder(s))
    names.push_back(c->Name);
  return names;
}

bool TvxnCertificateStore::Remove(const TvxnCertificateSettings& s, std::string_view name) {
  if (s.CertificateKind == ckFile || s.CertificateKind == ckSmartCard || name.empty())
    return false;
  for (const auto& c : OpenFolder(s))
    if (NameMatches(c->Certificate.get(), name)) {
      std::error_code ec;
      if (!fs::remove(c->SourcePath, ec))
        return false;
      cache_.clear();
      return true;
    }
  return false;
}

} // namespace vxn::outside
