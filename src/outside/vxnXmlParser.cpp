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

using XmlSaveCtxtPtr = std::unique_ptr<xmlSaveCtxt, CFree<xmlSaveClose>>;

// Parser errors are read from the context after the parse; nothing goes to stderr.
void IgnoreStructuredError(void*, xmlError*) {}

std::string FirstLine(const char* message) {
  std::string s = message ? message : "";
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' '))
    s.pop_back();
  return s;
}

// What a parse keeps beside the parser context (in its _private).
struct ParseState {
  bool sawDoctype = false;
  bool sawRoot = false;
  const XmlStartTagVisitor* onStartTag = nullptr; // only when scanning
};

// Called when the parser meets <!DOCTYPE ...>: stop before any declaration (entity or external
// subset) is read. The flag tells the caller why the parse stopped.
void RefuseDoctype(void* ctx, const xmlChar*, const xmlChar*, const xmlChar*) {
  auto* ctxt = static_cast<xmlParserCtxt*>(ctx);
  static_cast<ParseState*>(ctxt->_private)->sawDoctype = true;
  xmlStopParser(ctxt);
}

void ReportStartTag(void* ctx, const xmlChar* localName, const xmlChar* prefix, const xmlChar* uri, int,
                    const xmlChar**, int attributeCount, int, const xmlChar** attributes) {
  auto* state = static_cast<ParseState*>(static_cast<xmlParserCtxt*>(ctx)->_private);
  state->sawRoot = true;
  (*state->onStartTag)(XmlStartTag{localName, prefix, uri, attributes, attributeCount});
}

// Parses with the options of ParseXml; the caller's handlers are already in the context.
XmlDocPtr Read(xmlParserCtxt* ctxt, std::string_view text, bool preserveWhitespace) {
  int options = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_BIG_LINES;
  if (!preserveWhitespace)
    options |= XML_PARSE_NOBLANKS;
  return XmlDocPtr(
      xmlCtxtReadMemory(ctxt, text.data(), static_cast<int>(text.size()), nullptr, nullptr, options));
}

// The parse's outcome as ParseXml reports it: refused DTD, or the parser's last error.
bool Failed(xmlParserCtxt* ctxt, const ParseState& state, bool complete, XmlParseResult& result) {
  if (state.sawDoctype) {
    result.error = "documento com declaração de tipo (DOCTYPE) não é aceito";
    result.line = ctxt->input ? ctxt->input->line : 0;
    return true;
  }
  if (!complete || !ctxt->wellFormed) {
    const xmlError* err = xmlCtxtGetLastError(ctxt);
    result.error = err && err->message ? FirstLine(err->message) : "documento vazio ou mal formado";
    result.line = err ? err->line : 0;
    return true;
  }
  return false;
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
  ParseState state;
  ctxt->_private = &state;
  ctxt->sax->internalSubset = RefuseDoctype;
  ctxt->sax->serror = IgnoreStructuredError;

  XmlDocPtr doc = Read(ctxt.get(), text, preserveWhitespace);
  if (Failed(ctxt.get(), state, doc && xmlDocGetRootElement(doc.get()), result))
    return result;
  result.doc = std::move(doc);
  return result;
}

bool ScanXml(std::string_view text, const XmlStartTagVisitor& onStartTag, XmlParseResult& result) {
  EnsureLibxml();
  result = {};
  if (text.size() > static_cast<std::size_t>(INT_MAX)) {
    result.error = "documento grande demais";
    return false;
  }
  XmlParserCtxtPtr ctxt(xmlNewParserCtxt());
  if (!ctxt) {
    result.error = "sem memória para o analisador XML";
    return false;
  }
  ParseState state;
  state.onStartTag = &onStartTag;
  ctxt->_private = &state;
  // The handlers of ParseXml, less every one that builds the tree.
  xmlSAXHandler* sax = ctxt->sax;
  sax->internalSubset = RefuseDoctype;
  sax->serror = IgnoreStructuredError;
  sax->startDocument = nullptr;
  sax->endDocument = nullptr;
  sax->startElement = nullptr;
  sax->endElement = nullptr;
  sax->startElementNs = ReportStartTag;
  sax->endElementNs = nullptr;
  sax->characters = nullptr;
  sax->ignorableWhitespace = nullptr;
  sax->cdataBlock = nullptr;
  sax->comment = nullptr;
  sax->processingInstruction = nullptr;
  sax->reference = nullptr;

  Read(ctxt.get(), text, true);
  return !Failed(ctxt.get(), state, state.sawRoot, result);
}

