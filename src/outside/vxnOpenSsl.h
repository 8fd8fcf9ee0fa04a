// Small OpenSSL helpers shared by the certificate, signing and transport code of src/outside.
#pragma once

#include "vxnOutsideHandles.h"

#include <chrono>
#include <string>
#include <string_view>

namespace vxn::outside {

// Loads the default and the legacy providers once per process, so that PKCS#12 files encrypted with
// RC2-40 or 3DES (exports of older Windows tools) open as well as current ones.
void EnsureOpenSslProviders();

// The messages of OpenSSL's error queue of this thread, joined by "; " (the queue is emptied).
std::string OpenSslErrors();

std::string ToPem(X509* cert);
std::string ToPem(EVP_PKEY* key);
X509Ptr X509FromPem(std::string_view pem);
EvpPkeyPtr KeyFromPem(std::string_view pem);

std::chrono::system_clock::time_point ToTimePoint(const ASN1_TIME* t);
// The subject as one RFC 2253 line ("CN=EMPRESA:11222333000181,O=ICP-Brasil,C=BR").
std::string SubjectLine(X509* cert);
std::string CommonName(X509* cert);
// "dd/mm/yyyy hh:mm:ss" in UTC, for messages.
std::string FormatDateTime(std::chrono::system_clock::time_point t);

} // namespace vxn::outside
