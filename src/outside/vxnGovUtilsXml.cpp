// XPath, the XML text helpers, escaping and accent removal of TvxnGovUtils.
#include "vxnGovUtils.h"

#include "vxnNFeException.h"
#include "vxnPlainXml.h"
#include "vxnText.h"
#include "vxnXPathSelection.h"
#include "vxnXmlParser.h"

#include <libxml/xpathInternals.h>

#include <algorithm>
#include <cctype>
#include <optional>
#include <utility>

namespace vxn {

using namespace vxn::outside;

namespace {

// ---------------------------------------------------------------- XPath

void IgnoreXPathError(void*, xmlError*) {}

// Prefixes every caller may use without declaring them.
constexpr std::pair<std::string_view, std::string_view> kDefaultPrefixes[] = {
    {"tec", kNFeNamespace},     {"nfe", kNFeNamespace},       {"ds", kDSigNamespace},
    {"soap", kSoap12Namespace}, {"soap12", kSoap12Namespace}, {"xsi", kXsiNamespace},
};

// Reads declarations of the form xmlns:p="uri" (or 'uri'), separated by blanks.
std::vector<std::pair<std::string, std::string>> ParseNamespaceDeclarations(std::string_view decls) {
  std::vector<std::pair<std::string, std::string>> out;
  std::size_t pos = 0;
  while ((pos = decls.find("xmlns:", pos)) != std::string_view::npos) {
    pos += 6;
    const std::size_t eq = decls.find('=', pos);
    if (eq == std::string_view::npos)
      break;
    std::string prefix = Trim(decls.substr(pos, eq - pos));
    std::size_t q = eq + 1;
    while (q < decls.size() && (decls[q] == ' ' || decls[q] == '\t'))
      ++q;
    if (q >= decls.size() || (decls[q] != '"' && decls[q] != '\''))
      break;
    const std::size_t close = decls.find(decls[q], q + 1);
    if (close == std::string_view::npos)
      break;
    if (!prefix.empty())
      out.emplace_back(std::move(prefix), std::string(decls.substr(q + 1, close - q - 1)));
    pos = close + 1;
  }
  return out;
}

struct XPathResult {
  XmlDocPtr doc;
  XmlXPathObjectPtr object;
};

XPathResult EvaluateXPath(std::string_view xml, std::string_view xpath, std::string_view namespaces,
                          bool atRoot, bool preserveWhitespace, const std::string& logDir) {
  XPathResult r;
  r.doc = ParseXmlOrThrow(xml, logDir, preserveWhitespace);
  XmlXPathContextPtr ctx(xmlXPathNewContext(r.doc.get()));
  if (!ctx)
    throw EvxnNFeException("Falha ao criar o contexto XPath.", logDir);
  ctx->error = IgnoreXPathError;
  for (const auto& [prefix, uri] : kDefaultPrefixes)
    xmlXPathRegisterNs(ctx.get(), BAD_CAST std::string(prefix).c_str(), BAD_CAST std::string(uri).c_str());
  for (const auto& [prefix, uri] : ParseNamespaceDeclarations(namespaces)) {
    // Registering a prefix again replaces its earlier binding.
    xmlXPathRegisterNs(ctx.get(), BAD_CAST prefix.c_str(), BAD_CAST uri.c_str());
  }
  ctx->node = atRoot ? xmlDocGetRootElement(r.doc.get()) : reinterpret_cast<xmlNode*>(r.doc.get());
  const std::string expr(xpath);
  r.object.reset(xmlXPathEvalExpression(BAD_CAST expr.c_str(), ctx.get()));
  if (!r.object)
    throw EvxnNFeException("Expressão XPath inválida: %s", {expr}, logDir);
  return r;
}

// The text of a result that is not a node set.
std::string ScalarText(xmlXPathObject* obj) {
  XmlCharPtr s(xmlXPathCastToString(obj));
  return s ? reinterpret_cast<const char*>(s.get()) : "";
}

// ---------------------------------------------------------------- text search in markup

bool IsNameChar(char c) {
  return c != ' ' && c != '\t' && c != '\r' && c != '\n' && c != '>' && c != '/' && c != '=';
}

struct StartTag {
  std::size_t begin = std::string_view::npos; // position of "<"
  std::size_t contentBegin = 0;               // just after ">"
  std::string qname;                          // the name as written, with its prefix
  std::string_view attributes;                // text between the name and ">" (or "/>")
  bool selfClosing = false;
};

// The first start tag at or after `from` whose name, or local name, is `tag`.
StartTag FindStartTag(std::string_view xml, std::string_view tag, std::size_t from = 0) {
  StartTag t;
  std::size_t pos = from;
  while ((pos = xml.find('<', pos)) != std::string_view::npos) {
    std::size_t n = pos + 1;
    if (n >= xml.size())
      break;
    if (xml[n] == '/' || xml[n] == '!' || xml[n] == '?') {
      ++pos;
      continue;
    }
    std::size_t e = n;
    while (e < xml.size() && IsNameChar(xml[e]))
      ++e;
    const std::string_view qname = xml.substr(n, e - n);
    const std::size_t colon = qname.find(':');
    const std::string_view local = colon == std::string_view::npos ? qname : qname.substr(colon + 1);
    if (qname == tag || (tag.find(':') == std::string_view::npos && local == tag)) {
      // Find the closing ">" of the tag, skipping quoted attribute values.
      char quote = 0;
      std::size_t k = e;
      for (; k < xml.size(); ++k) {
        const char c = xml[k];
        if (quote) {
          if (c == quote)
            quote = 0;
        } else if (c == '"' || c == '\'') {
          quote = c;
        } else if (c == '>') {
          break;
        }
      }
      if (k >= xml.size())
        return t; // unterminated tag
      t.begin = pos;
      t.qname = std::string(qname);
      t.selfClosing = k > e && xml[k - 1] == '/';
      t.attributes = xml.substr(e, k - e - (t.selfClosing ? 1 : 0));
      t.contentBegin = k + 1;
      return t;
    }
    pos = n;
  }
  return t;
}

// Position of the end tag "</qname>" (blanks allowed before ">") at or after `from`.
std::size_t FindEndTag(std::string_view xml, std::string_view qname, std::size_t from) {
  const std::string open = "</" + std::string(qname);
  std::size_t pos = from;
  while ((pos = xml.find(open, pos)) != std::string_view::npos) {
    std::size_t k = pos + open.size();
    while (k < xml.size() && (xml[k] == ' ' || xml[k] == '\t' || xml[k] == '\r' || xml[k] == '\n'))
      ++k;
    if (k < xml.size() && xml[k] == '>')
      return pos;
    pos += open.size();
  }
  return std::string_view::npos;
}

// ---------------------------------------------------------------- escaping

bool IsNameStartChar(unsigned char c) {
  return std::isalpha(c) || c == '_' || c == ':' || c >= 0x80;
}

// Length of the entity or character reference at text[pos] ("&amp;" gives 5), or 0 when the "&"
// does not begin a well-formed reference.
std::size_t ReferenceLength(std::string_view text, std::size_t pos) {
  std::size_t k = pos + 1;
  if (k < text.size() && text[k] == '#') {
    ++k;
    const bool hex = k < text.size() && text[k] == 'x';
    if (hex)
      ++k;
    const std::size_t digitsBegin = k;
    while (k < text.size() && (hex ? std::isxdigit(static_cast<unsigned char>(text[k]))
                                   : std::isdigit(static_cast<unsigned char>(text[k]))))
      ++k;
    if (k == digitsBegin || k >= text.size() || text[k] != ';' || k - digitsBegin > 8)
      return 0;
    // A reference to a character XML does not allow would make the text unparseable.
    const unsigned long code =
        std::stoul(std::string(text.substr(digitsBegin, k - digitsBegin)), nullptr, hex ? 16 : 10);
    const bool isXmlChar = code == 0x9 || code == 0xA || code == 0xD || (code >= 0x20 && code <= 0xD7FF) ||
                           (code >= 0xE000 && code <= 0xFFFD) || (code >= 0x10000 && code <= 0x10FFFF);
    return isXmlChar ? k + 1 - pos : 0;
  }
  for (std::string_view name : {"amp;", "lt;", "gt;", "quot;", "apos;"})
    if (text.substr(k, name.size()) == name)
      return 1 + name.size();
  return 0;
}

// Characters XML 1.0 allows: tab, LF, CR and everything from U+0020 (the multi-byte ones are kept).
bool IsAllowedByte(unsigned char c) {
  return c >= 0x20 || c == '\t' || c == '\n' || c == '\r';
}

// Appends text[pos] after fixing what would make it unparseable in character data or in an
// attribute value; returns how many input bytes were consumed.
std::size_t AppendEscapedChar(std::string& out, std::string_view text, std::size_t pos) {
  const char c = text[pos];
  if (c == '&') {
    const std::size_t len = ReferenceLength(text, pos);
    if (len == 0) {
      out += "&amp;";
      return 1;
    }
    out.append(text.substr(pos, len));
    return len;
  }
  if (c == '<') {
    out += "&lt;";
    return 1;
  }
  if (IsAllowedByte(static_cast<unsigned char>(c)))
    out += c;
  return 1;
}

// Copies the section that starts at pos and ends with `terminator` unchanged; returns the new
// position (the end of the text when it is not terminated).
std::size_t CopySection(std::string& out, std::string_view text, std::size_t pos,
                        std::string_view terminator) {
  std::size_t end = text.find(terminator, pos);
  end = end == std::string_view::npos ? text.size() : end + terminator.size();
  out.append(text.substr(pos, end - pos));
  return end;
}

// Copies a quoted attribute value from pos up to and including its closing quote (to the end of the
// text when it has none), escaping as AppendEscapedChar does; returns the new position. Plain runs are
// copied at once.
std::size_t CopyQuoted(std::string& out, std::string_view text, std::size_t pos, char quote) {
  std::size_t k = pos;
  while (k < text.size()) {
    std::size_t run = k;
    while (run < text.size() && text[run] != quote && text[run] != '&' && text[run] != '<' &&
           IsAllowedByte(static_cast<unsigned char>(text[run])))
      ++run;
    out.append(text.substr(k, run - k));
    k = run;
    if (k == text.size())
      break;
    if (text[k] == quote) {
      out += quote;
      return k + 1;
    }
    k += AppendEscapedChar(out, text, k);
  }
  return k;
}

// Copies a start or end tag, escaping inside its quoted attribute values; returns the new position.
std::size_t CopyTag(std::string& out, std::string_view text, std::size_t pos) {
  std::size_t k = pos;
  while (k < text.size()) {
    // Outside quotes everything is copied: the name and the blanks up to the next quote or ">" at once.
    std::size_t stop = k;
    while (stop < text.size() && text[stop] != '"' && text[stop] != '\'' && text[stop] != '>')
      ++stop;
    out.append(text.substr(k, stop - k));
    k = stop;
    if (k == text.size())
      break;
    const char c = text[k++];
    out += c;
    if (c == '>')
      break;
    k = CopyQuoted(out, text, k, c);
  }
  return k;
}

// ---------------------------------------------------------------- accents

// The plain form of a Latin-1 letter or ordinal indicator, or "" when it has none.
std::string_view PlainLetter(char32_t c) {
  static constexpr std::string_view kUpper[] = {
      "A", "A", "A", "A", "A", "A", "AE", "C", "E", "E", "E", "E", "I", "I", "I",  "I",   // C0-CF
      "D", "N", "O", "O", "O", "O", "O",  "",  "O", "U", "U", "U", "U", "Y", "TH", "ss"}; // D0-DF
  static constexpr std::string_view kLower[] = {
      "a", "a", "a", "a", "a", "a", "ae", "c", "e", "e", "e", "e", "i", "i", "i",  "i",  // E0-EF
      "d", "n", "o", "o", "o", "o", "o",  "",  "o", "u", "u", "u", "u", "y", "th", "y"}; // F0-FF
  if (c >= 0xC0 && c <= 0xDF)
    return kUpper[c - 0xC0];
  if (c >= 0xE0 && c <= 0xFF)
    return kLower[c - 0xE0];
  switch (c) {
  case 0xAA: // ª
    return "a";
  case 0xBA: // º
    return "o";
  case 0x0152:
    return "OE";
  case 0x0153:
    return "oe";
  case 0x0160:
    return "S";
  case 0x0161:
    return "s";
  case 0x0178:
    return "Y";
  case 0x017D:
    return "Z";
  case 0x017E:
    return "z";
  default:
    return {};
  }
}

// Walks the UTF-8 text once: runs of ASCII are copied as they are, and each other character is decoded
// and written back (re-encoded exactly as a round trip through UTF-32 would) or replaced by its plain
// letters. A whole lot goes through here before signing, so no copy per character.
template <class Pred> std::string ReplaceAccents(std::string_view text, Pred shouldReplace) {
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t ascii = i;
    while (ascii < text.size() && static_cast<unsigned char>(text[ascii]) < 0x80)
      ++ascii;
    out.append(text.substr(i, ascii - i));
    if (ascii == text.size())
      break;
    const std::size_t next = ascii + Utf8Offset(text.substr(ascii), 1);
    const std::u32string c = Utf8ToU32(text.substr(ascii, next - ascii));
    const std::string_view plain = shouldReplace(c[0]) ? PlainLetter(c[0]) : std::string_view{};
    out += plain.empty() ? U32ToUtf8(c) : std::string(plain);
    i = next;
  }
  return out;
}

} // namespace

