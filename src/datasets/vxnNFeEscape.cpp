#include "vxnNFeEscape.h"

#include "vxnText.h"

#include <array>

namespace vxn {

namespace {
constexpr std::array<std::string_view, 5> kEntities{"&apos;", "&quot;", "&lt;", "&gt;", "&amp;"};
// The same entities escaped once more ("&" written as "&amp;").
constexpr std::array<std::string_view, 5> kDobradas{"&amp;apos;", "&amp;quot;", "&amp;lt;", "&amp;gt;",
                                                    "&amp;amp;"};
} // namespace

std::string EscaparTextoXML(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 16);
  for (std::size_t i = 0; i < text.size(); ++i) {
    switch (const char c = text[i]) {
    case '\'':
      out += "&apos;";
      break;
    case '"':
      out += "&quot;";
      break;
    case '<':
      out += "&lt;";
      break;
    case '>':
      out += "&gt;";
      break;
    case '&':
      out += i + 1 < text.size() && text[i + 1] == '#' ? "&" : "&amp;";
      break;
    default:
      out += c;
    }
  }
  if (out.find("&amp;") == std::string::npos)
    return out;
  // In the order of kEntities, each pass over the text the previous one left; a form that is not
  // there leaves the text as it is.
  for (std::size_t i = 0; i < kEntities.size(); ++i)
    if (out.find(kDobradas[i]) != std::string::npos)
      out = ReplaceAll(out, kDobradas[i], kEntities[i]);
  return out;
}

std::size_t ComprimentoSemEntidades(std::string_view escaped) {
  std::size_t length = Utf8Length(escaped);
  for (std::size_t at = escaped.find('&'); at != std::string_view::npos; at = escaped.find('&', at + 1)) {
    const std::string_view rest = escaped.substr(at);
    std::size_t end = std::string_view::npos;
    for (std::string_view entity : kEntities)
      if (StartsWithText(rest, entity))
        end = entity.size();
    if (end == std::string_view::npos && rest.starts_with("&#")) {
      const std::size_t semicolon = rest.find(';');
      if (semicolon != std::string_view::npos && semicolon > 2 && semicolon <= 10)
        end = semicolon + 1;
    }
    if (end != std::string_view::npos)
      length -= end - 1; // entities are ASCII: their bytes are their characters
  }
  return length;
}

// Every entity starts with "&", so only the places of "&" are compared (ASCII case ignored).
bool ContemEntidadeXML(std::string_view text) {
  for (std::size_t at = text.find('&'); at != std::string_view::npos; at = text.find('&', at + 1))
    for (std::string_view entity : kEntities)
      if (StartsWithText(text.substr(at), entity))
        return true;
  return false;
}

} // namespace vxn
