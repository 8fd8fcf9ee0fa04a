// Base64, gzip, SHA-1 and the stored-PIN cipher of TvxnGovUtils (OpenSSL and zlib).
#include "vxnGovUtils.h"

#include "vxnNFeException.h"
#include "vxnOutsideHandles.h"
#include "vxnText.h"

#include <openssl/rand.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <climits>

namespace vxn {

using namespace vxn::outside;

namespace {

using CipherCtxPtr = std::unique_ptr<EVP_CIPHER_CTX, CFree<EVP_CIPHER_CTX_free>>;

// A docZip or a compressed lot is a few megabytes at most; anything that inflates past this is
// refused rather than allowed to exhaust memory.
constexpr std::size_t kMaxInflatedSize = 256u * 1024u * 1024u;

constexpr std::size_t kGcmNonceSize = 12;
constexpr std::size_t kGcmTagSize = 16;

bool IsBase64Char(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '/';
}

// The Base64 text without whitespace, or "" with ok = false when it is not Base64.
std::string CleanBase64(std::string_view text, bool& ok) {
  std::string clean;
  clean.reserve(text.size());
  for (char c : text)
    if (c != ' ' && c != '\r' && c != '\n' && c != '\t')
      clean += c;
  ok = clean.size() % 4 == 0;
  std::size_t padding = 0;
  for (std::size_t i = 0; ok && i < clean.size(); ++i) {
    const auto c = static_cast<unsigned char>(clean[i]);
    if (c == '=')
      ++padding;
    else if (padding > 0 || !IsBase64Char(c))
      ok = false;
  }
  ok = ok && padding <= 2;
  return ok ? clean : std::string{};
}

bool DecodeBase64Into(std::string_view text, std::string& out) {
  bool ok = false;
  const std::string clean = CleanBase64(text, ok);
  if (!ok || clean.size() > static_cast<std::size_t>(INT_MAX))
    return false;
  out.assign(clean.size() / 4 * 3, '\0');
  const int n =
      EVP_DecodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                      reinterpret_cast<const unsigned char*>(clean.data()), static_cast<int>(clean.size()));
  if (n < 0)
    return false;
  // EVP_DecodeBlock counts the padding as zero bytes.
  std::size_t size = static_cast<std::size_t>(n);
  if (clean.ends_with("=="))
    size -= 2;
  else if (clean.ends_with("="))
    size -= 1;
  out.resize(size);
  return true;
}

bool GunzipInto(std::string_view data, std::string& out) {
  z_stream zs{};
  if (inflateInit2(&zs, 16 + MAX_WBITS) != Z_OK) // 16: gzip framing only
    return false;
  zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  zs.avail_in = static_cast<uInt>(data.size());
  std::array<char, 64 * 1024> chunk{};
  int rc = Z_OK;
  while (rc == Z_OK) {
    zs.next_out = reinterpret_cast<Bytef*>(chunk.data());
    zs.avail_out = static_cast<uInt>(chunk.size());
    rc = inflate(&zs, Z_NO_FLUSH);
    if (rc != Z_OK && rc != Z_STREAM_END)
      break;
    out.append(chunk.data(), chunk.size() - zs.avail_out);
    if (out.size() > kMaxInflatedSize) {
      rc = Z_MEM_ERROR;
      break;
    }
    if (rc == Z_OK && zs.avail_in == 0 && zs.avail_out != 0) {
      rc = Z_DATA_ERROR; // input ended before the gzip stream did
      break;
    }
  }
  inflateEnd(&zs);
  return rc == Z_STREAM_END;
}

// The key of the stored-PIN cipher: fixed, so that any installation reads what another wrote.
std::array<unsigned char, 32> PinKey() {
  static constexpr std::string_view kSeed = "Quorvant NFe: PIN armazenado no arquivo de configuracao";
  std::array<unsigned char, 32> key{};
  unsigned int len = 0;
  EVP_Digest(kSeed.data(), kSeed.size(), key.data(), &len, EVP_sha256(), nullptr);
  return key;
}

std::string OpenSslError(std::string_view what) {
  return std::string(what) + ": falha na biblioteca de criptografia";
}

} // namespace

std::string TvxnGovUtils::EncodeBase64(std::string_view data) const {
  std::string out(4 * ((data.size() + 2) / 3), '\0');
  // EVP_EncodeBlock takes an int length: encode in slices that are a multiple of 3 bytes.
  constexpr std::size_t kSlice = 3u * 1024u * 1024u;
  std::size_t written = 0;
  for (std::size_t pos = 0; pos < data.size(); pos += kSlice) {
    const std::size_t n = std::min(kSlice, data.size() - pos);
    written += static_cast<std::size_t>(
        EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data() + written),
                        reinterpret_cast<const unsigned char*>(data.data() + pos), static_cast<int>(n)));
  }
  out.resize(written);
  return out;
}

