// A whole XML document read into a plain tree of elements, attributes and element text (no comments or
// processing instructions), for the documents the system reads whole: the input dataset dictionaries
// and NF-e documents read back into the input dataset. No third-party type crosses this header.
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
  std::string text;                     // the element's own text and CDATA, references replaced

  // The attribute's value, or nullptr when the element does not carry it (names compare exactly).
  const std::string* Attribute(std::string_view attributeName) const;
};

// Parses the file under the parsing rules of vxnXmlParser.h (no network, no DTD, no entities). A file
// that is not well-formed XML raises EvxnNFeException with the parser's message; logDir is handed to it.
TvxnXmlElement ReadXmlElementTree(std::string_view path, std::string_view logDir = {});
// The same for a document held in memory.
TvxnXmlElement ParseXmlElementTree(std::string_view xml, std::string_view logDir = {});

} // namespace vxn
