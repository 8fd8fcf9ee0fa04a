#include "vxnDataSignature.h"

#include "vxnOutsideHandles.h"

#include <openssl/evp.h>
#include <openssl/x509.h>

#include <array>
#include <cstdio>

namespace vxn {

using namespace vxn::outside;

namespace {

// Base64 without line breaks into bytes; false when it does not decode.
bool DecodeBase64(std::string_view text, std::string& out) {
  if (text.empty() || text.size() % 4 != 0)
    return false;
  out.assign(text.size() / 4 * 3, '\0');
  const int n =
      EVP_DecodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                      reinterpret_cast<const unsigned char*>(text.data()), static_cast<int>(text.size()));
  if (n < 0)
    return false;
  // EVP_DecodeBlock counts the padding as zero bytes.
  std::size_t size = static_cast<std::size_t>(n);
  for (std::size_t i = text.size(); i > 0 && text[i - 1] == '=' && size > 0; --i)
    --size;
  out.resize(size);
  return true;
}

} // namespace

std::string Sha1Hex(std::string_view data) {
  std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
  unsigned int len = 0;
  if (EVP_Digest(data.data(), data.size(), digest.data(), &len, EVP_sha1(), nullptr) != 1)
    return {};
  std::string hex;
  hex.reserve(len * 2);
  constexpr char kDigits[] = "0123456789ABCDEF";
  for (unsigned int i = 0; i < len; ++i) {
    hex += kDigits[digest[i] >> 4];
    hex += kDigits[digest[i] & 0x0F];
  }
  return hex;
}

bool VerifySha1SignatureBase64(std::string_view data, std::string_view signatureBase64,
                               std::string_view certificateBase64) {
  std::string signature;
  std::string der;
  if (!DecodeBase64(signatureBase64, signature) || !DecodeBase64(certificateBase64, der))
    return false;
  const auto* p = reinterpret_cast<const unsigned char*>(der.data());
  X509Ptr cert(d2i_X509(nullptr, &p, static_cast<long>(der.size())));
  EVP_PKEY* key = cert ? X509_get0_pubkey(cert.get()) : nullptr;
  if (!key)
    return false;
  EvpMdCtxPtr ctx(EVP_MD_CTX_new());
  return ctx && EVP_DigestVerifyInit(ctx.get(), nullptr, EVP_sha1(), nullptr, key) == 1 &&
         EVP_DigestVerify(ctx.get(), reinterpret_cast<const unsigned char*>(signature.data()),
                          signature.size(), reinterpret_cast<const unsigned char*>(data.data()),
                          data.size()) == 1;
}

} // namespace vxn

namespace vxn::outside {

std::string RsaSha1Base64(EVP_PKEY* key, std::string_view data) {
  EvpMdCtxPtr ctx(EVP_MD_CTX_new());
  std::size_t size = 0;
  if (!ctx || EVP_DigestSignInit(ctx.get(), nullptr, EVP_sha1(), nullptr, key) != 1 ||
      EVP_DigestSign(ctx.get(), nullptr, &size, nullptr, 0) != 1)
    return {};
  std::string signature(size, '\0');
  if (EVP_DigestSign(ctx.get(), reinterpret_cast<unsigned char*>(signature.data()), &size,
                     reinterpret_cast<const unsigned char*>(data.data()), data.size()) != 1)
    return {};
  std::string base64(4 * ((size + 2) / 3), '\0');
  EVP_EncodeBlock(reinterpret_cast<unsigned char*>(base64.data()),
                  reinterpret_cast<const unsigned char*>(signature.data()), static_cast<int>(size));
  return base64;
}

} // namespace vxn::outside
