// Reading the single file of a ZIP archive (the servers files are published zipped).
#pragma once

#include <string>
#include <string_view>

namespace vxn::outside {

bool LooksLikeZip(std::string_view bytes);
// The content of the first entry of the archive (stored or deflated); false when the bytes are not a
// readable archive or the entry fails its CRC check.
bool UnzipFirstEntry(std::string_view archive, std::string& content);

} // namespace vxn::outside
