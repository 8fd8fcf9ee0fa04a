// Parsing and serialising XML for the rest of src/outside, with the safety rules every parse follows:
// no network, no DTD loading, no entity substitution, and a document with a document type declaration
// is refused before any of its declarations are read.
#pragma once

#include "vxnOutsideHandles.h"

#include <functional>
#include <string>
#include <string_view>

namespace vxn::outside {

// Initialises libxml2 once per process (thread-safe). The library is never cleaned up from here:
// xmlCleanupParser would pull the ground from under any other user of libxml2 in the process.
void EnsureLibxml();

struct XmlParseResult {
  XmlDocPtr doc;     // null when the text is not a well-formed document
  std::string error; // libxml2's message (or ours for a refused DTD) when doc is null
  int line = 0;      // line of the error
};

// Parses one document. With preserveWhitespace false, whitespace-only text nodes are dropped.
XmlParseResult ParseXml(std::string_view text, bool preserveWhitespace = true);

// One start tag as the parser reports it while scanning.
struct XmlStartTag {
  const xmlChar* localName;
  const xmlChar* prefix;       // null without one
  const xmlChar* namespaceUri; // null when the element has no namespace (or an undeclared prefix)
  const xmlChar** attributes;  // per attribute: local name, prefix, namespace URI, value, value end
  int attributeCount;

  // The names the tree gives: with a prefix that no declaration binds, the tree keeps "prefix:name"
  // as the name, without a namespace.
  std::string Name() const { return TreeName(localName, prefix, namespaceUri); }
  std::string AttributeName(int index) const {
    return TreeName(attributes[5 * index], attributes[5 * index + 1], attributes[5 * index + 2]);
  }
  bool AttributeHasNamespace(int index) const { return attributes[5 * index + 2] != nullptr; }
  // The value as the tree would hold it (references replaced).
  std::string AttributeValue(int index) const;

private:
  static std::string TreeName(const xmlChar* local, const xmlChar* prefix, const xmlChar* uri);
};
using XmlStartTagVisitor = std::function<void(const XmlStartTag&)>;

// Reads a document with the rules of ParseXml and reports the same error for the same text, but builds no
// tree: each start tag goes to `onStartTag` in document order. False when the text is not a document
// ParseXml accepts; `result` then holds the error and its line. For callers that only look something up.
bool ScanXml(std::string_view text, const XmlStartTagVisitor& onStartTag, XmlParseResult& result);

// Like ParseXml, raising EvxnNFeException "XML inválido: <message> (linha <n>)" on failure.
XmlDocPtr ParseXmlOrThrow(std::string_view text, std::string_view logDir, bool preserveWhitespace = true);

// The XML of an element (with the namespace declarations it needs, no XML declaration, UTF-8 text
// as is); the value of an attribute; the text content of any other node.
std::string NodeToXml(xmlNode* node);

// Text content of a node as UTF-8.
std::string NodeText(const xmlNode* node);

} // namespace vxn::outside
