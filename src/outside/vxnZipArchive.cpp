#include "vxnZipArchive.h"

#include <zlib.h>

#include <cstdint>

namespace vxn::outside {

namespace {

std::uint32_t Le(std::string_view b, std::size_t at, int bytes) {
  std::uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i)
    v = (v << 8) | static_cast<unsigned char>(b[at + static_cast<std::size_t>(i)]);
  return v;
}

bool Inflate(std::string_view in, std::size_t expected, std::string& out) {
  z_stream zs{};
  if (inflateInit2(&zs, -MAX_WBITS) != Z_OK)
    return false;
  out.assign(expected, '\0');
  zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
  zs.avail_in = static_cast<uInt>(in.size());
  zs.next_out = reinterpret_cast<Bytef*>(out.data());
  zs.avail_out = static_cast<uInt>(out.size());
  int rc = inflate(&zs, Z_FINISH);
  bool ok = rc == Z_STREAM_END && zs.total_out == expected;
  inflateEnd(&zs);
  return ok;
}

} // namespace

bool LooksLikeZip(std::string_view bytes) {
  return bytes.size() >= 4 && bytes.substr(0, 4) == "PK\x03\x04";
}

bool UnzipFirstEntry(std::string_view zip, std::string& content) {
  // The sizes are taken from the central directory: the local header may defer them to a data descriptor.
  constexpr std::size_t kEocdSize = 22;
  if (!LooksLikeZip(zip) || zip.size() < kEocdSize)
    return false;
  std::size_t eocd = std::string_view::npos;
  for (std::size_t i = zip.size() - kEocdSize + 1; i-- > 0;)
    if (Le(zip, i, 4) == 0x06054b50u) {
      eocd = i;
      break;
    }
  if (eocd == std::string_view::npos)
    return false;
  std::size_t cd = Le(zip, eocd + 16, 4);
  if (cd + 46 > zip.size() || Le(zip, cd, 4) != 0x02014b50u)
    return false;
  std::uint32_t method = Le(zip, cd + 10, 2);
  std::uint32_t crc = Le(zip, cd + 16, 4);
  std::size_t packed = Le(zip, cd + 20, 4);
  std::size_t size = Le(zip, cd + 24, 4);
  std::size_t local = Le(zip, cd + 42, 4);
  if (local + 30 > zip.size() || Le(zip, local, 4) != 0x04034b50u)
    return false;
  std::size_t data = local + 30 + Le(zip, local + 26, 2) + Le(zip, local + 28, 2);
  if (data + packed > zip.size())
    return false;
  std::string_view raw = zip.substr(data, packed);
  std::string out;
  if (method == 0 && packed == size)
    out.assign(raw);
  else if (method != 8 || !Inflate(raw, size, out))
    return false;
  if (crc32(0L, reinterpret_cast<const Bytef*>(out.data()), static_cast<uInt>(out.size())) != crc)
    return false;
  content = std::move(out);
  return true;
}

} // namespace vxn::outside