// ---------------------------------------------------------------- XPath

bool TvxnGovUtils::XPathSelectSingleNode(std::string_view xml, std::string_view xpath, std::string& node,
                                         std::string_view namespaces, bool preserveWhitespace) const {
  node.clear();
  XPathResult r = EvaluateXPath(xml, xpath, namespaces, false, preserveWhitespace, logDirErro_);
  xmlXPathObject* obj = r.object.get();
  if (obj->type != XPATH_NODESET) {
    node = ScalarText(obj);
    return obj->type == XPATH_BOOLEAN ? obj->boolval != 0 : !node.empty();
  }
  if (!obj->nodesetval || obj->nodesetval->nodeNr == 0)
    return false;
  node = NodeToXml(obj->nodesetval->nodeTab[0]);
  return true;
}

std::vector<std::string> TvxnGovUtils::XPathSelectNodes(std::string_view xml, std::string_view xpath,
                                                        std::string_view namespaces) const {
  XPathResult r = EvaluateXPath(xml, xpath, namespaces, true, true, logDirErro_);
  xmlXPathObject* obj = r.object.get();
  std::vector<std::string> nodes;
  if (obj->type != XPATH_NODESET) {
    nodes.push_back(ScalarText(obj));
    return nodes;
  }
  if (obj->nodesetval)
    for (int i = 0; i < obj->nodesetval->nodeNr; ++i)
      nodes.push_back(NodeToXml(obj->nodesetval->nodeTab[i]));
  return nodes;
}

