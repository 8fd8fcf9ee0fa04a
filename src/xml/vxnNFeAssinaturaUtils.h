// Signature helpers of the NF-e utility unit: the Id a document is signed by and the test of whether a
// document already carries an XML signature.
#pragma once

#include <string>
#include <string_view>

namespace vxn {

// The value of the first Id attribute of the document (XPath "//@Id"). A document without one raises
// EvxnNFeException "Campo Id não encontrado para nota fiscal"; a text that is not XML raises the
// parser's EvxnNFeException. logDir receives the error log of that exception.
std::string GetReferenceInfo(std::string_view xml, std::string_view logDir = {});

// True when the text contains an XML Signature element in its standard namespace,
// <Signature xmlns="http://www.w3.org/2000/09/xmldsig#">, written as the signer writes it.
bool ValidaAssinatura(std::string_view xml);

} // namespace vxn
