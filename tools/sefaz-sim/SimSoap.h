// SOAP 1.2 as the tax authority's services speak it: reading a request envelope, writing a reply
// envelope and a fault.
#pragma once

#include "vxnOutsideHandles.h"

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vxn::sim {

// A request the server refuses with a SOAP fault (HTTP 500).
class TSimSoapFault : public std::runtime_error {
public:
  TSimSoapFault(std::string code, const std::string& reason)
      : std::runtime_error(reason), code_(std::move(code)) {}
  // "soap:Sender" or "soap:Receiver".
  const std::string& Code() const { return code_; }

private:
  std::string code_;
};

struct TSimEnvelope {
  std::string BodyNamespace; // namespace of nfeDadosMsg
  std::string HeaderCUF;     // cUF of nfeCabecMsg, if any
  std::string DataXml;       // the element inside nfeDadosMsg as a standalone document
  bool Compressed = false;   // the body held nfeDadosMsgZip: DataXml is its content unpacked
  // The envelope's tree and the message element in it, when reading the element there gives what
  // reading DataXml on its own would (Data null otherwise: a compressed message, a namespace or an
  // entity of the envelope used inside it...). The tree names no encoding, as DataXml does not.
  outside::XmlDocPtr Tree;
  const xmlNode* Data = nullptr;
  // With Data, the text of each of its element children as received, when it is what writing the child
  // out of Tree gives (ReceivedElement; empty otherwise): views into the body read.
  std::vector<std::string_view> DataChildren;
};

// Reads a SOAP 1.2 request whose body holds nfeDadosMsg (directly, or inside one wrapper element as some
// services publish it). Throws TSimSoapFault for text that is not XML, not a SOAP 1.2 envelope, or
// has no message. A body with nfeDadosMsgZip (Base64 of gzip data) is unpacked first; content that does
// not unpack to XML is a fault too.
TSimEnvelope ParseSoapRequest(std::string_view body);

// The SOAP action of a request: the "action" parameter of a SOAP 1.2 Content-Type, else the SOAPAction
// header; quotes removed.
std::string SoapActionOf(std::string_view contentType, std::string_view soapActionHeader);

// A reply envelope: the optional header content, then <resultElement xmlns="serviceNamespace">result</...>.
std::string BuildSoapReply(std::string_view header, std::string_view resultElement,
                           std::string_view serviceNamespace, std::string_view result);

std::string BuildSoapFault(std::string_view code, std::string_view reason);

} // namespace vxn::sim
