// Opening the signing and client certificates: PKCS#12 files and folders of them (the store kinds) and
// certificates on smart cards and tokens (vxnPkcs11Token.h), with
// the checks whose failure the host must understand (missing, wrong password, no private key, expired,
// not yet valid). A certificate is opened once per configuration and then served from memory.
#pragma once

#include "vxnFormat.h"
#include "vxnGovX.h"
#include "vxnOutsideHandles.h"

#include <memory>
#include <string>
#include <vector>

namespace vxn::outside {

struct TvxnLoadedCertificate {
  // What the key needs alive (the PKCS#11 module of a token's key; null for a key in memory); declared
  // first, released last.
  std::shared_ptr<const void> Holder;
  X509Ptr Certificate;
  EvpPkeyPtr PrivateKey;  // null for a certificate-only file; on a token, a handle to the token's key
  X509ChainPtr Chain;     // the other certificates of the file
  std::string Name;       // common name of the subject
  std::string SourcePath; // the file it came from, or its "pkcs11:" address on a token
};

class TvxnCertificateStore {
public:
  explicit TvxnCertificateStore(std::string logDir = {}) : logDir_(std::move(logDir)) {}
  void SetLogDir(std::string logDir) { logDir_ = std::move(logDir); }

  // The certificate the settings select, cached by those settings. Raises
  // EvxnNFeCertificationException when it is missing or cannot be opened; dates are not checked here.
  std::shared_ptr<const TvxnLoadedCertificate> Load(const TvxnCertificateSettings& settings);
  // True when Load would answer from memory without opening anything.
  bool IsCached(const TvxnCertificateSettings& settings) const;
  // Raises EvxnNFeCertificationException when the certificate has no private key, has expired or is not
  // yet valid.
  void CheckUsable(const TvxnLoadedCertificate& cert) const;

  std::vector<std::string> List(const TvxnCertificateSettings& settings);
  bool Remove(const TvxnCertificateSettings& settings, std::string_view name);

  // The folder of PKCS#12 files of a store kind.
  static std::string StoreFolder(const TvxnCertificateSettings& settings);

private:
  struct CacheEntry {
    TvxnCertificateSettings key;
    std::shared_ptr<const TvxnLoadedCertificate> cert;
  };
  std::shared_ptr<const TvxnLoadedCertificate> Open(const TvxnCertificateSettings& s) const;
  std::shared_ptr<const TvxnLoadedCertificate> OpenFile(const std::string& path, const std::string& password,
                                                        bool quiet) const;
  std::vector<std::shared_ptr<const TvxnLoadedCertificate>>
  OpenFolder(const TvxnCertificateSettings& s) const;
  [[noreturn]] void Fail(std::string_view format, std::initializer_list<FormatArg> args) const;

  std::string logDir_;
  std::vector<CacheEntry> cache_;
};

} // namespace vxn::outside
