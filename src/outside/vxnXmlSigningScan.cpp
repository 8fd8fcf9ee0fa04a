#include "vxnXmlSigningScan.h"

#include "vxnXmlEscape.h"
#include "vxnXmlParser.h"

#include <algorithm>
#include <climits>

namespace vxn::outside {

namespace {

constexpr std::string_view kDeclaration = "<?xml version=\"1.0\"?>";
// Room kept after the document for the Signature element, so that inserting it moves nothing.
constexpr std::size_t kSignatureRoom = 4096;
// The options of ParseUntrustedXml: the same text gives the same events as the parse into a tree.
constexpr int kParseOptions = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_COMPACT;
// Names kept by the reused context before it is replaced; NF-e documents use a few hundred.
constexpr std::size_t kMaxDictionaryNames = 20000;

std::string_view View(const xmlChar* s) {
  return s ? std::string_view(reinterpret_cast<const char*>(s)) : std::string_view();
}

void AppendQName(std::string& out, const xmlChar* prefix, const xmlChar* localName) {
  if (prefix) {
    out += View(prefix);
    out += ':';
  }
  out += View(localName);
}

void AppendNamespace(std::string& out, std::string_view prefix, std::string_view uri) {
  if (prefix.empty()) {
    out += " xmlns=\"";
  } else {
    out += " xmlns:";
    out += prefix;
    out += "=\"";
  }
  out += uri;
  out += '"';
}

bool PrefixBefore(const TvxnXmlSigningScan::Binding& a, const TvxnXmlSigningScan::Binding& b) {
  return a.first < b.first;
}

// The first declaration of each prefix met walking `declarations` from its end (the nearest element
// first), appended to `scope`.
void NearestFirst(const TvxnXmlSigningScan::Binding* begin, const TvxnXmlSigningScan::Binding* end,
                  std::vector<TvxnXmlSigningScan::Binding>& scope) {
  while (end != begin) {
    --end;
    if (std::none_of(scope.begin(), scope.end(), [&](const auto& b) { return b.first == end->first; }))
      scope.push_back(*end);
  }
}

} // namespace

// libxml2's SAX callbacks, each handing its event to the scan kept in the context.
struct TvxnXmlSigningScan::Handlers {
  static TvxnXmlSigningScan& Of(void* ctx) {
    return *static_cast<TvxnXmlSigningScan*>(static_cast<xmlParserCtxt*>(ctx)->_private);
  }
  static void StartElement(void* ctx, const xmlChar* localName, const xmlChar* prefix, const xmlChar* uri,
                           int namespaceCount, const xmlChar** namespaces, int attributeCount, int,
                           const xmlChar** attributes) {
    Of(ctx).StartElement(localName, prefix, uri, namespaceCount, namespaces, attributeCount, attributes);
  }
  static void EndElement(void* ctx, const xmlChar* localName, const xmlChar* prefix, const xmlChar*) {
    Of(ctx).EndElement(localName, prefix);
  }
  static void Characters(void* ctx, const xmlChar* text, int length) {
    Of(ctx).Text(std::string_view(reinterpret_cast<const char*>(text), static_cast<std::size_t>(length)));
  }
  static void CData(void* ctx, const xmlChar* text, int length) {
    Of(ctx).CData(std::string_view(reinterpret_cast<const char*>(text), static_cast<std::size_t>(length)));
  }
  static void Comment(void* ctx, const xmlChar* text) { Of(ctx).Comment(View(text)); }
  static void ProcessingInstruction(void* ctx, const xmlChar*, const xmlChar*) {
    TvxnXmlSigningScan& scan = Of(ctx);
    if (!scan.open_.empty())
      scan.Refuse();
  }
  static void Reference(void* ctx, const xmlChar*) { Of(ctx).Refuse(); }
  static void Doctype(void* ctx, const xmlChar*, const xmlChar*, const xmlChar*) { Of(ctx).Refuse(); }
  // A document the parser rejects is parsed again into a tree, whose parse reports the error.
  static void IgnoreError(void*, xmlError*) {}

