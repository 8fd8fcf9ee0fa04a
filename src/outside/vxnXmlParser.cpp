#include "vxnXmlParser.h"

#include "vxnNFeException.h"

#include <libxml/parserInternals.h>
#include <libxml/xmlIO.h>
#include <libxml/xmlsave.h>
#include <libxml/xmlschemastypes.h>

#include <climits>
#include <mutex>

namespace vxn::outside {

namespace {

using XmlParserCtxtPtr = std::unique_ptr<xmlParserCtxt, CFree<xmlFreeParserCtxt>>;
using XmlSaveCtxtPtr = std::unique_ptr<xmlSaveCtxt, CFree<xmlSaveClose>>;

// Parser errors are read from the context after the parse; nothing goes to stderr.
void IgnoreStructuredError(void*, xmlError*) {}

// Called when the parser meets <!DOCTYPE ...>: stop before any declaration (entity or external
// subset) is read. The flag tells the caller why the parse stopped.
void RefuseDoctype(void* ctx, const xmlChar*, const xmlChar*, const xmlChar*) {
  auto* ctxt = static_cast<xmlParserCtxt*>(ctx);
  *static_cast<bool*>(ctxt->_private) = true;
  xmlStopParser(ctxt);
}

std::string FirstLine(const char* message) {
  std::string s = message ? message : "";
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' '))
    s.pop_back();
  return s;
}

} // namespace

void EnsureLibxml() {
  static std::once_flag once;
  std::call_once(once, [] {
    xmlInitParser();
    // The schema type tables are built lazily on first use, which is not safe when two threads
    // compile schemas at once; build them here, once.
    xmlSchemaInitTypes();
    // No parse in this process may reach the network through an external entity or schema import.
    xmlSetExternalEntityLoader(xmlNoNetExternalEntityLoader);
  });
}

XmlParseResult ParseXml(std::string_view text, bool preserveWhitespace) {
  EnsureLibxml();
  XmlParseResult result;
  if (text.size() > static_cast<std::size_t>(INT_MAX)) {
    result.error = "documento grande demais";
    return result;
  }
  XmlParserCtxtPtr ctxt(xmlNewParserCtxt());
  if (!ctxt) {
    result.error = "sem memória para o analisador XML";
    return result;
  }
  bool sawDoctype = false;
  ctxt->_private = &sawDoctype;
  ctxt->sax->internalSubset = RefuseDoctype;
  ctxt->sax->serror = IgnoreStructuredError;

  int options = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_BIG_LINES;
  if (!preserveWhitespace)
    options |= XML_PARSE_NOBLANKS;
  XmlDocPtr doc(
      xmlCtxtReadMemory(ctxt.get(), text.data(), static_cast<int>(text.size()), nullptr, nullptr, options));
  if (sawDoctype) {
    result.error = "documento com declaração de tipo (DOCTYPE) não é aceito";
    result.line = ctxt->input ? ctxt->input->line : 0;
    return result;
  }
  if (!doc || !ctxt->wellFormed || !xmlDocGetRootElement(doc.get())) {
    const xmlError* err = xmlCtxtGetLastError(ctxt.get());
    result.error = err && err->message ? FirstLine(err->message) : "documento vazio ou mal formado";
    result.line = err ? err->line : 0;
    return result;
  }
  result.doc = std::move(doc);
  return result;
}

XmlDocPtr ParseXmlOrThrow(std::string_view text, std::string_view logDir, bool preserveWhitespace) {
  XmlParseResult r = ParseXml(text, preserveWhitespace);
  if (!r.doc)
    throw EvxnNFeException("XML inválido: %s (linha %d)", {r.error, r.line}, logDir);
  return std::move(r.doc);
}

std::string NodeText(const xmlNode* node) {
  XmlCharPtr content(xmlNodeGetContent(node));
  return content ? reinterpret_cast<const char*>(content.get()) : "";
}

std::string NodeToXml(xmlNode* node) {
  if (!node)
    return {};
  if (node->type == XML_NAMESPACE_DECL) {
    const auto* ns = reinterpret_cast<const xmlNs*>(node);
    return ns->href ? reinterpret_cast<const char*>(ns->href) : "";
  }
  if (node->type != XML_ELEMENT_NODE)
    return NodeText(node);

  // The element is copied into a document of its own: the copy gains the declarations of the
  // namespaces it inherits from its ancestors, so the text stands alone. The UTF-8 encoding on the
  // document keeps non-ASCII characters as they are instead of character references.
  XmlDocPtr copy(xmlNewDoc(BAD_CAST "1.0"));
  if (!copy)
    return {};
  copy->encoding = xmlStrdup(BAD_CAST "UTF-8");
  xmlNode* root = xmlDocCopyNode(node, copy.get(), 1);
  if (!root)
    return {};
  xmlDocSetRootElement(copy.get(), root);

  XmlBufferPtr buffer(xmlBufferCreate());
  {
    XmlSaveCtxtPtr save(xmlSaveToBuffer(buffer.get(), "UTF-8", XML_SAVE_NO_DECL));
    if (!save)
      return {};
    xmlSaveTree(save.get(), root);
  } // closing the save context flushes into the buffer
  return std::string(reinterpret_cast<const char*>(xmlBufferContent(buffer.get())),
                     static_cast<std::size_t>(xmlBufferLength(buffer.get())));
}

} // namespace vxn::outside
