#include "sefaz-sim/SimSoap.h"

#include "sefaz-sim/SimReceivedElement.h"
#include "sefaz-sim/SimXmlElement.h"

#include "vxnGovUtils.h"
#include "vxnOutsideHandles.h"
#include "vxnText.h"
#include "vxnXmlNodeWalk.h"
#include "xml/vxnNFeNamespaces.h"

#include <cstring>
#include <optional>
#include <unordered_set>
#include <vector>

namespace vxn::sim {

using outside::XmlBufferPtr;
using outside::XmlDocPtr;

namespace {

bool Is(const xmlNode* n, const char* localName) {
  return n && n->type == XML_ELEMENT_NODE &&
         std::strcmp(reinterpret_cast<const char*>(n->name), localName) == 0;
}

std::string NamespaceOf(const xmlNode* n) {
  return n && n->ns && n->ns->href ? reinterpret_cast<const char*>(n->ns->href) : "";
}

const xmlNode* FirstElement(const xmlNode* parent) {
  for (const xmlNode* c = parent ? parent->children : nullptr; c; c = c->next)
    if (c->type == XML_ELEMENT_NODE)
      return c;
  return nullptr;
}

const xmlNode* ChildNamed(const xmlNode* parent, const char* localName) {
  for (const xmlNode* c = parent ? parent->children : nullptr; c; c = c->next)
    if (Is(c, localName))
      return c;
  return nullptr;
}

std::string TextOf(const xmlNode* n) {
  outside::XmlCharPtr text(xmlNodeGetContent(n));
  return text ? Trim(reinterpret_cast<const char*>(text.get())) : "";
}

[[noreturn]] void Sender(const std::string& reason) {
  throw TSimSoapFault("soap:Sender", reason);
}

// A compressed message: the element's text is Base64 of the gzip of the XML message.
TSimEnvelope Unpacked(const xmlNode* zip) {
  const std::string xml = TvxnGovUtils().DecompressBase64Gz(TextOf(zip));
  XmlDocPtr doc(xml.empty() ? nullptr
                            : xmlReadMemory(xml.data(), static_cast<int>(xml.size()), "message.xml", nullptr,
                                            XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
  if (!doc)
    Sender("The nfeDadosMsgZip element does not hold Base64 of gzip-compressed XML.");
  TSimEnvelope out;
  out.BodyNamespace = NamespaceOf(zip);
  out.DataXml = StandaloneElementXml(xmlDocGetRootElement(doc.get()));
  out.Compressed = true;
  return out;
}

// The nodes of `data` and of everything inside it, in document order.
std::vector<const xmlNode*> NodesOf(const xmlNode* data) {
  std::vector<const xmlNode*> nodes;
  WalkNodes(data, [&](const xmlNode* n) {
    nodes.push_back(n);
    return true;
  });
  return nodes;
}

// Whether reading `data` where it stands gives what parsing its standalone text would: no DTD, no
// identifiers registered by the parser (xml:id), no entity reference, no namespace from outside but
// its own (which its text declares), and no xsi:type (whose value names a type through the namespaces
// in scope).
bool ReadsInPlace(const xmlDoc* doc, const xmlNode* data) {
  if (doc->intSubset || doc->extSubset || doc->ids)
    return false;
  const std::vector<const xmlNode*> nodes = NodesOf(data);
  std::unordered_set<const xmlNs*> declared{data->ns};
  if (const xmlNs* xml = doc->oldNs) // the xml prefix, declared everywhere
    declared.insert(xml);
  for (const xmlNode* n : nodes) {
    if (n->type == XML_ENTITY_REF_NODE)
      return false;
    if (n->type == XML_ELEMENT_NODE)
      for (const xmlNs* d = n->nsDef; d; d = d->next)
        declared.insert(d);
  }
  for (const xmlNode* n : nodes) {
    if (n->type != XML_ELEMENT_NODE)
      continue;
    if (n->ns && !declared.count(n->ns))
      return false;
    for (const xmlAttr* a = n->properties; a; a = a->next) {
      if (!a->ns)
        continue;
      if (!declared.count(a->ns) || (uri::kXsi == reinterpret_cast<const char*>(a->ns->href) &&
                                     std::strcmp(reinterpret_cast<const char*>(a->name), "type") == 0))
        return false;
    }
  }
  return true;
}

} // namespace

TSimEnvelope ParseSoapRequest(std::string_view body) {
  // XML_PARSE_COMPACT keeps short texts inside their nodes instead of allocating each: nothing changes
  // the request's tree once read.
  XmlDocPtr doc(xmlReadMemory(body.data(), static_cast<int>(body.size()), "request.xml", nullptr,
                              XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_COMPACT));
  if (!doc)
    Sender("The request is not well-formed XML.");
  const xmlNode* envelope = xmlDocGetRootElement(doc.get());
  if (!Is(envelope, "Envelope") || NamespaceOf(envelope) != uri::kSoap12)
    Sender("The request is not a SOAP 1.2 envelope.");
  const xmlNode* soapBody = nullptr;
  const xmlNode* header = nullptr;
  for (const xmlNode* c = envelope->children; c; c = c->next) {
    if (Is(c, "Body") && NamespaceOf(c) == uri::kSoap12)
      soapBody = c;
    else if (Is(c, "Header") && NamespaceOf(c) == uri::kSoap12)
      header = c;
  }
  if (!soapBody)
    Sender("The SOAP envelope has no Body.");

  TSimEnvelope out;
  if (const xmlNode* cabec = ChildNamed(header, "nfeCabecMsg"))
    out.HeaderCUF = TextOf(ChildNamed(cabec, "cUF"));
  const xmlNode* dados = ChildNamed(soapBody, "nfeDadosMsg");
  if (!dados) // the contingency declaration services (DPEC) name their message sceDadosMsg
    dados = ChildNamed(soapBody, "sceDadosMsg");
  if (!dados) // some services wrap the message in an operation element
    dados = ChildNamed(FirstElement(soapBody), "nfeDadosMsg");
  if (const xmlNode* zip = dados ? nullptr : ChildNamed(soapBody, "nfeDadosMsgZip")) {
    TSimEnvelope unpacked = Unpacked(zip);
    unpacked.HeaderCUF = out.HeaderCUF;
    return unpacked;
  }
  if (!dados)
    Sender("The SOAP body has no nfeDadosMsg element.");
  const xmlNode* data = FirstElement(dados);
  if (!data)
    Sender("The nfeDadosMsg element holds no XML message.");
  out.BodyNamespace = NamespaceOf(dados);
  if (!ReadsInPlace(doc.get(), data)) {
    out.DataXml = StandaloneElementXml(data);
    return out;
  }
  // The message's text and its children's taken from the bytes received when writing them out of the
  // tree gives those very bytes, which spares writing out the lot and each of its documents.
  if (const std::optional<TSimReceivedElement> received = ReceivedElement(body, data)) {
    out.DataXml = StandaloneElementXml(data, received->Text);
    out.DataChildren = received->Children;
  } else {
    out.DataXml = StandaloneElementXml(data);
  }
  // Written out from here on, the message's elements come out as from DataXml's own document.
  xmlFree(const_cast<xmlChar*>(doc->encoding));
  doc->encoding = nullptr;
  out.Data = data;
  out.Tree = std::move(doc);
  return out;
}

std::string SoapActionOf(std::string_view contentType, std::string_view soapActionHeader) {
  std::string action;
  for (const std::string& part : Split(contentType, ';')) {
    const std::string p = Trim(part);
    if (StartsWithText(p, "action="))
      action = p.substr(7);
  }
  if (action.empty())
    action = Trim(soapActionHeader);
  if (action.size() >= 2 && action.front() == '"' && action.back() == '"')
    action = action.substr(1, action.size() - 2);
  return action;
}

std::string BuildSoapReply(std::string_view header, std::string_view resultElement,
                           std::string_view serviceNamespace, std::string_view result) {
  std::string out = R"(<?xml version="1.0" encoding="utf-8"?><soap:Envelope xmlns:soap=")";
  out.append(uri::kSoap12).append(R"(" xmlns:xsi=")").append(uri::kXsi).append(R"(" xmlns:xsd=")");
  out.append(uri::kXsd).append(R"(">)");
  if (!header.empty())
    out.append("<soap:Header>").append(header).append("</soap:Header>");
  out.append("<soap:Body><").append(resultElement).append(R"( xmlns=")").append(serviceNamespace);
  out.append(R"(">)")
      .append(result)
      .append("</")
      .append(resultElement)
      .append("></soap:Body></soap:Envelope>");
  return out;
}

std::string BuildSoapFault(std::string_view code, std::string_view reason) {
  std::string text = ReplaceAll(ReplaceAll(ReplaceAll(reason, "&", "&amp;"), "<", "&lt;"), ">", "&gt;");
  std::string out = R"(<?xml version="1.0" encoding="utf-8"?><soap:Envelope xmlns:soap=")";
  out.append(uri::kSoap12).append(R"("><soap:Body><soap:Fault><soap:Code><soap:Value>)").append(code);
  out.append(R"(</soap:Value></soap:Code><soap:Reason><soap:Text xml:lang="en">)").append(text);
  out.append("</soap:Text></soap:Reason></soap:Fault></soap:Body></soap:Envelope>");
  return out;
}

} // namespace vxn::sim
