// A whole XML document read in one forward pass (libxml2's streaming reader) into a light tree of
// elements with their local names, attributes and text, without namespaces, comments or processing
// instructions. Made for readers that walk a document once and look values up by element name, such
// as the DANFE print data: it builds no libxml2 tree and keeps no parser state afterwards. No
// third-party type crosses this header.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vxn {

struct TvxnXmlLightElement {
  std::string name; // local name, without prefix
  std::string text; // the element's own text and CDATA content, references replaced
  std::vector<std::pair<std::string, std::string>> attributes; // without namespace declarations
  std::vector<TvxnXmlLightElement> children;                   // in document order

  // The attribute's value, or nullptr (names compare exactly).
  const std::string* Attribute(std::string_view attributeName) const;
  // The first child of that name, or nullptr.
  const TvxnXmlLightElement* Child(std::string_view childName) const;
  // The text of the first child of that name; "" when there is none.
  std::string_view ChildText(std::string_view childName) const;
  // The first element of that name below this one, in document order, or nullptr.
  const TvxnXmlLightElement* Find(std::string_view elementName) const;
  // Every element of that name below this one, in document order (also those inside a match).
  void FindAll(std::string_view elementName, std::vector<const TvxnXmlLightElement*>& found) const;
};

// Reads the text under the rules of every parse in the system (no network, no DTD, no entity
// substitution; a document type declaration is refused). False when the text is not a well-formed
// document; `error` then holds the parser's message.
bool ReadXmlLightTree(std::string_view text, TvxnXmlLightElement& root, std::string& error);

} // namespace vxn
