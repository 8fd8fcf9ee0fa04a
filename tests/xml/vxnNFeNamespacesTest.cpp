#include "xml/vxnNFeNamespaces.h"

#include <gtest/gtest.h>

namespace vxn {
namespace {

TEST(NamespaceMarkers, ExpandsEveryMarkerAndLeavesOtherBracesAlone) {
  EXPECT_EQ(
      ExpandNamespaceMarkers(R"(<a xmlns="{NFE-NS}" b="{WSDL:NFeStatusServico4}"/>)"),
      R"(<a xmlns="http://www.portalfiscal.inf.br/nfe" b="http://www.portalfiscal.inf.br/nfe/wsdl/NFeStatusServico4"/>)");
  EXPECT_EQ(ExpandNamespaceMarkers("{SOAP12-NS}|{XSI-NS}|{XSD-NS}|{DSIG-NS}"),
            "http://www.w3.org/2003/05/soap-envelope|http://www.w3.org/2001/XMLSchema-instance|"
            "http://www.w3.org/2001/XMLSchema|http://www.w3.org/2000/09/xmldsig#");
  EXPECT_EQ(ExpandNamespaceMarkers("{C14N}{RSA-SHA1}{ENVELOPED}{SHA1}"),
            "http://www.w3.org/TR/2001/REC-xml-c14n-20010315http://www.w3.org/2000/09/xmldsig#rsa-sha1"
            "http://www.w3.org/2000/09/xmldsig#enveloped-signaturehttp://www.w3.org/2000/09/xmldsig#sha1");
  // Text that is not a marker, an unclosed WSDL marker and a lone brace pass unchanged.
  EXPECT_EQ(ExpandNamespaceMarkers("{V}{DOC}{WSDL:x{"), "{V}{DOC}{WSDL:x{");
  EXPECT_EQ(ExpandNamespaceMarkers("a{"), "a{");
}

} // namespace
} // namespace vxn
