#include "ZipFixture.h"

#include <zlib.h>

#include <cstdint>

namespace vxn::test {

namespace {

void Put(std::string& out, std::uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i)
    out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::string RawDeflate(const std::string& in) {
  z_stream zs{};
  deflateInit2(&zs, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&zs, static_cast<uLong>(in.size())), '\0');
  zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
  zs.avail_in = static_cast<uInt>(in.size());
  zs.next_out = reinterpret_cast<Bytef*>(out.data());
  zs.avail_out = static_cast<uInt>(out.size());
  deflate(&zs, Z_FINISH);
  out.resize(zs.total_out);
  deflateEnd(&zs);
  return out;
}

} // namespace

std::string MakeZip(const std::string& name, const std::string& content, bool deflate, bool dataDescriptor) {
  const std::uint32_t crc =
      static_cast<std::uint32_t>(crc32(0L, reinterpret_cast<const Bytef*>(content.data()), content.size()));
  const std::string data = deflate ? RawDeflate(content) : content;
  const std::uint32_t method = deflate ? 8 : 0;
  const std::uint32_t flags = dataDescriptor ? 8 : 0;
  std::string zip;
  Put(zip, 0x04034b50, 4);
  Put(zip, 20, 2);
  Put(zip, flags, 2);
  Put(zip, method, 2);
  Put(zip, 0, 4); // time and date
  Put(zip, dataDescriptor ? 0 : crc, 4);
  Put(zip, dataDescriptor ? 0 : static_cast<std::uint32_t>(data.size()), 4);
  Put(zip, dataDescriptor ? 0 : static_cast<std::uint32_t>(content.size()), 4);
  Put(zip, static_cast<std::uint32_t>(name.size()), 2);
  Put(zip, 0, 2);
  zip += name + data;
  if (dataDescriptor) {
    Put(zip, 0x08074b50, 4);
    Put(zip, crc, 4);
    Put(zip, static_cast<std::uint32_t>(data.size()), 4);
    Put(zip, static_cast<std::uint32_t>(content.size()), 4);
  }
  const std::uint32_t cdOffset = static_cast<std::uint32_t>(zip.size());
  Put(zip, 0x02014b50, 4);
  Put(zip, 20, 2);
  Put(zip, 20, 2);
  Put(zip, flags, 2);
  Put(zip, method, 2);
  Put(zip, 0, 4);
  Put(zip, crc, 4);
  Put(zip, static_cast<std::uint32_t>(data.size()), 4);
  Put(zip, static_cast<std::uint32_t>(content.size()), 4);
  Put(zip, static_cast<std::uint32_t>(name.size()), 2);
  Put(zip, 0, 2); // extra
  Put(zip, 0, 2); // comment
  Put(zip, 0, 2); // disk
  Put(zip, 0, 2); // internal attributes
  Put(zip, 0, 4); // external attributes
  Put(zip, 0, 4); // local header offset
  zip += name;
  const std::uint32_t cdSize = static_cast<std::uint32_t>(zip.size()) - cdOffset;
  Put(zip, 0x06054b50, 4);
  Put(zip, 0, 2);
  Put(zip, 0, 2);
  Put(zip, 1, 2);
  Put(zip, 1, 2);
  Put(zip, cdSize, 4);
  Put(zip, cdOffset, 4);
  Put(zip, 0, 2);
  return zip;
}

} // namespace vxn::test
