#include "vxnXmlCanonicalizer.h"

#include "vxnXmlEscape.h"

#include <algorithm>

namespace vxn::outside {

namespace {

std::string_view View(const xmlChar* s) {
  return s ? std::string_view(reinterpret_cast<const char*>(s)) : std::string_view();
}

bool IsXmlPrefix(const xmlNs* ns) {
  return View(ns->prefix) == "xml";
}

void AppendQName(std::string& out, const xmlNs* ns, const xmlChar* name) {
  if (ns && ns->prefix) {
    out += View(ns->prefix);
    out += ':';
  }
  out += View(name);
}

// The value of an attribute made of text only; false when it holds entity references.
bool AttributeValue(const xmlAttr* attr, std::string& value) {
  value.clear();
  for (const xmlNode* c = attr->children; c; c = c->next) {
    if (c->type != XML_TEXT_NODE)
      return false;
    value += View(c->content);
  }
  return true;
}

// Attribute order: those without a namespace first, then by namespace URI, then by local name.
bool AttributeBefore(const xmlAttr* a, const xmlAttr* b) {
  const bool aNs = a->ns != nullptr;
  const bool bNs = b->ns != nullptr;
  if (aNs != bNs)
    return !aNs;
  if (aNs && a->ns != b->ns) {
    const int byUri = View(a->ns->href).compare(View(b->ns->href));
    if (byUri != 0)
      return byUri < 0;
  }
  return View(a->name) < View(b->name);
}

void AppendNamespace(std::string& out, std::string_view prefix, std::string_view uri) {
  out += prefix.empty() ? " xmlns=\"" : " xmlns:";
  if (!prefix.empty()) {
    out += prefix;
    out += "=\"";
  }
  out += uri;
  out += '"';
}

// A namespace URI goes out as it was read; one holding a double quote would need a quoting rule of its own.
bool Quotable(std::string_view uri) {
  return uri.find('"') == std::string_view::npos;
}

} // namespace

std::string_view TvxnXmlCanonicalizer::Bound(std::string_view prefix) const {
  for (auto it = scope_.rbegin(); it != scope_.rend(); ++it)
    if (it->first == prefix)
      return it->second;
  return {};
}

bool TvxnXmlCanonicalizer::InScope(const xmlNode* element, const xmlNode* top) {
  scope_.clear();
  const auto bind = [this](const xmlNs* ns) {
    if (IsXmlPrefix(ns))
      return true;
    const std::string_view prefix = View(ns->prefix);
    if (std::any_of(scope_.begin(), scope_.end(), [&](const Binding& b) { return b.first == prefix; }))
      return true; // a nearer declaration of the prefix is already in force
    if (!Quotable(View(ns->href)))
      return false;
    scope_.emplace_back(prefix, View(ns->href));
    return true;
  };
  for (const xmlNode* n = element; n && n->type == XML_ELEMENT_NODE; n = n->parent) {
    for (const xmlNs* ns = n->nsDef; ns; ns = ns->next)
      if (!bind(ns))
        return false;
    if (n != top)
      continue;
    // Written out on its own, `top` declares its namespace when an ancestor did.
    const xmlNs* own = top->ns;
    if (own && own->href) {
      bool declared = false;
      for (const xmlNs* d = top->nsDef; d; d = d->next)
        declared = declared || d == own;
      if (!declared && !bind(own))
        return false;
    }
    break;
  }
  return true;
}

bool TvxnXmlCanonicalizer::Canonicalize(const xmlNode* apex, std::string& out) {
  return Apex(apex, nullptr, out);
}

bool TvxnXmlCanonicalizer::CanonicalizeWithin(const xmlNode* apex, const xmlNode* top, std::string& out) {
  if (!top)
    return false;
  for (const xmlNode* n = apex; n != top; n = n->parent)
    if (!n)
      return false; // apex is not inside top
  return Apex(apex, top, out);
}

bool TvxnXmlCanonicalizer::Apex(const xmlNode* apex, const xmlNode* top, std::string& out) {
  if (!apex || apex->type != XML_ELEMENT_NODE)
    return false;
  // Canonical XML 1.0 copies xml:lang, xml:space... of the ancestors onto the apex; documents that
  // carry them go the general way.
  if (apex != top)
    for (const xmlNode* n = apex->parent; n && n->type == XML_ELEMENT_NODE; n = n->parent) {
      for (const xmlAttr* a = n->properties; a; a = a->next)
        if (a->ns && IsXmlPrefix(a->ns))
          return false;
      if (n == top)
        break;
    }
  if (!InScope(apex, top))
    return false;
  return Element(apex, out, true);
}

bool TvxnXmlCanonicalizer::Element(const xmlNode* element, std::string& out, bool apex) {
  out += '<';
  AppendQName(out, element->ns, element->name);

  // The apex declares every binding in force (an empty default namespace says nothing); below it, an
  // element declares what differs from its parent.
  const std::size_t scopeMark = scope_.size();
  std::vector<Binding> rendered;
  if (apex) {
    for (const Binding& b : scope_)
      if (!(b.first.empty() && b.second.empty()))
        rendered.push_back(b);
  } else {
    for (const xmlNs* ns = element->nsDef; ns; ns = ns->next) {
      if (IsXmlPrefix(ns))
        continue;
      const std::string_view prefix = View(ns->prefix);
      const std::string_view uri = View(ns->href);
      if (!Quotable(uri))
        return false;
      if (Bound(prefix) != uri)
        rendered.emplace_back(prefix, uri);
    }
  }
  std::sort(rendered.begin(), rendered.end(),
            [](const Binding& a, const Binding& b) { return a.first < b.first; });
  for (const Binding& b : rendered)
    AppendNamespace(out, b.first, b.second);
  if (!apex)
    scope_.insert(scope_.end(), rendered.begin(), rendered.end());

  std::vector<const xmlAttr*> attributes;
  for (const xmlAttr* a = element->properties; a; a = a->next)
    attributes.push_back(a);
  std::sort(attributes.begin(), attributes.end(), AttributeBefore);
  std::string value;
  for (const xmlAttr* a : attributes) {
    if (!AttributeValue(a, value))
      return false;
    out += ' ';
    AppendQName(out, a->ns, a->name);
    out += "=\"";
    AppendCanonicalAttribute(out, value);
    out += '"';
  }
  out += '>';

  if (!Children(element, out))
    return false;
  out += "</";
  AppendQName(out, element->ns, element->name);
  out += '>';
  scope_.resize(scopeMark);
  return true;
}

bool TvxnXmlCanonicalizer::Children(const xmlNode* element, std::string& out) {
  for (const xmlNode* c = element->children; c; c = c->next) {
    switch (c->type) {
    case XML_ELEMENT_NODE:
      if (!Element(c, out, false))
        return false;
      break;
    case XML_TEXT_NODE:
    case XML_CDATA_SECTION_NODE:
      AppendCanonicalText(out, View(c->content));
      break;
    case XML_COMMENT_NODE:
      break; // a reference by Id leaves comments out
    default:
      return false;
    }
  }
  return true;
}

} // namespace vxn::outside
