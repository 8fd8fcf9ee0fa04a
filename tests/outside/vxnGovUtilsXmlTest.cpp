// XPath, XML helpers, escaping, accents and the parsing safety rules of TvxnGovUtils.
#include "support/RefusalOf.h"
#include "support/TempDir.h"
#include "vxnGovUtils.h"
#include "vxnNFeException.h"

#include <gtest/gtest.h>

#include <fstream>

namespace vxn {
namespace {

using test::Refusal;
using test::RefusalOf;

using test::TempDir;

// A status reply as the tax authority sends it: SOAP 1.2 envelope, the result element in the WSDL
// namespace and the reply in the NF-e namespace declared on itself.
const std::string kSoapReply =
    R"(<?xml version="1.0" encoding="utf-8"?>)"
    R"(<soap:Envelope xmlns:soap="http://www.w3.org/2003/05/soap-envelope" xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance">)"
    R"(<soap:Body><nfeResultMsg xmlns="http://www.portalfiscal.inf.br/nfe/wsdl/NFeStatusServico4">)"
    R"(<retConsStatServ versao="4.00" xmlns="http://www.portalfiscal.inf.br/nfe"><tpAmb>2</tpAmb>)"
    R"(<verAplic>SP_NFE_PL009_V4</verAplic><cStat>107</cStat><xMotivo>Serviço em Operação</xMotivo>)"
    R"(<cUF>35</cUF><dhRecbto>2024-05-10T10:20:30-03:00</dhRecbto><tMed>1</tMed></retConsStatServ>)"
    R"(</nfeResultMsg></soap:Body></soap:Envelope>)";

// A lot log: the NF-e documents inherit the namespace declared on enviNFe.
const std::string kLotLog =
    R"(<enviNFe xmlns="http://www.portalfiscal.inf.br/nfe" versao="4.00">)"
    R"(<idLote>1234</idLote><indSinc>0</indSinc>)"
    R"(<NFe><infNFe Id="NFe35240512345678000195550010000001231012345676" versao="4.00">)"
    R"(<emit><xNome>José &amp; Filhos</xNome></emit></infNFe></NFe>)"
    R"(<NFe><infNFe Id="NFe35240512345678000195550010000001241012345670" versao="4.00">)"
    R"(<emit><xNome>Ana</xNome></emit></infNFe></NFe></enviNFe>)";

TEST(GovUtilsXPath, SoapPrefixSelectsTheBodyOfASoap12Reply) {
  TvxnGovUtils u;
  // The caller builds the soap declaration from the reply's own namespace.
  const std::string ns = u.GetXMLNamespace(kSoapReply);
  EXPECT_EQ(ns, "http://www.w3.org/2003/05/soap-envelope");
  std::string node;
  ASSERT_TRUE(
      u.XPathSelectSingleNode(kSoapReply, "./soap:Envelope/soap:Body/*", node, "xmlns:soap=\"" + ns + "\""));
  EXPECT_TRUE(
      node.starts_with("<nfeResultMsg xmlns=\"http://www.portalfiscal.inf.br/nfe/wsdl/NFeStatusServico4\">"))
      << node;

  ASSERT_TRUE(u.XPathSelectSingleNode(kSoapReply, R"(//*[local-name()="retConsStatServ"])", node));
  // The element stands alone: its namespace declaration is there, accents are kept as UTF-8 text.
  EXPECT_TRUE(
      node.starts_with(R"(<retConsStatServ xmlns="http://www.portalfiscal.inf.br/nfe" versao="4.00">)") ||
      node.starts_with(R"(<retConsStatServ versao="4.00" xmlns="http://www.portalfiscal.inf.br/nfe">)"))
      << node;
  EXPECT_NE(node.find("<xMotivo>Serviço em Operação</xMotivo>"), std::string::npos) << node;
  EXPECT_TRUE(node.ends_with("</retConsStatServ>"));
  EXPECT_TRUE(u.IsValidXml(node));
}

TEST(GovUtilsXPath, SoapPrefixBoundToAnotherNamespaceDoesNotMatch) {
  TvxnGovUtils u;
  std::string node = "stale";
  EXPECT_FALSE(u.XPathSelectSingleNode(kSoapReply, "./soap:Envelope/soap:Body/*", node,
                                       "xmlns:soap='http://schemas.xmlsoap.org/soap/envelope/'"));
  EXPECT_EQ(node, "");
  // Without a declaration, soap is SOAP 1.2.
  EXPECT_TRUE(u.XPathSelectSingleNode(kSoapReply, "./soap:Envelope/soap:Body/*", node));
}

TEST(GovUtilsXPath, AttributeResultIsItsValueAndScalarsAreText) {
  TvxnGovUtils u;
  std::string node;
  ASSERT_TRUE(u.XPathSelectSingleNode(kLotLog, R"(.//*[local-name()="infNFe"]/@Id)", node));
  EXPECT_EQ(node, "NFe35240512345678000195550010000001231012345676");
  ASSERT_TRUE(u.XPathSelectSingleNode(kLotLog, "//@Id", node));
  EXPECT_EQ(node.substr(3, 44), "35240512345678000195550010000001231012345676");
  ASSERT_TRUE(u.XPathSelectSingleNode(kLotLog, "count(//tec:NFe)", node));
  EXPECT_EQ(node, "2");
  EXPECT_TRUE(u.XPathSelectSingleNode(kLotLog, "string(//tec:xNome)", node));
  EXPECT_EQ(node, "José & Filhos");
  EXPECT_FALSE(u.XPathSelectSingleNode(kLotLog, "//tec:protNFe", node));
}

TEST(GovUtilsXPath, NodesAreEvaluatedAtTheDocumentElementInDocumentOrder) {
  TvxnGovUtils u;
  const std::vector<std::string> children = u.XPathSelectNodes(kLotLog, "*");
  ASSERT_EQ(children.size(), 4u);
  EXPECT_EQ(children[0], R"(<idLote xmlns="http://www.portalfiscal.inf.br/nfe">1234</idLote>)");
  EXPECT_EQ(children[1], R"(<indSinc xmlns="http://www.portalfiscal.inf.br/nfe">0</indSinc>)");
  EXPECT_NE(children[2].find("1231012345676"), std::string::npos);
  EXPECT_NE(children[3].find("1241012345670"), std::string::npos);
  // The inherited default namespace is declared on the extracted document, and escaped text stays escaped.
  EXPECT_TRUE(children[2].starts_with(R"(<NFe xmlns="http://www.portalfiscal.inf.br/nfe">)")) << children[2];
  EXPECT_NE(children[2].find("José &amp; Filhos"), std::string::npos) << children[2];

  const auto ids = u.XPathSelectNodes(kLotLog, ".//tec:infNFe/@Id");
  ASSERT_EQ(ids.size(), 2u);
  EXPECT_EQ(ids[1], "NFe35240512345678000195550010000001241012345670");
  // A prefix of the caller's own overrides the built-in one.
  EXPECT_TRUE(u.XPathSelectNodes(kLotLog, ".//tec:infNFe", "xmlns:tec=\"urn:other\"").empty());
  EXPECT_EQ(
      u.XPathSelectNodes(kLotLog, ".//x:infNFe", "xmlns:x=\"http://www.portalfiscal.inf.br/nfe\"").size(),
      2u);
}

// A selected element stands alone: it gains the declarations of the namespaces it uses from its
// ancestors and nothing else, keeps non-ASCII characters of its values as they are whether or not the
// document names an encoding, and keeps comments, CDATA and processing instructions.
TEST(GovUtilsXPath, ASelectedElementIsWrittenAsADocumentOfItsOwn) {
  const std::vector<std::pair<std::string, std::string>> casos = {
      {R"(<r xmlns:p="urn:p"><p:a p:x="1"><b/></p:a></r>)", R"(<p:a xmlns:p="urn:p" p:x="1"><b/></p:a>)"},
      {R"(<r><a t="São">ç</a></r>)", R"(<a t="São">ç</a>)"},
      {R"(<?xml version="1.0" encoding="UTF-8"?><r><a t="Sé"/></r>)", R"(<a t="Sé"/>)"},
      {R"(<r xmlns:q="urn:q"><a xmlns="urn:a" q:y="2"/></r>)",
       R"(<a xmlns="urn:a" xmlns:q="urn:q" q:y="2"/>)"},
      {R"(<r><a xml:lang="pt">x</a></r>)", R"(<a xml:lang="pt">x</a>)"},
      {R"(<r xmlns:o="urn:o"><a xmlns="urn:a"><!--c--><![CDATA[<x>]]><?p i?>&amp;&lt;&gt;"'</a></r>)",
       R"(<a xmlns="urn:a"><!--c--><![CDATA[<x>]]><?p i?>&amp;&lt;&gt;"'</a>)"},
      {R"(<r xmlns:p="urn:1"><a><p:b xmlns:p="urn:2"><p:c/></p:b><p:d/></a></r>)",
       R"(<a xmlns:p="urn:1"><p:b xmlns:p="urn:2"><p:c/></p:b><p:d/></a>)"},
  };
  TvxnGovUtils u;
  for (const auto& [xml, esperado] : casos) {
    const std::vector<std::string> nos = u.XPathSelectNodes(xml, "*");
    ASSERT_EQ(nos.size(), 1u) << xml;
    EXPECT_EQ(nos[0], esperado) << xml;
  }
}

TEST(GovUtilsXPath, WhitespaceIsKeptUnlessAskedOtherwise) {
  TvxnGovUtils u;
  const std::string xml = "<a>\n  <b>1</b>\n</a>";
  std::string node;
  ASSERT_TRUE(u.XPathSelectSingleNode(xml, "/a", node));
  EXPECT_EQ(node, xml);
  ASSERT_TRUE(u.XPathSelectSingleNode(xml, "/a", node, {}, false));
  EXPECT_EQ(node, "<a><b>1</b></a>");
}

TEST(GovUtilsXPath, BadInputRaisesWithAClearMessage) {
  TvxnGovUtils u;
  TempDir dir;
  u.SetDiretorioLogErro(dir.Path());
  std::string node;
  const Refusal naoXml = RefusalOf([&] { u.XPathSelectSingleNode("<a><b></a>", "/a", node); });
  EXPECT_EQ(naoXml.className, "EvxnNFeException");
  EXPECT_TRUE(naoXml.message.starts_with("XML inválido: ")) << naoXml;
  EXPECT_NE(naoXml.message.find("(linha 1)"), std::string::npos) << naoXml;
  EXPECT_EQ(RefusalOf([&] { u.XPathSelectNodes("<a/>", "//["); }),
            (Refusal{"EvxnNFeException", "Expressão XPath inválida: //["}));
  EXPECT_THROW(u.XPathSelectNodes("<a/>", "//undeclared:x"), EvxnNFeException);
  // The exceptions went to the error log of the given directory.
  EXPECT_NE(test::ReadFileOrEmpty(dir.File("nfe_exception.log")).find("Expressão XPath inválida"),
            std::string::npos);
}

TEST(GovUtilsXmlSafety, ExternalEntityIsNeverRead) {
  TempDir dir;
  const std::string secretPath = dir.File("segredo.txt");
  std::ofstream(secretPath) << "SEGREDO-7f3a91";
  const std::string xxe = "<?xml version=\"1.0\"?>\n<!DOCTYPE r [<!ENTITY xxe SYSTEM \"file://" + secretPath +
                          "\">]>\n<r xmlns=\"http://www.portalfiscal.inf.br/nfe\"><v>&xxe;</v></r>";
  TvxnGovUtils u;
  EXPECT_FALSE(u.IsValidXml(xxe));
  EXPECT_EQ(u.GetXMLNamespace(xxe), "");
  EXPECT_EQ(u.GetXMLAttributeByIndex(xxe, "", 0), "");
  std::string node;
  const Refusal xpath = RefusalOf([&] { u.XPathSelectSingleNode(xxe, "string(//*)", node); });
  EXPECT_EQ(xpath.className, "EvxnNFeException");
  EXPECT_EQ(xpath.message.find("SEGREDO"), std::string::npos);
  EXPECT_NE(xpath.message.find("DOCTYPE"), std::string::npos) << xpath;
  EXPECT_EQ(node.find("SEGREDO"), std::string::npos);
  const Refusal esquema = RefusalOf(
      [&] { u.ValidateSchema(xxe, "", std::string(QVX_SCHEMAS_DIR) + "/vm60/consStatServ_v4.00.xsd"); });
  EXPECT_NE(esquema, Refusal{});
  EXPECT_EQ(esquema.message.find("SEGREDO"), std::string::npos);
  for (const std::string& line : u.Get_ValidatorErrors())
    EXPECT_EQ(line.find("SEGREDO"), std::string::npos);
  // Internal entities (the billion-laughs family) are refused the same way.
  EXPECT_FALSE(u.IsValidXml("<!DOCTYPE r [<!ENTITY a \"aaaa\"><!ENTITY b \"&a;&a;&a;\">]><r>&b;</r>"));
  // The predefined entities and character references are not DTD matters and still work.
  EXPECT_TRUE(u.XPathSelectSingleNode("<r>&lt;&#233;&#x41;</r>", "string(/r)", node));
  EXPECT_EQ(node, "<éA");
}

TEST(GovUtilsXmlHelpers, GetValueTagIsATextSearch) {
  TvxnGovUtils u;
  const std::string nfe =
      R"(<NFe xmlns="http://www.portalfiscal.inf.br/nfe"><ide><tpEmis>1</tpEmis></ide>)"
      R"(<infProt Id="ID135240000000001"><cStat>100</cStat><digVal>abc=</digVal></infProt>)"
      R"(<retEvento><infEvento><tpEvento>110111</tpEvento></infEvento></retEvento>)"
      R"(<ds:Signature xmlns:ds="x"><ds:SignatureValue>QUJD</ds:SignatureValue></ds:Signature><vazio/></NFe>)";
  EXPECT_EQ(u.GetValueTag("tpEmis", nfe), "1");
  EXPECT_EQ(u.GetValueTag("infProt", "cStat", nfe), "100");
  EXPECT_EQ(u.GetValueTag("infProt", nfe), "<cStat>100</cStat><digVal>abc=</digVal>");
  EXPECT_EQ(u.GetValueTag("infEvento", "tpEvento", nfe), "110111");
  EXPECT_EQ(u.GetValueTag("SignatureValue", nfe), "QUJD");
  EXPECT_EQ(u.GetValueTag("ds:SignatureValue", nfe), "QUJD");
  EXPECT_EQ(u.GetValueTag("vazio", nfe), "");
  EXPECT_EQ(u.GetValueTag("nRec", nfe), "");
  EXPECT_EQ(u.GetValueTag("infProt", "nProt", nfe), "");
  // "tpEmi" must not match the start of "tpEmis"; a missing end tag gives nothing.
  EXPECT_EQ(u.GetValueTag("tpEmi", nfe), "");
  EXPECT_EQ(u.GetValueTag("a", "<a>sem fim"), "");
  // Fragments and joined documents work: no parsing takes place.
  EXPECT_EQ(
      u.GetValueTag("root", "tpEvento", "<root><?xml version=\"1.0\"?><tpEvento>110111</tpEvento></root>"),
      "110111");

  EXPECT_EQ(u.GetValueParam("infProt", "Id", nfe), "ID135240000000001");
  EXPECT_EQ(u.GetValueParam("NFe", "xmlns", nfe), "http://www.portalfiscal.inf.br/nfe");
  EXPECT_EQ(u.GetValueParam("infProt", "d", nfe), "");
  EXPECT_EQ(u.GetValueParam("ide", "Id", nfe), "");
}

TEST(GovUtilsXmlHelpers, NamespacesAndAttributesByIndex) {
  TvxnGovUtils u;
  EXPECT_EQ(u.GetXMLNamespace(kLotLog), "http://www.portalfiscal.inf.br/nfe");
  EXPECT_EQ(u.GetXMLNamespace("<a/>"), "");
  EXPECT_EQ(u.GetXMLNamespace("not xml"), "");
  EXPECT_EQ(u.GetNodeNamespaceURI(kSoapReply, "nfeResultMsg"),
            "http://www.portalfiscal.inf.br/nfe/wsdl/NFeStatusServico4");
  EXPECT_EQ(u.GetNodeNamespaceURI(kSoapReply, "cStat"), "http://www.portalfiscal.inf.br/nfe");
  EXPECT_EQ(u.GetNodeNamespaceURI(kSoapReply, "nada"), "");
  EXPECT_EQ(u.GetXMLAttributeByIndex(kLotLog, "", 0), "4.00");
  EXPECT_EQ(u.GetXMLAttributeByIndex(kLotLog, "infNFe", 0),
            "NFe35240512345678000195550010000001231012345676");
  EXPECT_EQ(u.GetXMLAttributeByIndex(kLotLog, "infNFe", 1), "4.00");
  EXPECT_EQ(u.GetXMLAttributeByIndex(kLotLog, "infNFe", 2), "");
}

TEST(GovUtilsEscape, WellFormedDocumentsPassUnchanged) {
  TvxnGovUtils u;
  std::ifstream in(std::string(QVX_SOURCE_DIR) + "/tests/data/nfe-10-itens-v4.00.xml", std::ios::binary);
  const std::string sample((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_FALSE(sample.empty());
  EXPECT_EQ(u.Escape(sample), sample);
  EXPECT_EQ(u.Escape(kSoapReply), kSoapReply);
  const std::string special = "<a b=\"x &gt; y\" c='1'><!-- a & b < c --><![CDATA[ R&D <b> ]]><?pi a&b?>"
                              "&#233;&#xE9;&quot;&apos;</a>";
  EXPECT_EQ(u.Escape(special), special);
}

TEST(GovUtilsEscape, RepairsTextAndIsIdempotent) {
  TvxnGovUtils u;
  const std::string raw = "<xNome attr=\"P&G <x>\">Silva & Souza < 5 &copy; &#; &#x; &#0;\x01\x1f ok</xNome>";
  const std::string once = u.Escape(raw);
  EXPECT_EQ(once, "<xNome attr=\"P&amp;G &lt;x>\">Silva &amp; Souza &lt; 5 &amp;copy; &amp;#; &amp;#x; "
                  "&amp;#0; ok</xNome>");
  EXPECT_EQ(u.Escape(once), once);
  EXPECT_TRUE(u.IsValidXml(once));
  EXPECT_FALSE(u.IsValidXml(raw));
  std::string text;
  ASSERT_TRUE(u.XPathSelectSingleNode(once, "string(/xNome)", text));
  EXPECT_EQ(text, "Silva & Souza < 5 &copy; &#; &#x; &#0; ok");
}

TEST(GovUtilsEscape, UnescapeDecodesReferences) {
  TvxnGovUtils u;
  EXPECT_EQ(u.Unescape("&lt;a href=&quot;x&quot;&gt;&apos;R&amp;D&apos;&lt;/a&gt;"),
            "<a href=\"x\">'R&D'</a>");
  EXPECT_EQ(u.Unescape("&#233;&#xE3;&#x1F600;"), "éã\xF0\x9F\x98\x80");
  // "&amp;lt;" is one level of escaping: it becomes "&lt;", not "<".
  EXPECT_EQ(u.Unescape("&amp;lt;"), "&lt;");
  EXPECT_EQ(u.Unescape("&nbsp; &#0; &#xD800; & fim"), "&nbsp; &#0; &#xD800; & fim");
}

TEST(GovUtilsAccents, RemoveAccentsAndTheDynamicVariant) {
  TvxnGovUtils u;
  EXPECT_EQ(u.RemoveAccents("São João, AÇÃO, pé, über, Nº 5, 1ª via, Æsir"),
            "Sao Joao, ACAO, pe, uber, No 5, 1a via, AEsir");
  EXPECT_EQ(u.RemoveAccents("123456789012345"), "123456789012345");
  EXPECT_NE(u.RemoveAccents("12345ã"), "12345ã");
  EXPECT_EQ(u.RemoveAccents("€ — ✓"), "€ — ✓"); // not letters: untouched
  // Only the listed characters change.
  EXPECT_EQ(u.DynamicRemoveAccents("<xNome>Ação é ótima ü</xNome>", "çãé"), "<xNome>Acao e ótima ü</xNome>");
  const std::string all = "áéíóúàèìòùâêîôûäëïöüãõñçÁÉÍÓÚÀÈÌÒÙÂÊÎÔÛÄËÏÖÜÃÕÑÇºª";
  EXPECT_EQ(u.DynamicRemoveAccents(all, all), "aeiouaeiouaeiouaeiouaoncAEIOUAEIOUAEIOUAEIOUAONCoa");
  EXPECT_EQ(u.DynamicRemoveAccents(all, ""), all);
}

TEST(GovUtilsXmlHelpers, BomAndWellFormedness) {
  TvxnGovUtils u;
  EXPECT_EQ(u.RemoveBOM("\xEF\xBB\xBF<a/>"), "<a/>");
  EXPECT_EQ(u.RemoveBOM("<a/>\xEF\xBB\xBF"), "<a/>\xEF\xBB\xBF");
  EXPECT_TRUE(u.IsValidXml("\xEF\xBB\xBF<a/>"));
  EXPECT_TRUE(u.IsValidXml(kLotLog));
  EXPECT_FALSE(u.IsValidXml(""));
  EXPECT_FALSE(u.IsValidXml("texto"));
  EXPECT_FALSE(u.IsValidXml("<a></b>"));
  EXPECT_FALSE(u.IsValidXml("<a/><b/>"));
  EXPECT_FALSE(u.IsValidXml("<root><?xml version=\"1.0\"?><a/></root>"));
}

} // namespace
} // namespace vxn
