// A whole XML file read into a plain tree of elements and attributes (no text nodes, comments or
// processing instructions), for the small configuration documents the system reads whole, such as
// the input dataset dictionaries. No third-party type crosses this header.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vxn {

struct TvxnXmlElement {
  std::string name; // local name, without prefix
  std::vector<std::pair<std::string, std::string>> attributes;
  std::vector<TvxnXmlElement> children; // element children only, in document order

  // The attribute's value, or nullptr when the element does not carry it (names compare exactly).
  const std::string* Attribute(std::string_view attributeName) const;
};

// Parses the file under the parsing rules of vxnXmlParser.h (no network, no DTD, no entities). A file
// that is not well-formed XML raises EvxnNFeException with the parser's message; logDir is handed to it.
TvxnXmlElement ReadXmlElementTree(std::string_view path, std::string_view logDir = {});

} // namespace vxn
