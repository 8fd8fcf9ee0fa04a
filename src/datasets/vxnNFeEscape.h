// Escaping of input values for the NF-e XML text, applied once when a value is assigned.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vxn {

// "'", '"', "<", ">" become their entities and every "&" that does not begin "&#" becomes "&amp;";
// then the doubled forms ("&amp;lt;" and the like) are folded back, so that text that was already
// escaped and numeric character references pass unchanged.
std::string EscaparTextoXML(std::string_view text);

// Characters of the longest entity that escaping writes ("&quot;", "&apos;").
inline constexpr std::size_t kMaiorEntidadeXML = 6;

// The length of the text once unescaped: Unicode characters, each entity or character reference
// ("&amp;", "&#233;") counted as the one character it stands for.
std::size_t ComprimentoSemEntidades(std::string_view escaped);

// True when the text holds one of the five predefined entities (ASCII case ignored).
bool ContemEntidadeXML(std::string_view text);

} // namespace vxn