namespace {

// FindAttribute on the XML of an element, read from its tree: the first element at or below it, in
// document order, named `element` (any element when empty) with an attribute `attribute` without
// namespace. The XML written from a tree and read again gives back the same names and values; only a DTD
// (entities in values) could make them differ, and such a tree is not read here (false).
bool AttributeInTree(const xmlNode* top, std::string_view element, std::string_view attribute,
                     std::string& value) {
  value.clear();
  for (const xmlNode* n = top;;) {
    if (n->type == XML_ELEMENT_NODE && (element.empty() || element == reinterpret_cast<const char*>(n->name)))
      for (const xmlAttr* a = n->properties; a; a = a->next)
        if (!a->ns && attribute == reinterpret_cast<const char*>(a->name)) {
          value = NodeText(reinterpret_cast<const xmlNode*>(a));
          return true;
        }
    if (n->type == XML_ELEMENT_NODE && n->children) {
      n = n->children;
      continue;
    }
    while (n != top && !n->next)
      n = n->parent;
    if (n == top)
      return false;
    n = n->next;
  }
}

// The children of the document element with their attribute, from a text in the plain form (an
// element's own text is then what libxml2 writes for it); nothing for any other text.
std::optional<std::vector<TvxnSelectedNode>> PlainRootChildren(std::string_view xml, std::string_view element,
                                                               std::string_view attribute) {
  const std::optional<PlainXml> plain = ReadPlainXml(xml);
  if (!plain)
    return std::nullopt;
  const std::vector<PlainXmlElement>& elements = plain->elements;
  std::vector<TvxnSelectedNode> nodes;
  for (std::size_t i = 1; i < elements.size(); ++i) {
    if (elements[i].depth != 1)
      continue;
    TvxnSelectedNode s{PlainElementXml(xml, *plain, i), {}};
    // The first element at or below it, in document order, with the attribute.
    for (std::size_t k = i; k < elements.size() && elements[k].begin < elements[i].end; ++k)
      if (element.empty() || elements[k].name == element)
        if (const PlainXmlAttribute* a = plain->Attribute(elements[k], attribute)) {
          s.Attribute = a->Value();
          break;
        }
    nodes.push_back(std::move(s));
  }
  return nodes;
}

} // namespace

