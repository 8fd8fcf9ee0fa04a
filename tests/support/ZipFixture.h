// ZIP archives of one file, made for tests of downloads that arrive zipped.
#pragma once

#include <string>

namespace vxn::test {

// An archive holding `content` under `name`, deflated or stored; with a data descriptor when asked
// (sizes then follow the data instead of sitting in the local header, as streaming zippers write them).
std::string MakeZip(const std::string& name, const std::string& content, bool deflate,
                    bool dataDescriptor = false);

} // namespace vxn::test
