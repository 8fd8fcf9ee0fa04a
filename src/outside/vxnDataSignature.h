// Signatures and digests over plain text (not XML): the RSA-SHA1 signature of the NFC-e QR code
// parameters (version 3, contingency) and its check, and the SHA-1 digest in hexadecimal of the version 2
// QR code hash.
#pragma once

#include <string>
#include <string_view>

namespace vxn {

// SHA-1 of the bytes of `data`, 40 uppercase hexadecimal digits.
std::string Sha1Hex(std::string_view data);

// Whether `signatureBase64` is the RSA-SHA1 (PKCS #1 v1.5) signature of `data` by the key of the
// certificate `certificateBase64` (DER in Base64, as X509Certificate carries it). False for anything
// that does not decode.
bool VerifySha1SignatureBase64(std::string_view data, std::string_view signatureBase64,
                               std::string_view certificateBase64);

} // namespace vxn

struct evp_pkey_st; // OpenSSL's EVP_PKEY

namespace vxn::outside {

// RSA-SHA1 (PKCS #1 v1.5) signature of the bytes with the key, in Base64 on one line; "" when OpenSSL
// refuses.
std::string RsaSha1Base64(evp_pkey_st* key, std::string_view data);

} // namespace vxn::outside