std::vector<TvxnSelectedNode> XPathSelectNodesWithAttribute(const TvxnGovUtils& utils, std::string_view xml,
                                                            std::string_view xpath, std::string_view element,
                                                            std::string_view attribute) {
  // A lot log's documents (the children of its root) are taken straight from its text when libxml2 would
  // write each of them out as it stands: no tree to build, write out and free.
  if (xpath == "*")
    if (std::optional<std::vector<TvxnSelectedNode>> plain = PlainRootChildren(xml, element, attribute))
      return std::move(*plain);
  XPathResult r = EvaluateXPath(xml, xpath, {}, true, true, utils.GetDiretorioLogErro());
  xmlXPathObject* obj = r.object.get();
  const bool fromTree = !r.doc->intSubset && !r.doc->extSubset;
  std::vector<TvxnSelectedNode> nodes;
  auto add = [&](xmlNode* node, std::string text) {
    TvxnSelectedNode s{std::move(text), {}};
    if (fromTree && node && node->type == XML_ELEMENT_NODE)
      AttributeInTree(node, element, attribute, s.Attribute);
    else
      utils.FindAttribute(s.Xml, element, attribute, s.Attribute);
    nodes.push_back(std::move(s));
  };
  if (obj->type != XPATH_NODESET) {
    add(nullptr, ScalarText(obj));
    return nodes;
  }
  if (obj->nodesetval)
    for (int i = 0; i < obj->nodesetval->nodeNr; ++i)
      add(obj->nodesetval->nodeTab[i], NodeToXml(obj->nodesetval->nodeTab[i]));
  return nodes;
}

