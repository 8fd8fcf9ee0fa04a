// Faults of the local server, for trying how a client handles a tax authority that fails: switched on
// per service (by its WSDL name), each applies to every request of that service until switched off.
// Faults of the reply come after the service has done its work (a lot is received, a receipt is kept),
// as when an answer is lost on its way back; the client can ask again once the fault is off.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vxn::sim {

enum class TSimFault {
  None,
  Timeout,          // the reply is held until the client gives up (or the fault is off, or the server stops)
  ConnectionClosed, // the headers and half of the body go out, then the connection is closed
  Http500,          // HTTP 500 with a plain-text body, no SOAP
  Http503,          // HTTP 503, the service unavailable
  SoapFault,        // HTTP 500 with a SOAP 1.2 fault (soap:Receiver)
  Malformed,        // HTTP 200 with the reply made not well-formed (a closing tag misspelt)
  Truncated,        // HTTP 200 with the first half of the reply, complete as HTTP
  BadSignature,     // HTTP 200 with a signed part of the reply altered after signing
  WrongCertificate, // the service's address answers with a server certificate of another authority
};

// The names of the command line ("timeout", "closed", "http500", "http503", "soap-fault", "malformed",
// "truncated", "bad-signature", "wrong-certificate", and "none").
std::optional<TSimFault> SimFaultFromText(std::string_view text);
std::string_view SimFaultText(TSimFault fault);

// The reply body a fault of the content sends instead of `reply` (Malformed, Truncated, BadSignature);
// any other fault leaves it as it is. A reply that carries no signature is sent unchanged under
// BadSignature: there is nothing signed to spoil.
std::string SpoilReply(TSimFault fault, std::string_view reply);

// The reason of the SOAP fault that SoapFault sends.
inline constexpr std::string_view kSimulatedFaultReason =
    "Server was unable to process request. Falha simulada.";

} // namespace vxn::sim
