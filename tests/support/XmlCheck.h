// Independent XML checks for tests: well-formedness and validation against an XML Schema file, done
// directly with libxml2 so that a test never trusts the library's own validation to judge its output.
#pragma once

#include <string>
#include <string_view>

namespace vxn::test {

// "" when the text is well-formed XML, otherwise the parser's first error.
std::string XmlWellFormedError(std::string_view xml);

// The canonical form (C14N 1.0) of the text read without the blanks between elements, so that two
// documents compare equal whatever their attribute order, empty-element form or indentation; the parser's
// error when the text is not XML.
std::string XmlCanonicalForm(std::string_view xml);

// "" when the text is valid against the schema file, otherwise the errors (or why the check could not run).
std::string XmlSchemaErrors(std::string_view xml, const std::string& xsdPath);

// The element whose Id attribute a signature's reference names, as xmlsec1's --id-attr option takes it.
inline constexpr const char* kInfNFe = "http://www.portalfiscal.inf.br/nfe:infNFe";

// "" when the xmlsec1 command line accepts the signature of the text with `caFile` (PEM) as trusted
// root, otherwise what it reported: signatures are judged by a program that shares no code with ours.
std::string XmlSec1VerifyErrors(std::string_view xml, const std::string& caFile,
                                const std::string& idElement = kInfNFe);

// Path of the official schema file `fileName` among the shipped schemas (data/Esquemas, searched in
// every folder); "" when it is not there.
std::string FindSchema(const std::string& fileName);

} // namespace vxn::test
