// The authorities a server's TLS certificate must chain to. Built once from its sources and installed
// into the TLS context of every connection (the same OpenSSL store, shared by reference), so that the
// system's bundle and the shipped roots are read once per component, not once per request.
#pragma once

#include "vxnOutsideHandles.h"

#include <string>
#include <string_view>

namespace vxn::outside {

// Where the trusted authorities come from. OnlyFile set: that PEM file alone (a private authority, such
// as the local server's test CA). Otherwise the system's CA bundle (unless ShippedRootsOnly), every
// "*.pem" of ShippedRootsDir (the ICP-Brasil roots shipped with the library; a folder that does not
// exist adds nothing) and AdditionalFile (a company's proxy CA).
struct TvxnTrustSources {
  std::string OnlyFile;
  std::string ShippedRootsDir;
  std::string AdditionalFile;
  bool ShippedRootsOnly = false;
  bool operator==(const TvxnTrustSources&) const = default;
};

class TvxnTrustStore {
public:
  // Raises EvxnSoapException naming a configured file that cannot be read or holds no certificate.
  TvxnTrustStore(TvxnTrustSources sources, std::string_view logDir);

  const TvxnTrustSources& Sources() const { return sources_; }
  // Makes the context trust exactly this store.
  void InstallInto(SSL_CTX* ctx) const;

private:
  TvxnTrustSources sources_;
  X509StorePtr store_;
};

} // namespace vxn::outside
