// Namespace URIs and algorithm identifiers that the request, envelope and signing texts carry, and the
// expansion of the named markers in which the stored template texts write them.
#pragma once

#include <string>
#include <string_view>

namespace vxn {

namespace uri {

// The namespace the published NF-e schemas declare.
inline constexpr std::string_view kNFe = "http://www.portalfiscal.inf.br/nfe";
// SOAP 1.2 envelope.
inline constexpr std::string_view kSoap12 = "http://www.w3.org/2003/05/soap-envelope";
inline constexpr std::string_view kXsi = "http://www.w3.org/2001/XMLSchema-instance";
inline constexpr std::string_view kXsd = "http://www.w3.org/2001/XMLSchema";
// XML Signature and the algorithms the NF-e signature profile fixes.
inline constexpr std::string_view kDSig = "http://www.w3.org/2000/09/xmldsig#";
inline constexpr std::string_view kC14N = "http://www.w3.org/TR/2001/REC-xml-c14n-20010315";
inline constexpr std::string_view kRsaSha1 = "http://www.w3.org/2000/09/xmldsig#rsa-sha1";
inline constexpr std::string_view kEnveloped = "http://www.w3.org/2000/09/xmldsig#enveloped-signature";
inline constexpr std::string_view kSha1 = "http://www.w3.org/2000/09/xmldsig#sha1";

} // namespace uri

// The WSDL namespace of a service: the NF-e namespace, "/wsdl/" and the service name.
std::string WsdlNamespace(std::string_view service);

// Replaces the markers {NFE-NS}, {SOAP12-NS}, {XSI-NS}, {XSD-NS}, {DSIG-NS}, {C14N}, {RSA-SHA1},
// {ENVELOPED}, {SHA1} and {WSDL:Name} by their URIs. Any other brace text is left as it is.
std::string ExpandNamespaceMarkers(std::string_view text);

} // namespace vxn
