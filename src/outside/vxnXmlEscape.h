// The character references of the two forms in which signing writes XML: the text as libxml2's
// xmlNodeDump writes a parsed document (with a declared encoding, so UTF-8 stays as it is), and the
// canonical form (Canonical XML 1.0) that is digested and signed. Each function copies the text in
// runs and replaces only the characters its form turns into references.
#pragma once

#include <string>
#include <string_view>

namespace vxn::outside {

// Character data as written: <, >, & and CR.
void AppendWrittenText(std::string& out, std::string_view text);
// Attribute values as written: also the double quote, LF and TAB.
void AppendWrittenAttribute(std::string& out, std::string_view value);
// Canonical character data: &, <, > and CR.
void AppendCanonicalText(std::string& out, std::string_view text);
// Canonical attribute values: &, <, the double quote, TAB, LF and CR ('>' stays).
void AppendCanonicalAttribute(std::string& out, std::string_view value);

} // namespace vxn::outside