  static void Install(xmlSAXHandler& sax) {
    sax.internalSubset = Doctype;
    sax.externalSubset = nullptr;
    sax.serror = IgnoreError;
    sax.startDocument = nullptr;
    sax.endDocument = nullptr;
    sax.startElement = nullptr;
    sax.endElement = nullptr;
    sax.startElementNs = StartElement;
    sax.endElementNs = EndElement;
    // Whitespace is text like any other, as in the tree (which keeps blank text nodes).
    sax.characters = Characters;
    sax.ignorableWhitespace = Characters;
    sax.cdataBlock = CData;
    sax.comment = Comment;
    sax.processingInstruction = ProcessingInstruction;
    sax.reference = Reference;
  }
};

TvxnXmlSigningScan::TvxnXmlSigningScan() = default;
TvxnXmlSigningScan::~TvxnXmlSigningScan() = default;

bool TvxnXmlSigningScan::Scan(std::string_view xml, std::string_view id, std::string_view elementName) {
  EnsureLibxml();
  if (xml.size() > static_cast<std::size_t>(INT_MAX))
    return false;
  id_ = id;
  elementName_ = elementName;
  refused_ = false;
  out_.clear();
  out_.reserve(kDeclaration.size() + xml.size() + kSignatureRoom);
  out_ += kDeclaration;
  canonical_.clear();
  signatureScope_.clear();
  signatureAt_ = 0;
  open_.clear();
  declared_.clear();
  rendered_.clear();
  xmlAttributeAncestors_ = 0;
  startTagOpen_ = false;
  lastChildIsCData_ = false;
  phase_ = Phase::Looking;
  placing_ = false;

  // The context is kept from one document to the next, so that names are found in a dictionary that
  // already holds them.
  if (context_ && context_->dict &&
      static_cast<std::size_t>(xmlDictSize(context_->dict)) > kMaxDictionaryNames)
    context_.reset();
  if (!context_)
    context_.reset(xmlNewParserCtxt());
  if (!context_ || !context_->sax)
    return false;
  Handlers::Install(*context_->sax);
  context_->_private = this;
  // No handler builds a document; should the parser make one all the same, it is freed here.
  XmlDocPtr unused(xmlCtxtReadMemory(context_.get(), xml.data(), static_cast<int>(xml.size()), "document.xml",
                                     "UTF-8", kParseOptions));
  context_->_private = nullptr;
  // The writer needs a declared encoding to keep UTF-8 in attribute values as it is; the tree's
  // document takes the parser's.
  return !refused_ && context_->wellFormed && context_->encoding && phase_ == Phase::After && open_.empty();
}

void TvxnXmlSigningScan::Refuse() {
  refused_ = true;
  xmlStopParser(context_.get());
}

void TvxnXmlSigningScan::CloseStartTag() {
  if (startTagOpen_) {
    out_ += '>';
    startTagOpen_ = false;
  }
}

bool TvxnXmlSigningScan::AttributeValue(const xmlChar** attributes, int index, std::string& buffer,
                                        std::string_view& value) {
  const auto* begin = reinterpret_cast<const char*>(attributes[5 * index + 3]);
  const auto* end = reinterpret_cast<const char*>(attributes[5 * index + 4]);
  value = std::string_view(begin, static_cast<std::size_t>(end - begin));
  if (value.find('&') == std::string_view::npos)
    return true;
  // Without entity substitution the parser hands each "&" on as "&#38;", which the tree turns back into
  // "&"; every other reference arrives decoded.
  constexpr std::string_view kAmpersand = "&#38;";
  buffer.clear();
  for (std::size_t at; (at = value.find('&')) != std::string_view::npos;) {
    if (value.substr(at, kAmpersand.size()) != kAmpersand)
      return false;
    buffer.append(value.substr(0, at)).push_back('&');
    value.remove_prefix(at + kAmpersand.size());
  }
  buffer.append(value);
  value = buffer;
  return true;
}

bool TvxnXmlSigningScan::IsElementToSign(const xmlChar* localName, const xmlChar** attributes,
                                         int attributeCount) {
  if (!elementName_.empty() && elementName_ != View(localName))
    return false;
  for (int i = 0; i < attributeCount; ++i) {
    if (attributes[5 * i + 1] || View(attributes[5 * i]) != "Id")
      continue;
    std::string_view value;
    return AttributeValue(attributes, i, value_, value) && value == id_;
  }
  return false;
}

void TvxnXmlSigningScan::StartElement(const xmlChar* localName, const xmlChar* prefix, const xmlChar* uri,
                                      int namespaceCount, const xmlChar** namespaces, int attributeCount,
                                      const xmlChar** attributes) {
  if (refused_)
    return;
  // With a prefix that nothing binds the tree names the element "prefix:name" without a namespace.
  if (prefix && (!uri || View(prefix) == "xml"))
    return Refuse();
  CloseStartTag();
  lastChildIsCData_ = false;
  const std::size_t depth = open_.size();
  Open element{declared_.size(), rendered_.size(), false, false};

  out_ += '<';
  AppendQName(out_, prefix, localName);
  for (int i = 0; i < namespaceCount; ++i) {
    const std::string_view declaredPrefix = View(namespaces[2 * i]);
    const std::string_view declaredUri = View(namespaces[2 * i + 1]);
    // A quote in the URI makes libxml2 write it between other quotes.
    if (declaredPrefix == "xml" || declaredUri.find('"') != std::string_view::npos)
      return Refuse();
    AppendNamespace(out_, declaredPrefix, declaredUri);
    declared_.emplace_back(declaredPrefix, declaredUri);
  }
  for (int i = 0; i < attributeCount; ++i) {
    const xmlChar* attributePrefix = attributes[5 * i + 1];
    if (attributePrefix && !attributes[5 * i + 2])
      return Refuse();
    if (attributePrefix && View(attributePrefix) == "xml") {
      // xml:id enters the document's table of IDs, which the general path consults.
      if (View(attributes[5 * i]) == "id")
        return Refuse();
      element.xmlAttributes = true;
    }
    std::string_view value;
    if (!AttributeValue(attributes, i, value_, value))
      return Refuse();
    out_ += ' ';
    AppendQName(out_, attributePrefix, attributes[5 * i]);
    out_ += "=\"";
    AppendWrittenAttribute(out_, value);
    out_ += '"';
  }
  startTagOpen_ = true;

  if (phase_ == Phase::Looking && IsElementToSign(localName, attributes, attributeCount)) {
    // The root cannot have the signature beside it; canonical form copies xml:* attributes of the
    // ancestors onto the signed element.
    if (depth == 0 || xmlAttributeAncestors_ > 0)
      return Refuse();
    phase_ = Phase::Inside;
    signedDepth_ = depth;
    EnterSignedElement(static_cast<std::size_t>(namespaceCount));
    if (!CanonicalStartTag(localName, prefix, attributes, attributeCount, 0, true))
      return Refuse();
  } else if (phase_ == Phase::Inside) {
    if (!CanonicalStartTag(localName, prefix, attributes, attributeCount,
                           static_cast<std::size_t>(namespaceCount), false))
      return Refuse();
  } else if (placing_ && depth == signedDepth_) {
    // In an NFC-e the supplementary block (QR code) comes between the signed element and the signature.
    if (View(localName) == "infNFeSupl")
      element.supplement = true;
    else
      placing_ = false;
  }
  if (element.xmlAttributes)
    ++xmlAttributeAncestors_;
  open_.push_back(element);
}

void TvxnXmlSigningScan::EnterSignedElement(std::size_t ownDeclarations) {
  const Binding* const all = declared_.data();
  const Binding* const own = all + (declared_.size() - ownDeclarations);
  // In force at the signed element: its own declarations and the nearest of each prefix above it.
  rendered_.clear();
  NearestFirst(all, all + declared_.size(), rendered_);
  // In force where the signature goes, beside the element: what its ancestors declare, less the default
  // namespace, which the Signature element declares itself.
  NearestFirst(all, own, signatureScope_);
  signatureScope_.erase(std::remove_if(signatureScope_.begin(), signatureScope_.end(),
                                       [](const Binding& b) { return b.first.empty(); }),
                        signatureScope_.end());
  std::sort(signatureScope_.begin(), signatureScope_.end(), PrefixBefore);
}

std::string_view TvxnXmlSigningScan::Rendered(std::string_view prefix) const {
  for (auto it = rendered_.rbegin(); it != rendered_.rend(); ++it)
    if (it->first == prefix)
      return it->second;
  return {};
}

bool TvxnXmlSigningScan::CanonicalStartTag(const xmlChar* localName, const xmlChar* prefix,
                                           const xmlChar** attributes, int attributeCount,
                                           std::size_t ownDeclarations, bool apex) {
  canonical_ += '<';
  AppendQName(canonical_, prefix, localName);

  // The signed element declares every binding in force (an empty default namespace says nothing);
  // below it, an element declares what differs from what is already written.
  sorted_.clear();
  if (apex) {
    for (const Binding& b : rendered_)
      if (!(b.first.empty() && b.second.empty()))
        sorted_.push_back(b);
  } else {
    for (std::size_t i = declared_.size() - ownDeclarations; i < declared_.size(); ++i)
      if (Rendered(declared_[i].first) != declared_[i].second)
        sorted_.push_back(declared_[i]);
  }
  std::sort(sorted_.begin(), sorted_.end(), PrefixBefore);
  for (const Binding& b : sorted_)
    AppendNamespace(canonical_, b.first, b.second);
  if (!apex)
    rendered_.insert(rendered_.end(), sorted_.begin(), sorted_.end());

  // Attributes without a namespace first, then by namespace URI, then by local name.
  order_.resize(static_cast<std::size_t>(attributeCount));
  for (int i = 0; i < attributeCount; ++i)
    order_[static_cast<std::size_t>(i)] = i;
  std::sort(order_.begin(), order_.end(), [attributes](int a, int b) {
    const xmlChar* uriA = attributes[5 * a + 2];
    const xmlChar* uriB = attributes[5 * b + 2];
    if ((uriA != nullptr) != (uriB != nullptr))
      return uriA == nullptr;
    if (uriA && uriA != uriB) {
      const int byUri = View(uriA).compare(View(uriB));
      if (byUri != 0)
        return byUri < 0;
    }
    return View(attributes[5 * a]) < View(attributes[5 * b]);
  });
  for (int i : order_) {
    std::string_view value;
    if (!AttributeValue(attributes, i, value_, value))
      return false;
    canonical_ += ' ';
    AppendQName(canonical_, attributes[5 * i + 1], attributes[5 * i]);
    canonical_ += "=\"";
    AppendCanonicalAttribute(canonical_, value);
    canonical_ += '"';
  }
  canonical_ += '>';
  return true;
}

void TvxnXmlSigningScan::EndElement(const xmlChar* localName, const xmlChar* prefix) {
  if (refused_ || open_.empty())
    return;
  const Open element = open_.back();
  open_.pop_back();
  const std::size_t depth = open_.size();
  // An element without children is written as an empty-element tag.
  if (startTagOpen_) {
    out_ += "/>";
    startTagOpen_ = false;
  } else {
    out_ += "</";
    AppendQName(out_, prefix, localName);
    out_ += '>';
  }
  lastChildIsCData_ = false;

  if (phase_ == Phase::Inside) {
    canonical_ += "</";
    AppendQName(canonical_, prefix, localName);
    canonical_ += '>';
    rendered_.resize(element.rendered);
    if (depth == signedDepth_) {
      phase_ = Phase::After;
      placing_ = true;
      signatureAt_ = out_.size();
    }
  } else if (placing_) {
    if (depth < signedDepth_)
      placing_ = false;
    else if (depth == signedDepth_ && element.supplement)
      signatureAt_ = out_.size();
  }
  declared_.resize(element.declarations);
  if (element.xmlAttributes)
    --xmlAttributeAncestors_;
}

void TvxnXmlSigningScan::Text(std::string_view text) {
  if (refused_ || open_.empty())
    return;
  if (text.empty())
    return Refuse();
  CloseStartTag();
  lastChildIsCData_ = false;
  AppendWrittenText(out_, text);
  if (phase_ == Phase::Inside)
    AppendCanonicalText(canonical_, text);
}

void TvxnXmlSigningScan::CData(std::string_view text) {
  if (refused_ || open_.empty())
    return;
  CloseStartTag();
  constexpr std::string_view kEnd = "]]>";
  if (lastChildIsCData_) {
    out_.resize(out_.size() - kEnd.size());
  } else {
    out_ += "<![CDATA[";
    cdataStart_ = out_.size();
  }
  out_ += text;
  // A parsed section never holds "]]>", but joined sections may; libxml2 then writes them otherwise.
  if (std::string_view(out_).substr(cdataStart_).find(kEnd) != std::string_view::npos)
    return Refuse();
  out_ += kEnd;
  lastChildIsCData_ = true;
  if (phase_ == Phase::Inside)
    AppendCanonicalText(canonical_, text);
}

void TvxnXmlSigningScan::Comment(std::string_view text) {
  if (refused_ || open_.empty())
    return;
  CloseStartTag();
  lastChildIsCData_ = false;
  out_ += "<!--";
  out_ += text;
  out_ += "-->";
}

} // namespace vxn::outside
