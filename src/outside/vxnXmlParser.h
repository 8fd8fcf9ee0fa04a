// Parsing and serialising XML for the rest of src/outside, with the safety rules every parse follows:
// no network, no DTD loading, no entity substitution, and a document with a document type declaration
// is refused before any of its declarations are read.
#pragma once

#include "vxnOutsideHandles.h"

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

// Like ParseXml, raising EvxnNFeException "XML inválido: <message> (linha <n>)" on failure.
XmlDocPtr ParseXmlOrThrow(std::string_view text, std::string_view logDir, bool preserveWhitespace = true);

// The XML of an element (with the namespace declarations it needs, no XML declaration, UTF-8 text
// as is); the value of an attribute; the text content of any other node.
std::string NodeToXml(xmlNode* node);

// Text content of a node as UTF-8.
std::string NodeText(const xmlNode* node);

} // namespace vxn::outside
