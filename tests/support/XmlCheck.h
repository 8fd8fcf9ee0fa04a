// Independent XML checks for tests: well-formedness and validation against an XML Schema file, done
// directly with libxml2 so that a test never trusts the library's own validation to judge its output.
#pragma once

#include <string>
#include <string_view>

namespace vxn::test {

// "" when the text is well-formed XML, otherwise the parser's first error.
std::string XmlWellFormedError(std::string_view xml);

// "" when the text is valid against the schema file, otherwise the errors (or why the check could not run).
std::string XmlSchemaErrors(std::string_view xml, const std::string& xsdPath);

// Path of the official schema file `fileName` among the shipped schemas (data/Esquemas, searched in
// every folder); "" when it is not there.
std::string FindSchema(const std::string& fileName);

} // namespace vxn::test