bool TvxnGovUtils::FindAttribute(std::string_view xml, std::string_view element, std::string_view attribute,
                                 std::string& value) const {
  value.clear();
  // A plain text is XML for libxml2 too, with the same elements and values: no need to scan it through
  // the parser, which costs some sixty instructions a byte.
  if (const std::optional<PlainXml> plain = ReadPlainXml(xml)) {
    for (const PlainXmlElement& e : plain->elements)
      if (element.empty() || e.name == element)
        if (const PlainXmlAttribute* a = plain->Attribute(e, attribute)) {
          value = a->Value();
          return true;
        }
    return false;
  }
  bool found = false;
  auto visit = [&](const XmlStartTag& tag) {
    if (found || (!element.empty() && element != tag.Name()))
      return;
    for (int i = 0; i < tag.attributeCount && !found; ++i)
      if (!tag.AttributeHasNamespace(i) && tag.AttributeName(i) == attribute) {
        value = tag.AttributeValue(i);
        found = true;
      }
  };
  // The whole text is read even after a hit, so that text that is not XML fails as in XPathSelectSingleNode.
  XmlParseResult r;
  if (!ScanXml(xml, visit, r)) {
    value.clear();
    throw EvxnNFeException("XML inválido: %s (linha %d)", {r.error, r.line}, logDirErro_);
  }
  return found;
}

