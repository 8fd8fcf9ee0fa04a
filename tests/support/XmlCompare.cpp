#include "support/XmlCompare.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <map>
#include <memory>
#include <vector>

namespace vxn::test {

namespace {

struct DocFree {
  void operator()(xmlDoc* d) const { xmlFreeDoc(d); }
};
using Doc = std::unique_ptr<xmlDoc, DocFree>;

Doc Parse(std::string_view xml) {
  return Doc(xmlReadMemory(xml.data(), static_cast<int>(xml.size()), "compare.xml", nullptr,
                           XML_PARSE_NONET | XML_PARSE_NOBLANKS | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
}

std::string Str(const xmlChar* s) {
  return s ? reinterpret_cast<const char*>(s) : "";
}

std::string Name(const xmlNode* n) {
  std::string ns = n->ns ? Str(n->ns->href) : "";
  return (ns.empty() ? "" : "{" + ns + "}") + Str(n->name);
}

std::map<std::string, std::string> Attributes(const xmlNode* n) {
  std::map<std::string, std::string> out;
  for (const xmlAttr* a = n->properties; a; a = a->next) {
    xmlChar* v = xmlNodeListGetString(n->doc, a->children, 1);
    out[Str(a->name)] = Str(v);
    xmlFree(v);
  }
  return out;
}

std::vector<const xmlNode*> Elements(const xmlNode* n) {
  std::vector<const xmlNode*> out;
  for (const xmlNode* c = n->children; c; c = c->next)
    if (c->type == XML_ELEMENT_NODE)
      out.push_back(c);
  return out;
}

// The text directly inside an element (its text and CDATA children).
std::string OwnText(const xmlNode* n) {
  std::string out;
  for (const xmlNode* c = n->children; c; c = c->next)
    if (c->type == XML_TEXT_NODE || c->type == XML_CDATA_SECTION_NODE)
      out += Str(c->content);
  return out;
}

std::string Compare(const xmlNode* e, const xmlNode* a, const std::string& path) {
  const std::string here = path + "/" + Name(e);
  if (Name(e) != Name(a))
    return here + ": expected element " + Name(e) + ", found " + Name(a);
  const auto ea = Attributes(e), aa = Attributes(a);
  if (ea != aa) {
    std::string detail;
    for (const auto& [k, v] : ea)
      detail +=
          " expected " + k + "=\"" + v + "\"" + (aa.contains(k) ? " found \"" + aa.at(k) + "\"" : " absent");
    for (const auto& [k, v] : aa)
      if (!ea.contains(k))
        detail += " unexpected " + k + "=\"" + v + "\"";
    return here + ": attributes differ:" + detail;
  }
  if (OwnText(e) != OwnText(a))
    return here + ": expected text \"" + OwnText(e) + "\", found \"" + OwnText(a) + "\"";
  const auto ec = Elements(e), ac = Elements(a);
  for (std::size_t i = 0; i < ec.size() && i < ac.size(); ++i)
    if (std::string d = Compare(ec[i], ac[i], here + "[" + std::to_string(i + 1) + "]"); !d.empty())
      return d;
  if (ec.size() != ac.size())
    return here + ": expected " + std::to_string(ec.size()) + " child elements, found " +
           std::to_string(ac.size()) +
           (ec.size() > ac.size() ? " (missing " + Name(ec[ac.size()]) + ")"
                                  : " (extra " + Name(ac[ec.size()]) + ")");
  return {};
}

} // namespace

std::string XmlElementDiff(std::string_view expected, std::string_view actual) {
  Doc e = Parse(expected), a = Parse(actual);
  if (!e)
    return "expected document is not XML";
  if (!a)
    return "actual document is not XML";
  return Compare(xmlDocGetRootElement(e.get()), xmlDocGetRootElement(a.get()), "");
}

} // namespace vxn::test