std::string XmlStartTag::TreeName(const xmlChar* local, const xmlChar* prefix, const xmlChar* uri) {
  std::string name = reinterpret_cast<const char*>(local);
  if (prefix && !uri)
    name.insert(0, std::string(reinterpret_cast<const char*>(prefix)) + ":");
  return name;
}

std::string XmlStartTag::AttributeValue(int index) const {
  const auto* begin = reinterpret_cast<const char*>(attributes[5 * index + 3]);
  const auto* end = reinterpret_cast<const char*>(attributes[5 * index + 4]);
  // Without entity substitution the parser hands an "&" on as "&#38;", which the tree builder turns
  // back into "&"; the rest arrives decoded.
  constexpr std::string_view kAmpersand = "&#38;";
  std::string_view raw(begin, static_cast<std::size_t>(end - begin));
  std::string value;
  value.reserve(raw.size());
  for (std::size_t at; (at = raw.find(kAmpersand)) != std::string_view::npos;) {
    value.append(raw.substr(0, at)).push_back('&');
    raw.remove_prefix(at + kAmpersand.size());
  }
  value.append(raw);
  return value;
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

namespace {

// Whether the declaration that binds `prefix` nearest to `element`, looking no higher than `top`, binds it
// to `href`: what libxml2's copy of `top` finds for the namespace without declaring it again.
bool DeclaredWithin(const xmlNode* element, const xmlNs* ns, const xmlNode* top) {
  for (const xmlNode* n = element;; n = n->parent) {
    for (const xmlNs* d = n->nsDef; d; d = d->next)
      if (d->href && xmlStrEqual(d->prefix, ns->prefix))
        return xmlStrEqual(d->href, ns->href);
    if (n == top)
      return false;
  }
}

// Whether a copy of `node` into a document of its own would serialise as the node does where it is:
// every namespace its elements and attributes use is declared inside it, it holds only elements, text,
// CDATA, comments and processing instructions, and its document has no DTD (whose entities a copy
// treats its own way). The answer may be "no" when the copy would change nothing; never the reverse.
bool SerialisesAlone(const xmlNode* node) {
  if (!node->doc || node->doc->intSubset || node->doc->extSubset)
    return false;
  for (const xmlNode* n = node;;) {
    switch (n->type) {
    case XML_ELEMENT_NODE:
      if (n->ns && !DeclaredWithin(n, n->ns, node))
        return false;
      for (const xmlAttr* a = n->properties; a; a = a->next)
        if (a->ns && !DeclaredWithin(n, a->ns, node))
          return false;
      break;
    case XML_TEXT_NODE:
    case XML_CDATA_SECTION_NODE:
    case XML_COMMENT_NODE:
    case XML_PI_NODE:
      break;
    default:
      return false;
    }
    if (n->type == XML_ELEMENT_NODE && n->children) {
      n = n->children;
      continue;
    }
    while (n != node && !n->next)
      n = n->parent;
    if (n == node)
      return true;
    n = n->next;
  }
}

std::string SavedXml(xmlNode* root) {
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

} // namespace

std::string NodeToXml(xmlNode* node) {
  if (!node)
    return {};
  if (node->type == XML_NAMESPACE_DECL) {
    const auto* ns = reinterpret_cast<const xmlNs*>(node);
    return ns->href ? reinterpret_cast<const char*>(ns->href) : "";
  }
  if (node->type != XML_ELEMENT_NODE)
    return NodeText(node);

  // An element that declares every namespace it uses is written where it stands: a copy would give the
  // same text at the cost of copying the whole subtree (a signed NF-e is thousands of nodes). The
  // serialiser writes non-ASCII characters of attribute values as references unless the document names
  // an encoding; the copy below names UTF-8, and so does the document for the time of the writing.
  if (SerialisesAlone(node)) {
    xmlDoc* doc = node->doc;
    const xmlChar* encoding = doc->encoding;
    static const xmlChar kUtf8[] = "UTF-8";
    if (!encoding)
      doc->encoding = kUtf8;
    std::string xml = SavedXml(node);
    doc->encoding = encoding;
    return xml;
  }

  // Otherwise the element is copied into a document of its own: the copy gains the declarations of the
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
  return SavedXml(root);
}

} // namespace vxn::outside
