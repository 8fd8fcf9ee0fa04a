// Canonical XML 1.0 (inclusive, without comments) of one element and its descendants, written straight
// from the parsed tree. This is the octet stream that an enveloped-signature reference to the element
// digests when the signature sits outside it, and the form in which SignedInfo is signed.
//
// It covers what signed fiscal documents hold: elements, attributes, namespace declarations, text and
// CDATA. For anything else it answers false and writes nothing useful, so that the caller can hand the
// document to the general (and slower) xmlsec1 path instead.
#pragma once

#include "vxnOutsideHandles.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vxn::outside {

class TvxnXmlCanonicalizer {
public:
  // Appends the canonical form of `apex` (an element of a parsed document) to `out`. False when the
  // subtree or its context holds something this writer does not render (processing instructions,
  // entity references, xml:* attributes on an ancestor, attributes with markup in namespace URIs).
  bool Canonicalize(const xmlNode* apex, std::string& out);

  // The same for `apex` inside `top` (apex itself or one of its descendants) as if `top` were the root
  // of a document of its own, written out with its namespace declared on it: what Canonicalize gives
  // on that document parsed again. Nothing above `top` (declarations, xml:* attributes) counts.
  bool CanonicalizeWithin(const xmlNode* apex, const xmlNode* top, std::string& out);

private:
  using Binding = std::pair<std::string_view, std::string_view>; // prefix ("" = default), URI

  bool Element(const xmlNode* element, std::string& out, bool apex);
  bool Children(const xmlNode* element, std::string& out);
  bool Apex(const xmlNode* apex, const xmlNode* top, std::string& out);
  // The bindings in force at `element`, nearest declaration first, looking no higher than `top` (null:
  // the document's root); false for a URI it cannot quote.
  bool InScope(const xmlNode* element, const xmlNode* top);
  std::string_view Bound(std::string_view prefix) const;

  // Namespace bindings rendered so far on the path from the apex (a stack; later entries win).
  std::vector<Binding> scope_;
};

} // namespace vxn::outside
