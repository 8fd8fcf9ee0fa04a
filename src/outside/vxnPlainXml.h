// A reader for XML in the plain form this library writes (logs, lots, signed documents): one pass over the
// text, no tree. It accepts only a narrow form of which two things are known:
// - libxml2 parses the same text without error, with the same elements, names, namespaces and attribute
//   values (so a lookup gives the same answer, and no error is missed);
// - libxml2 writes every element of it out again byte for byte as it stands (an element that inherits
//   the default namespace gains its declaration, as a copy of it into a document of its own does).
// Anything else (comments, CDATA, prefixes, character references, single quotes, "<a></a>", "\r", a
// DTD...) makes it answer "not plain", and the caller reads the text with libxml2 as before: the reader
// only ever takes a shortcut where the answer is provably the same.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vxn::outside {

struct PlainXmlAttribute {
  std::string_view name;
  std::string_view rawValue; // as written, with its references (&amp; &lt; &gt; &quot;)

  // The value as the tree holds it.
  std::string Value() const;
};

struct PlainXmlElement {
  std::string_view name;
  std::string_view namespaceUri;  // "" without a namespace
  bool declaresNamespace = false; // carries its own xmlns="..."
  std::size_t begin = 0;          // offset of its "<"
  std::size_t end = 0;            // offset just after its end tag or "/>"
  std::size_t depth = 0;          // 0 for the document element
  std::size_t firstAttribute = 0; // in PlainXml::attributes; namespace declarations are not attributes
  std::size_t attributeCount = 0;
};

struct PlainXml {
  std::vector<PlainXmlElement> elements; // in document order
  std::vector<PlainXmlAttribute> attributes;

  // The first attribute of `e` named `name`, or null.
  const PlainXmlAttribute* Attribute(const PlainXmlElement& e, std::string_view name) const;
};

// The elements of `text` when it is in the plain form; nothing otherwise (including every text that is not
// XML: the caller's libxml2 reading then reports it as it always did).
std::optional<PlainXml> ReadPlainXml(std::string_view text);

// The text libxml2 writes for the element `e` of `xml` (NodeToXml of its node in the parsed tree).
std::string PlainElementXml(std::string_view xml, const PlainXml& plain, std::size_t e);

} // namespace vxn::outside
