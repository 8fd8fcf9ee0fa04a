#include "vxnXmlWriter.h"

#include "vxnXmlEscape.h"

#include <libxml/parserInternals.h>

namespace vxn::outside {

namespace {

std::string_view View(const xmlChar* s) {
  return s ? std::string_view(reinterpret_cast<const char*>(s)) : std::string_view();
}

void AppendQName(std::string& out, const xmlNs* ns, const xmlChar* name) {
  if (ns && ns->prefix) {
    out += View(ns->prefix);
    out += ':';
  }
  out += View(name);
}

bool Namespaces(const xmlNs* ns, std::string& out) {
  for (; ns; ns = ns->next) {
    if (ns->type != XML_LOCAL_NAMESPACE || !ns->href || View(ns->prefix) == "xml")
      continue;
    const std::string_view uri = View(ns->href);
    if (uri.find('"') != std::string_view::npos)
      return false; // libxml2 switches to other quotes
    out += ns->prefix ? " xmlns:" : " xmlns";
    out += View(ns->prefix);
    out += "=\"";
    out += uri;
    out += '"';
  }
  return true;
}

bool Attributes(const xmlAttr* attr, std::string& out) {
  for (; attr; attr = attr->next) {
    out += ' ';
    AppendQName(out, attr->ns, attr->name);
    out += "=\"";
    for (const xmlNode* c = attr->children; c; c = c->next) {
      if (c->type != XML_TEXT_NODE)
        return false;
      AppendWrittenAttribute(out, View(c->content));
    }
    out += '"';
  }
  return true;
}

} // namespace

bool TvxnXmlWriter::WriteRoot(const xmlDoc* doc, std::string& out) {
  const xmlNode* root = doc ? xmlDocGetRootElement(const_cast<xmlDoc*>(doc)) : nullptr;
  // Without a declared encoding libxml2 writes characters outside ASCII in attributes as references.
  if (!root || !doc->encoding)
    return false;
  return Element(root, out);
}

bool TvxnXmlWriter::Element(const xmlNode* element, std::string& out) {
  out += '<';
  AppendQName(out, element->ns, element->name);
  if (!Namespaces(element->nsDef, out) || !Attributes(element->properties, out))
    return false;
  if (!element->children) {
    out += "/>";
    return true;
  }
  out += '>';
  for (const xmlNode* c = element->children; c; c = c->next) {
    switch (c->type) {
    case XML_ELEMENT_NODE:
      if (!Element(c, out))
        return false;
      break;
    case XML_TEXT_NODE:
      if (c->name == xmlStringTextNoenc)
        out += View(c->content);
      else
        AppendWrittenText(out, View(c->content));
      break;
    case XML_CDATA_SECTION_NODE:
      // A parsed CDATA section never holds "]]>".
      if (View(c->content).find("]]>") != std::string_view::npos)
        return false;
      out += "<![CDATA[";
      out += View(c->content);
      out += "]]>";
      break;
    case XML_COMMENT_NODE:
      if (c->content) {
        out += "<!--";
        out += View(c->content);
        out += "-->";
      }
      break;
    default:
      return false;
    }
  }
  out += "</";
  AppendQName(out, element->ns, element->name);
  out += '>';
  return true;
}

} // namespace vxn::outside
