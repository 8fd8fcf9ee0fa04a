// xmlsec1 plumbing shared by the signer and the signature verifier: one-time initialisation, owning
// handles, capture of the library's error messages, and safe parsing of the documents to sign or check.
#pragma once

#include "vxnOutsideHandles.h"

#include <xmlsec/crypto.h>
#include <xmlsec/xmldsig.h>
#include <xmlsec/xmlsec.h>
#include <xmlsec/xmltree.h>

#include <string>
#include <string_view>

namespace vxn::outside {

using XmlSecKeyPtr = std::unique_ptr<xmlSecKey, CFree<xmlSecKeyDestroy>>;
using XmlSecDSigCtxPtr = std::unique_ptr<xmlSecDSigCtx, CFree<xmlSecDSigCtxDestroy>>;
using XmlSecKeysMngrPtr = std::unique_ptr<xmlSecKeysMngr, CFree<xmlSecKeysMngrDestroy>>;

void EnsureXmlSecInitialised();

// Collects the messages that libxml2 and xmlsec1 report on this thread while it lives, instead of their
// printing them to stderr.
class TvxnXmlErrorCapture {
public:
  TvxnXmlErrorCapture();
  ~TvxnXmlErrorCapture();
  TvxnXmlErrorCapture(const TvxnXmlErrorCapture&) = delete;
  TvxnXmlErrorCapture& operator=(const TvxnXmlErrorCapture&) = delete;
  // The collected messages joined by "; " ("" when there were none).
  std::string Text() const;

private:
  // The handlers in force before, put back at the end so that other users of libxml2 on this thread
  // keep theirs.
  xmlStructuredErrorFunc prevStructured_;
  void* prevStructuredContext_;
  xmlGenericErrorFunc prevGeneric_;
  void* prevGenericContext_;
};

// Parses a document received as text: UTF-8, no network access, no DTD loading, no entity expansion.
// Returns null when the text is not well-formed; the capture then holds the parser's message.
XmlDocPtr ParseUntrustedXml(std::string_view xml);
// The same parse through a context kept by the caller from one document to the next, so that element
// names are looked up in a dictionary that already holds them. The context is made on first use and
// made anew once its dictionary has grown large.
XmlDocPtr ParseUntrustedXml(std::string_view xml, XmlParserCtxtPtr& context);

// The element whose attribute Id equals id (and whose local name is elementName unless empty).
xmlNodePtr FindElementById(xmlNodePtr root, std::string_view id, std::string_view elementName = {});

// The XML declaration followed by the root element, UTF-8, without added formatting.
std::string SerializeDocument(xmlDocPtr doc);

} // namespace vxn::outside
