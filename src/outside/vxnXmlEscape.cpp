#include "vxnXmlEscape.h"

#include <array>

namespace vxn::outside {

namespace {

// For each byte, its reference in one form, or null when it goes out as it is.
using ReferenceTable = std::array<const char*, 256>;

constexpr ReferenceTable MakeTable(bool canonical, bool attribute) {
  ReferenceTable t{};
  t['&'] = "&amp;";
  t['<'] = "&lt;";
  t['\r'] = canonical ? "&#xD;" : "&#13;";
  if (!canonical || !attribute)
    t['>'] = "&gt;";
  if (attribute) {
    t['"'] = "&quot;";
    t['\t'] = canonical ? "&#x9;" : "&#9;";
    t['\n'] = canonical ? "&#xA;" : "&#10;";
  }
  return t;
}

constexpr ReferenceTable kWrittenText = MakeTable(false, false);
constexpr ReferenceTable kWrittenAttribute = MakeTable(false, true);
constexpr ReferenceTable kCanonicalText = MakeTable(true, false);
constexpr ReferenceTable kCanonicalAttribute = MakeTable(true, true);

void AppendEscaped(std::string& out, std::string_view text, const ReferenceTable& table) {
  const char* run = text.data();
  const char* const end = run + text.size();
  for (const char* p = run; p != end; ++p) {
    const char* ref = table[static_cast<unsigned char>(*p)];
    if (!ref)
      continue;
    out.append(run, p).append(ref);
    run = p + 1;
  }
  out.append(run, end);
}

} // namespace

void AppendWrittenText(std::string& out, std::string_view text) {
  AppendEscaped(out, text, kWrittenText);
}

void AppendWrittenAttribute(std::string& out, std::string_view value) {
  AppendEscaped(out, value, kWrittenAttribute);
}

void AppendCanonicalText(std::string& out, std::string_view text) {
  AppendEscaped(out, text, kCanonicalText);
}

void AppendCanonicalAttribute(std::string& out, std::string_view value) {
  AppendEscaped(out, value, kCanonicalAttribute);
}

} // namespace vxn::outside
