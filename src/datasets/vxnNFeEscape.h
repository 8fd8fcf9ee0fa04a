// Escaping of input values for the NF-e XML text, applied once when a value is assigned.
#pragma once

#include <string>
#include <string_view>

namespace vxn {

// "'", '"', "<", ">" become their entities and every "&" that does not begin "&#" becomes "&amp;";
// then the doubled forms ("&amp;lt;" and the like) are folded back, so that text that was already
// escaped and numeric character references pass unchanged.
std::string EscaparTextoXML(std::string_view text);

// True when the text holds one of the five predefined entities (ASCII case ignored).
bool ContemEntidadeXML(std::string_view text);

} // namespace vxn