std::vector<std::string> TvxnGovUtils::FindAttributes(std::string_view xml, std::string_view namespaceUri,
                                                      std::string_view element,
                                                      std::string_view attribute) const {
  std::vector<std::string> values;
  if (const std::optional<PlainXml> plain = ReadPlainXml(xml)) {
    for (std::size_t i = 1; i < plain->elements.size(); ++i) {
      const PlainXmlElement& e = plain->elements[i];
      if (!e.namespaceUri.empty() && e.namespaceUri == namespaceUri && e.name == element)
        if (const PlainXmlAttribute* a = plain->Attribute(e, attribute))
          values.push_back(a->Value());
    }
    return values;
  }
  bool root = true; // at the document element, ".//" selects below it only
  auto visit = [&](const XmlStartTag& tag) {
    if (std::exchange(root, false) || !tag.namespaceUri ||
        namespaceUri != reinterpret_cast<const char*>(tag.namespaceUri) ||
        element != reinterpret_cast<const char*>(tag.localName))
      return;
    for (int i = 0; i < tag.attributeCount; ++i)
      if (!tag.AttributeHasNamespace(i) && tag.AttributeName(i) == attribute) {
        values.push_back(tag.AttributeValue(i));
        break;
      }
  };
  XmlParseResult r;
  if (!ScanXml(xml, visit, r))
    throw EvxnNFeException("XML inválido: %s (linha %d)", {r.error, r.line}, logDirErro_);
  return values;
}

// ---------------------------------------------------------------- XML helpers

std::string TvxnGovUtils::GetValueTag(std::string_view tag, std::string_view xml) const {
  const StartTag t = FindStartTag(xml, tag);
  if (t.begin == std::string_view::npos || t.selfClosing)
    return {};
  const std::size_t end = FindEndTag(xml, t.qname, t.contentBegin);
  if (end == std::string_view::npos)
    return {};
  return std::string(xml.substr(t.contentBegin, end - t.contentBegin));
}

std::string TvxnGovUtils::GetValueTag(std::string_view parent, std::string_view tag,
                                      std::string_view xml) const {
  return GetValueTag(tag, GetValueTag(parent, xml));
}

std::string TvxnGovUtils::GetValueParam(std::string_view tag, std::string_view param,
                                        std::string_view xml) const {
  const StartTag t = FindStartTag(xml, tag);
  if (t.begin == std::string_view::npos)
    return {};
  const std::string_view a = t.attributes;
  std::size_t pos = 0;
  while ((pos = a.find(param, pos)) != std::string_view::npos) {
    const bool startsName = pos > 0 && !IsNameChar(a[pos - 1]);
    std::size_t k = pos + param.size();
    while (k < a.size() && (a[k] == ' ' || a[k] == '\t' || a[k] == '\r' || a[k] == '\n'))
      ++k;
    if (startsName && k < a.size() && a[k] == '=') {
      ++k;
      while (k < a.size() && (a[k] == ' ' || a[k] == '\t' || a[k] == '\r' || a[k] == '\n'))
        ++k;
      if (k < a.size() && (a[k] == '"' || a[k] == '\'')) {
        const std::size_t close = a.find(a[k], k + 1);
        if (close != std::string_view::npos)
          return std::string(a.substr(k + 1, close - k - 1));
      }
      return {};
    }
    pos += param.size();
  }
  return {};
}

std::string TvxnGovUtils::GetXMLNamespace(std::string_view xml) const {
  XmlParseResult r = ParseXml(xml);
  if (!r.doc)
    return {};
  const xmlNode* root = xmlDocGetRootElement(r.doc.get());
  return root->ns && root->ns->href ? reinterpret_cast<const char*>(root->ns->href) : "";
}

namespace {
const xmlNode* FindElement(const xmlNode* node, std::string_view localName) {
  for (; node; node = node->next) {
    if (node->type != XML_ELEMENT_NODE)
      continue;
    if (localName == reinterpret_cast<const char*>(node->name))
      return node;
    if (const xmlNode* found = FindElement(node->children, localName))
      return found;
  }
  return nullptr;
}
} // namespace

std::string TvxnGovUtils::GetNodeNamespaceURI(std::string_view xml, std::string_view localName) const {
  XmlParseResult r = ParseXml(xml);
  if (!r.doc)
    return {};
  const xmlNode* node = FindElement(xmlDocGetRootElement(r.doc.get()), localName);
  return node && node->ns && node->ns->href ? reinterpret_cast<const char*>(node->ns->href) : "";
}

