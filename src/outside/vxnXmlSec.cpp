#include "vxnXmlSec.h"

#include "vxnNFeException.h"
#include "vxnOpenSsl.h"

#include <xmlsec/errors.h>
#include <xmlsec/openssl/app.h>
#include <xmlsec/openssl/crypto.h>

#include <cstdarg>
#include <mutex>
#include <vector>

namespace vxn::outside {

namespace {

// Messages of the captures in force on this thread. Without a capture they are dropped, which keeps the
// libraries from writing to the host's stderr.
thread_local std::vector<std::string> tCaptured;
thread_local int tCaptureDepth = 0;

void Collect(std::string msg) {
  while (!msg.empty() && (msg.back() == '\n' || msg.back() == ' '))
    msg.pop_back();
  if (tCaptureDepth > 0 && !msg.empty())
    tCaptured.push_back(std::move(msg));
}

void XmlSecErrorCallback(const char* /*file*/, int /*line*/, const char* func, const char* errorObject,
                         const char* errorSubject, int reason, const char* msg) {
  std::string text = func ? func : "";
  if (errorSubject && *errorSubject)
    text += std::string(" [") + errorSubject + "]";
  if (errorObject && *errorObject && std::string_view(errorObject) != "unknown")
    text += std::string(" ") + errorObject;
  const char* reasonText = nullptr;
  for (xmlSecSize i = 0; i < XMLSEC_ERRORS_MAX_NUMBER; ++i) {
    if (xmlSecErrorsGetMsg(i) == nullptr)
      break;
    if (xmlSecErrorsGetCode(i) == reason) {
      reasonText = xmlSecErrorsGetMsg(i);
      break;
    }
  }
  if (reasonText)
    text += std::string(": ") + reasonText;
  if (msg && *msg)
    text += std::string(" (") + msg + ")";
  Collect(std::move(text));
}

void XmlStructuredError(void* /*ctx*/, xmlErrorPtr err) {
  if (err && err->message)
    Collect(std::string("linha ") + std::to_string(err->line) + ": " + err->message);
}

void XmlGenericError(void* /*ctx*/, const char* /*fmt*/, ...) {}

} // namespace

void EnsureXmlSecInitialised() {
  static std::once_flag once;
  std::call_once(once, [] {
    EnsureOpenSslProviders();
    xmlInitParser();
    if (xmlSecInit() < 0 || xmlSecOpenSSLAppInit(nullptr) < 0 || xmlSecOpenSSLInit() < 0)
      throw EvxnNFeException("Não foi possível inicializar a biblioteca de assinatura (xmlsec1)");
    // After xmlSecInit, which installs its own default printer.
    xmlSecErrorsSetCallback(XmlSecErrorCallback);
  });
}

TvxnXmlErrorCapture::TvxnXmlErrorCapture()
    : prevStructured_(xmlStructuredError), prevStructuredContext_(xmlStructuredErrorContext),
      prevGeneric_(xmlGenericError), prevGenericContext_(xmlGenericErrorContext) {
  if (tCaptureDepth++ == 0)
    tCaptured.clear();
  xmlSetStructuredErrorFunc(nullptr, XmlStructuredError);
  xmlSetGenericErrorFunc(nullptr, XmlGenericError);
}

TvxnXmlErrorCapture::~TvxnXmlErrorCapture() {
  xmlSetStructuredErrorFunc(prevStructuredContext_, prevStructured_);
  xmlSetGenericErrorFunc(prevGenericContext_, prevGeneric_);
  if (--tCaptureDepth == 0)
    tCaptured.clear();
}

std::string TvxnXmlErrorCapture::Text() const {
  std::string out;
  for (const auto& m : tCaptured) {
    if (!out.empty())
      out += "; ";
    out += m;
  }
  return out;
}

namespace {
constexpr int kUntrustedParseOptions =
    XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_COMPACT;
// Names kept by a reused context before it is replaced; NF-e documents use a few hundred.
constexpr std::size_t kMaxDictionaryNames = 20000;
} // namespace

XmlDocPtr ParseUntrustedXml(std::string_view xml) {
  EnsureXmlSecInitialised();
  return XmlDocPtr(xmlReadMemory(xml.data(), static_cast<int>(xml.size()), "document.xml", "UTF-8",
                                 kUntrustedParseOptions));
}

XmlDocPtr ParseUntrustedXml(std::string_view xml, XmlParserCtxtPtr& context) {
  EnsureXmlSecInitialised();
  if (context && context->dict && static_cast<std::size_t>(xmlDictSize(context->dict)) > kMaxDictionaryNames)
    context.reset();
  if (!context)
    context.reset(xmlNewParserCtxt());
  if (!context)
    return ParseUntrustedXml(xml);
  return XmlDocPtr(xmlCtxtReadMemory(context.get(), xml.data(), static_cast<int>(xml.size()), "document.xml",
                                     "UTF-8", kUntrustedParseOptions));
}

xmlNodePtr FindElementById(xmlNodePtr node, std::string_view id, std::string_view elementName) {
  for (; node; node = node->next) {
    if (node->type != XML_ELEMENT_NODE)
      continue;
    if (elementName.empty() || elementName == reinterpret_cast<const char*>(node->name)) {
      if (XmlCharPtr value{xmlGetNoNsProp(node, BAD_CAST "Id")};
          value && id == reinterpret_cast<const char*>(value.get()))
        return node;
    }
    if (xmlNodePtr found = FindElementById(node->children, id, elementName))
      return found;
  }
  return nullptr;
}

std::string SerializeDocument(xmlDocPtr doc) {
  XmlBufferPtr buf(xmlBufferCreate());
  xmlNodeDump(buf.get(), doc, xmlDocGetRootElement(doc), 0, 0);
  std::string out = "<?xml version=\"1.0\"?>";
  out.append(reinterpret_cast<const char*>(xmlBufferContent(buf.get())),
             static_cast<std::size_t>(xmlBufferLength(buf.get())));
  return out;
}

} // namespace vxn::outside