std::string TvxnGovUtils::DecodeBase64(std::string_view text) const {
  std::string out;
  if (!DecodeBase64Into(text, out))
    throw EvxnNFeException("Texto não está em Base64.", logDirErro_);
  return out;
}

std::string TvxnGovUtils::GZipString(std::string_view data) const {
  z_stream zs{};
  if (deflateInit2(&zs, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
    throw EvxnNFeException("Falha ao iniciar a compactação gzip.", logDirErro_);
  std::string out;
  out.resize(deflateBound(&zs, static_cast<uLong>(data.size())) + 32);
  zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  zs.avail_in = static_cast<uInt>(data.size());
  zs.next_out = reinterpret_cast<Bytef*>(out.data());
  zs.avail_out = static_cast<uInt>(out.size());
  const int rc = deflate(&zs, Z_FINISH);
  const std::size_t produced = zs.total_out;
  deflateEnd(&zs);
  if (rc != Z_STREAM_END)
    throw EvxnNFeException("Falha ao compactar com gzip.", logDirErro_);
  out.resize(produced);
  return out;
}

std::string TvxnGovUtils::CompressBase64Gz(std::string_view data) const {
  return EncodeBase64(GZipString(data));
}

std::string TvxnGovUtils::DecompressBase64Gz(std::string_view text) const noexcept {
  try {
    std::string compressed;
    std::string out;
    if (!DecodeBase64Into(text, compressed) || compressed.empty() || !GunzipInto(compressed, out))
      return {};
    return out;
  } catch (...) { // only std::bad_alloc can get here
    return {};
  }
}

std::string TvxnGovUtils::HashSha1Base64(std::string_view data) const {
  std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
  unsigned int len = 0;
  if (EVP_Digest(data.data(), data.size(), digest.data(), &len, EVP_sha1(), nullptr) != 1)
    throw EvxnNFeException(OpenSslError("SHA-1"), logDirErro_);
  return EncodeBase64(std::string_view(reinterpret_cast<const char*>(digest.data()), len));
}

std::string TvxnGovUtils::Encrypt(std::string_view text) const {
  if (text.empty())
    return {};
  const auto key = PinKey();
  std::string blob(kGcmNonceSize + text.size() + kGcmTagSize, '\0');
  auto* nonce = reinterpret_cast<unsigned char*>(blob.data());
  auto* cipher = nonce + kGcmNonceSize;
  CipherCtxPtr ctx(EVP_CIPHER_CTX_new());
  int len = 0;
  int finalLen = 0;
  if (!ctx || RAND_bytes(nonce, kGcmNonceSize) != 1 ||
      EVP_EncryptInit_ex(ctx.get(), EVP_aes_256_gcm(), nullptr, key.data(), nonce) != 1 ||
      EVP_EncryptUpdate(ctx.get(), cipher, &len, reinterpret_cast<const unsigned char*>(text.data()),
                        static_cast<int>(text.size())) != 1 ||
      EVP_EncryptFinal_ex(ctx.get(), cipher + len, &finalLen) != 1 ||
      EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_GET_TAG, kGcmTagSize, cipher + text.size()) != 1)
    throw EvxnNFeException(OpenSslError("Encrypt"), logDirErro_);
  return EncodeBase64(blob);
}

std::string TvxnGovUtils::Decrypt(std::string_view text) const {
  if (Trim(text).empty())
    return {};
  std::string blob;
  const auto refuse = [this]() {
    return EvxnNFeConfigException("O PIN armazenado não pôde ser decifrado.", logDirErro_);
  };
  if (!DecodeBase64Into(text, blob) || blob.size() <= kGcmNonceSize + kGcmTagSize)
    throw refuse();
  const auto key = PinKey();
  const auto* nonce = reinterpret_cast<const unsigned char*>(blob.data());
  const auto* cipher = nonce + kGcmNonceSize;
  const std::size_t cipherSize = blob.size() - kGcmNonceSize - kGcmTagSize;
  std::string plain(cipherSize, '\0');
  std::array<unsigned char, kGcmTagSize> tag{};
  std::copy(cipher + cipherSize, cipher + cipherSize + kGcmTagSize, tag.begin());
  CipherCtxPtr ctx(EVP_CIPHER_CTX_new());
  int len = 0;
  int finalLen = 0;
  if (!ctx || EVP_DecryptInit_ex(ctx.get(), EVP_aes_256_gcm(), nullptr, key.data(), nonce) != 1 ||
      EVP_DecryptUpdate(ctx.get(), reinterpret_cast<unsigned char*>(plain.data()), &len, cipher,
                        static_cast<int>(cipherSize)) != 1 ||
      EVP_CIPHER_CTX_ctrl(ctx.get(), EVP_CTRL_GCM_SET_TAG, kGcmTagSize, tag.data()) != 1 ||
      EVP_DecryptFinal_ex(ctx.get(), reinterpret_cast<unsigned char*>(plain.data()) + len, &finalLen) != 1)
    throw refuse(); // a wrong tag: the text was not written by Encrypt, or was altered
  return plain;
}

} // namespace vxn