std::string TvxnGovUtils::GetXMLAttributeByIndex(std::string_view xml, std::string_view localName,
                                                 std::size_t index) const {
  XmlParseResult r = ParseXml(xml);
  if (!r.doc)
    return {};
  const xmlNode* root = xmlDocGetRootElement(r.doc.get());
  const xmlNode* node = localName.empty() ? root : FindElement(root, localName);
  if (!node)
    return {};
  std::size_t i = 0;
  for (const xmlAttr* a = node->properties; a; a = a->next, ++i)
    if (i == index)
      return NodeText(reinterpret_cast<const xmlNode*>(a));
  return {};
}

std::string TvxnGovUtils::Escape(std::string_view text) const {
  std::string out;
  out.reserve(text.size() + text.size() / 16);
  std::size_t pos = 0;
  while (pos < text.size()) {
    const char c = text[pos];
    if (c != '<') {
      // Character data is copied by runs up to the next "<", "&" or byte that XML forbids.
      std::size_t end = pos;
      while (end < text.size() && text[end] != '<' && text[end] != '&' &&
             IsAllowedByte(static_cast<unsigned char>(text[end])))
        ++end;
      if (end > pos) {
        out.append(text.substr(pos, end - pos));
        pos = end;
      } else {
        pos += AppendEscapedChar(out, text, pos);
      }
      continue;
    }
    const std::string_view rest = text.substr(pos);
    if (rest.starts_with("<![CDATA["))
      pos = CopySection(out, text, pos, "]]>");
    else if (rest.starts_with("<!--"))
      pos = CopySection(out, text, pos, "-->");
    else if (rest.starts_with("<?"))
      pos = CopySection(out, text, pos, "?>");
    else if (rest.starts_with("<!"))
      pos = CopySection(out, text, pos, ">");
    else if (rest.size() > 1 && (rest[1] == '/' || IsNameStartChar(static_cast<unsigned char>(rest[1]))))
      pos = CopyTag(out, text, pos);
    else
      pos += AppendEscapedChar(out, text, pos); // a "<" that begins no markup
  }
  return out;
}

std::string TvxnGovUtils::Unescape(std::string_view text) const {
  std::string out;
  out.reserve(text.size());
  std::size_t pos = 0;
  while (pos < text.size()) {
    if (text[pos] != '&') {
      out += text[pos++];
      continue;
    }
    const std::size_t len = ReferenceLength(text, pos);
    if (len == 0) {
      out += text[pos++];
      continue;
    }
    const std::string_view ref = text.substr(pos + 1, len - 2);
    if (ref[0] == '#') {
      const bool hex = ref.size() > 1 && ref[1] == 'x';
      const unsigned long code = std::stoul(std::string(ref.substr(hex ? 2 : 1)), nullptr, hex ? 16 : 10);
      out += U32ToUtf8(std::u32string(1, static_cast<char32_t>(code)));
    } else if (ref == "amp") {
      out += '&';
    } else if (ref == "lt") {
      out += '<';
    } else if (ref == "gt") {
      out += '>';
    } else if (ref == "quot") {
      out += '"';
    } else {
      out += '\'';
    }
    pos += len;
  }
  return out;
}

std::string TvxnGovUtils::RemoveAccents(std::string_view text) const {
  return ReplaceAccents(text, [](char32_t) { return true; });
}

std::string TvxnGovUtils::DynamicRemoveAccents(std::string_view text, std::string_view chars) const {
  const std::u32string listed = Utf8ToU32(chars);
  return ReplaceAccents(text, [&listed](char32_t c) { return listed.find(c) != std::u32string::npos; });
}

std::string TvxnGovUtils::RemoveBOM(std::string_view text) const {
  if (text.starts_with("\xEF\xBB\xBF"))
    text.remove_prefix(3);
  return std::string(text);
}

bool TvxnGovUtils::IsValidXml(std::string_view xml) const {
  return ParseXml(xml).doc != nullptr;
}

} // namespace vxn
