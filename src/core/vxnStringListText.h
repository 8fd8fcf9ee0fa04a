// The text a string list gives for a text it was set to, without building the list: logs and
// distribution documents are written with their line breaks made CR LF this way.
#pragma once

#include <string>
#include <string_view>

namespace vxn {

// TvxnStringList::Text() of a list after SetText(text): every line break (CR LF, CR or LF) written as
// CR LF and the last line ended by one, in one pass and without keeping the lines.
std::string StringListText(std::string_view text);

} // namespace vxn
