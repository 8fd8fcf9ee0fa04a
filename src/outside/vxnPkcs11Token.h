// Certificates on smart cards and USB tokens (A3), through their PKCS#11 module and libp11.
//
// The module is the vendor's shared library: the configured path, else the first of the usual Debian
// paths (DefaultPkcs11Modules). The certificate is chosen by its name (common name, part of the subject,
// the object's or the token's label, or a "pkcs11:" address with token=, object=, id= or serial=); the
// key stays on the token: OpenSSL reaches it through libp11's RSA method, so that xmlsec1, the direct
// signature and the TLS handshake sign with it like with a key in memory. A loaded module stays loaded
// while a certificate of it is in use. The PIN is never part of a message.
#pragma once

#include "vxnCertificateStore.h"

#include <memory>
#include <string>
#include <vector>

namespace vxn::outside {

// The module paths tried, in order, when none is configured: p11-kit's proxy (every module registered
// with p11-kit), OpenSC, the common vendor modules of Brazilian A3 tokens, SoftHSM2.
const std::vector<std::string>& DefaultPkcs11Modules();

// The certificate the settings select on a token of the module, with its key on the token. Raises
// EvxnNFeCertificationException when the module is missing or does not load, no token is present, the
// named token or certificate is not there, the PIN is missing, wrong or locked.
std::shared_ptr<const TvxnLoadedCertificate> OpenTokenCertificate(const TvxnCertificateSettings& settings,
                                                                  const std::string& logDir);

// The common names of the holders' certificates (not the authorities') on every token of the module.
// Logs in only to a token that shows no certificate without it, and only when a PIN is configured.
std::vector<std::string> ListTokenCertificates(const TvxnCertificateSettings& settings,
                                               const std::string& logDir);

} // namespace vxn::outside
