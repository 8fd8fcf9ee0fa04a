// One pass of libxml2's parser over a document to be signed, building no tree. While the parser reads,
// the pass writes the document as TvxnXmlWriter writes the parsed tree, writes the canonical form
// (inclusive C14N 1.0, without comments) of the element to sign as TvxnXmlCanonicalizer writes it, and
// notes where the signature goes. Building the tree, freeing it and walking it twice cost more than
// reading the document itself; this pass reads it once and keeps nothing but the text it writes.
//
// It covers what fiscal documents hold: elements, attributes, namespace declarations, text, CDATA and
// comments. For anything else Scan answers false: a document that is not well-formed, a DTD, processing
// instructions or entity references inside the root element, prefixes that no declaration binds, an
// element in the xml: namespace, xml:id anywhere, xml:* attributes above the signed element, a double
// quote in a namespace URI, CDATA holding "]]>" once adjacent sections are joined, no element to sign or
// the root element as the one to sign. The caller then parses the document into a tree, which signs it
// or reports what is wrong.
#pragma once

#include "vxnOutsideHandles.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vxn::outside {

class TvxnXmlSigningScan {
public:
  using Binding = std::pair<std::string_view, std::string_view>; // prefix ("" = default), URI

  TvxnXmlSigningScan();
  ~TvxnXmlSigningScan();
  TvxnXmlSigningScan(const TvxnXmlSigningScan&) = delete;
  TvxnXmlSigningScan& operator=(const TvxnXmlSigningScan&) = delete;

  // Reads `xml` with the parse options of ParseUntrustedXml and looks for the first element, in document
  // order, whose attribute Id (without namespace) is `id` and whose local name is `elementName` (any
  // name when empty). True when the document is covered and the element found; the results below are
  // then those of this document.
  bool Scan(std::string_view xml, std::string_view id, std::string_view elementName);

  // "<?xml version=\"1.0\"?>" followed by the root element, without the signature.
  std::string& Document() { return out_; }
  // Where the Signature element goes in Document(): after the signed element, or after the
  // supplementary blocks (infNFeSupl) that follow it.
  std::size_t SignatureOffset() const { return signatureAt_; }
  // The canonical form of the element to sign.
  const std::string& Canonical() const { return canonical_; }
  // The prefixed namespace bindings in force where the signature goes, sorted by prefix. The Signature
  // element declares the default namespace itself; its canonical SignedInfo declares these as well.
  const std::vector<Binding>& SignatureScope() const { return signatureScope_; }

private:
  struct Handlers;
  friend struct Handlers;

  void StartElement(const xmlChar* localName, const xmlChar* prefix, const xmlChar* uri, int namespaceCount,
                    const xmlChar** namespaces, int attributeCount, const xmlChar** attributes);
  void EndElement(const xmlChar* localName, const xmlChar* prefix);
  void Text(std::string_view text);
  void CData(std::string_view text);
  void Comment(std::string_view text);
  // Stops the parse: the document is not one this pass covers.
  void Refuse();
  // Writes the '>' of the start tag still open, since the element now has content.
  void CloseStartTag();
  // The value of attribute `index` of the start tag being read, as the tree holds it (in `buffer` when
  // it had to be decoded). False when the parser handed on a reference this pass does not know.
  static bool AttributeValue(const xmlChar** attributes, int index, std::string& buffer,
                             std::string_view& value);
  // Whether the start tag is that of the element to sign (false too for a value AttributeValue refuses).
  bool IsElementToSign(const xmlChar* localName, const xmlChar** attributes, int attributeCount);
  // Enters the element to sign: its in-scope namespaces and those of the signature's place.
  void EnterSignedElement(std::size_t ownDeclarations);
  bool CanonicalStartTag(const xmlChar* localName, const xmlChar* prefix, const xmlChar** attributes,
                         int attributeCount, std::size_t ownDeclarations, bool apex);
  // The binding of `prefix` among those written by the canonical form so far.
  std::string_view Rendered(std::string_view prefix) const;

  XmlParserCtxtPtr context_;
  std::string_view id_;
  std::string_view elementName_;
  bool refused_ = false;

  std::string out_;
  std::string canonical_;
  std::vector<Binding> signatureScope_;
  std::size_t signatureAt_ = 0;

  // Per open element: where its namespace declarations start in declared_, and whether it carries
  // xml:* attributes (canonical form copies those of the ancestors onto the signed element).
  struct Open {
    std::size_t declarations;
    std::size_t rendered;
    bool xmlAttributes;
    bool supplement; // an infNFeSupl beside the signed element
  };
  std::vector<Open> open_;
  std::vector<Binding> declared_; // every declaration of the open elements, outermost first
  std::vector<Binding> rendered_; // bindings written by the canonical form, outermost first
  int xmlAttributeAncestors_ = 0;
  bool startTagOpen_ = false;
  // The last child of the current element is a CDATA section, to which the next one is joined (the
  // tree holds adjacent sections as one node); cdataStart_ is where its text starts in out_.
  bool lastChildIsCData_ = false;
  std::size_t cdataStart_ = 0;

  // The element to sign: not found yet, being read (at depth signedDepth_), or read.
  enum class Phase { Looking, Inside, After } phase_ = Phase::Looking;
  std::size_t signedDepth_ = 0;
  bool placing_ = false; // the signature's place may still move past an infNFeSupl sibling

  // Reused from one start tag to the next.
  std::string value_;
  std::vector<int> order_;
  std::vector<Binding> sorted_;
};

} // namespace vxn::outside
