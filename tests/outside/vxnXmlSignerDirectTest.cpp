// The signer computes most signatures directly (its own canonical form, SHA-1 and RSA with the loaded
// key) instead of through xmlsec1. These tests sign the same documents both ways and require the same
// bytes, on documents chosen to exercise the canonical form: namespaces declared above the signed
// element, attributes out of canonical order, characters that need escaping, text outside ASCII,
// comments and CDATA. Documents the direct path does not cover must still be signed, by xmlsec1.
#include "support/DevPki.h"
#include "support/TempDir.h"
#include "vxnCertificateStore.h"
#include "vxnFiles.h"
#include "vxnXmlCanonicalizer.h"
#include "vxnXmlSigner.h"
#include "vxnXmlWriter.h"

#include <gtest/gtest.h>
#include <libxml/c14n.h>

using namespace vxn;
using namespace vxn::outside;
using vxn::test::DevPki;

namespace {

struct Caso {
  std::string nome;
  std::string xml;
  std::string id;
  std::string elemento; // local name of the signed element ("" = any)
};

const char* const kNfeId = "NFe35261211222333000181550010000001231123456780";

std::string Nfe10Itens() {
  return ReadWholeFile(std::string(QVX_SOURCE_DIR) + "/tests/data/nfe-govx-10-itens-unsigned.xml");
}

// The 10-item NF-e inside an enviNFe lot that declares the namespaces, so that the signed element
// inherits them from two levels up.
std::string NfeDentroDoLote() {
  std::string nfe = Nfe10Itens();
  nfe.replace(0, nfe.find('>') + 1, "<NFe>");
  return "<enviNFe xmlns=\"http://www.portalfiscal.inf.br/nfe\" "
         "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" xmlns:a=\"urn:a\" versao=\"4.00\">"
         "<idLote>1</idLote><indSinc>0</indSinc>" +
         nfe + "</enviNFe>";
}

std::vector<Caso> CasosCobertos() {
  std::vector<Caso> casos;
  casos.push_back({"nfe de 10 itens", Nfe10Itens(), kNfeId, "infNFe"});
  casos.push_back({"namespaces declarados acima", NfeDentroDoLote(), kNfeId, "infNFe"});
  casos.push_back(
      {"atributos fora de ordem",
       "<r xmlns=\"urn:r\" xmlns:z=\"urn:z\" xmlns:b=\"urn:b\"><doc z:k=\"1\" Id=\"d1\" versao=\"2\" "
       "b:k=\"2\" a=\"3\" xmlns:c=\"urn:c\"><x c:y=\"1\" b=\"2\" a=\"3\" z:a=\"4\" b:a=\"5\"/>"
       "<y xmlns:b=\"urn:b\" xmlns:c=\"urn:outro\" c:q=\"w\"/><w xmlns=\"\"><v/></w></doc></r>",
       "d1", "doc"});
  casos.push_back(
      {"caracteres que pedem escape",
       "<r><doc Id=\"e1\" q=\"diz &quot;oi&quot; &amp; 'tchau' &lt;&gt;\" t=\"a&#9;b&#10;c&#13;d\">"
       "A &amp; B &lt; C &gt; D&#13;\r\nE \"aspas\" 'simples'"
       "<![CDATA[ <cdata> & ]] ]]><i>&#x26;&#60;</i></doc></r>",
       "e1", "doc"});
  casos.push_back(
      {"texto fora do ASCII",
       "<evento xmlns=\"http://www.portalfiscal.inf.br/nfe\" versao=\"1.00\"><infEvento Id=\"ID1\" "
       "xJust=\"Correção São Paulo – 10 €\"><xCorrecao>Açúcar, maçã, pão; Ñandú 😀 日本</xCorrecao>"
       "</infEvento></evento>",
       "ID1", "infEvento"});
  casos.push_back({"comentários dentro e fora",
                   "<!-- antes --><r><!-- a --><doc Id=\"c1\"><!-- dentro --><a>1</a><!--x--></doc></r>",
                   "c1", "doc"});
  casos.push_back({"prefixos redefinidos e repetidos",
                   "<p:r xmlns:p=\"urn:p\" xmlns=\"urn:d\"><p:doc Id=\"p1\" xmlns:p=\"urn:p\">"
                   "<p:a xmlns:p=\"urn:outro\"><p:b xmlns:p=\"urn:p\"/></p:a><c xmlns=\"urn:d\"/>"
                   "<d xmlns=\"\"><e xmlns=\"urn:d\"/></d></p:doc></p:r>",
                   "p1", "doc"});
  casos.push_back({"xml:lang dentro do elemento",
                   "<r><doc Id=\"l1\" xml:lang=\"pt-BR\" b=\"1\"><t xml:space=\"preserve\"> x </t></doc></r>",
                   "l1", "doc"});
  casos.push_back({"elemento vazio e irmão posterior",
                   "<r xmlns=\"urn:r\"><doc Id=\"v1\"/><depois>1</depois></r>", "v1", "doc"});
  std::string nfce = Nfe10Itens();
  nfce.insert(nfce.find("</NFe>"), "<infNFeSupl><qrCode><![CDATA[https://example.invalid/qr?p=1&b=<2>]]>"
                                   "</qrCode><urlChave>https://example.invalid/c</urlChave></infNFeSupl>");
  casos.push_back({"nfc-e com bloco suplementar", nfce, kNfeId, "infNFe"});
  return casos;
}

class DirectSigningTest : public ::testing::Test {
protected:
  void SetUp() override {
    settings_.CertificateKind = ckFile;
    settings_.CertificatePath = test::SharedPki().ValidClientFile();
    settings_.CertificatePassword = "1234";
    cert_ = store_.Load(settings_);
  }

  // The document signed by xmlsec1 alone.
  std::string ByXmlSec(const Caso& c) {
    TvxnXmlSigner signer;
    signer.SetDirectSigning(false);
    settings_.ElementName = c.elemento;
    std::string out = signer.Sign(c.xml, c.id, settings_, cert_, {});
    EXPECT_FALSE(signer.LastSignedDirectly());
    return out;
  }

  std::string Directly(const Caso& c, bool& direct) {
    TvxnXmlSigner signer;
    settings_.ElementName = c.elemento;
    std::string out = signer.Sign(c.xml, c.id, settings_, cert_, {});
    direct = signer.LastSignedDirectly();
    return out;
  }

  TvxnSignerSettings settings_;
  TvxnCertificateStore store_;
  std::shared_ptr<const TvxnLoadedCertificate> cert_;
  test::TempDir dir_;
};

// libxml2's own canonicaliser, as xmlsec1 drives it for a reference to an element: the element and its
// descendants, without comments.
int InSubtree(void* apex, xmlNodePtr node, xmlNodePtr parent) {
  xmlNodePtr n = (node && node->type == XML_NAMESPACE_DECL) ? parent : node;
  if (node && node->type == XML_COMMENT_NODE)
    return 0;
  for (; n; n = n->parent)
    if (n == apex)
      return 1;
  return 0;
}

std::string LibxmlCanonical(xmlDocPtr doc, xmlNodePtr apex) {
  XmlBufferPtr buffer(xmlBufferCreate());
  xmlOutputBufferPtr out = xmlOutputBufferCreateBuffer(buffer.get(), nullptr);
  const int rc = xmlC14NExecute(doc, InSubtree, apex, XML_C14N_1_0, nullptr, 0, out);
  xmlOutputBufferClose(out);
  if (rc < 0)
    return "(falhou)";
  return std::string(reinterpret_cast<const char*>(xmlBufferContent(buffer.get())),
                     static_cast<std::size_t>(xmlBufferLength(buffer.get())));
}

xmlNodePtr ElementById(xmlNodePtr node, const std::string& id) {
  for (; node; node = node->next) {
    if (node->type != XML_ELEMENT_NODE)
      continue;
    XmlCharPtr value(xmlGetNoNsProp(node, BAD_CAST "Id"));
    if (value && id == reinterpret_cast<const char*>(value.get()))
      return node;
    if (xmlNodePtr found = ElementById(node->children, id))
      return found;
  }
  return nullptr;
}

// libxml2's writer, as SerializeDocument uses it.
std::string LibxmlDump(xmlDocPtr doc) {
  XmlBufferPtr buffer(xmlBufferCreate());
  xmlNodeDump(buffer.get(), doc, xmlDocGetRootElement(doc), 0, 0);
  return std::string(reinterpret_cast<const char*>(xmlBufferContent(buffer.get())),
                     static_cast<std::size_t>(xmlBufferLength(buffer.get())));
}

XmlDocPtr ParseAsSigner(const std::string& xml) {
  return XmlDocPtr(xmlReadMemory(xml.data(), static_cast<int>(xml.size()), "document.xml", "UTF-8",
                                 XML_PARSE_NONET | XML_PARSE_COMPACT));
}

} // namespace

TEST_F(DirectSigningTest, SameBytesAsXmlSec1ForEveryCoveredDocument) {
  for (const Caso& c : CasosCobertos()) {
    SCOPED_TRACE(c.nome);
    bool direct = false;
    const std::string ours = Directly(c, direct);
    EXPECT_TRUE(direct) << "the direct path should cover this document";
    EXPECT_EQ(ours, ByXmlSec(c));
    auto check = VerifyXmlSignature(ours, test::SharedPki().CaPem());
    EXPECT_TRUE(check.Ok) << check.Reason;
  }
}

TEST_F(DirectSigningTest, SameBytesWithoutKeyInfo) {
  settings_.Options = TvxnSignerSettings::kCompactBase64;
  for (const Caso& c : CasosCobertos()) {
    SCOPED_TRACE(c.nome);
    bool direct = false;
    const std::string ours = Directly(c, direct);
    EXPECT_TRUE(direct);
    EXPECT_EQ(ours.find("<KeyInfo>"), std::string::npos);
    EXPECT_EQ(ours, ByXmlSec(c));
  }
}

TEST_F(DirectSigningTest, XmlSec1CommandLineAcceptsDirectSignatures) {
  for (const Caso& c : CasosCobertos()) {
    if (c.elemento != "infNFe")
      continue;
    SCOPED_TRACE(c.nome);
    bool direct = false;
    const std::string file = dir_.File("assinado.xml");
    WriteFileAtomic(file, Directly(c, direct));
    ASSERT_TRUE(direct);
    std::string report;
    EXPECT_EQ(test::RunCommand("xmlsec1 --verify --trusted-pem '" + test::SharedPki().CaFile() +
                                   "' --id-attr:Id http://www.portalfiscal.inf.br/nfe:infNFe '" + file + "'",
                               report),
              0)
        << report;
  }
}

TEST_F(DirectSigningTest, DocumentsOutsideTheDirectPathAreSignedByXmlSec1) {
  const std::vector<Caso> fora = {
      // Canonical XML copies xml:* attributes of the ancestors onto the signed element.
      {"xml:lang num ancestral", "<r xml:lang=\"pt\"><doc Id=\"a1\"><x>1</x></doc></r>", "a1", "doc"},
      {"instrução de processamento", "<r><doc Id=\"a2\"><?pi dados?><x>1</x></doc></r>", "a2", "doc"},
      // A DTD may declare which attributes are IDs.
      {"DTD", "<!DOCTYPE r [<!ATTLIST doc Id ID #IMPLIED>]><r><doc Id=\"a3\"><x>1</x></doc></r>", "a3",
       "doc"},
  };
  for (const Caso& c : fora) {
    SCOPED_TRACE(c.nome);
    bool direct = true;
    const std::string ours = Directly(c, direct);
    EXPECT_FALSE(direct);
    EXPECT_EQ(ours, ByXmlSec(c));
    auto check = VerifyXmlSignature(ours);
    EXPECT_TRUE(check.Ok) << check.Reason;
  }
  // Without one-line base64 xmlsec1's line layout is kept.
  settings_.Options = TvxnSignerSettings::kIncludeCertificate;
  bool direct = true;
  const Caso nfe{"nfe", Nfe10Itens(), kNfeId, "infNFe"};
  const std::string laidOut = Directly(nfe, direct);
  EXPECT_FALSE(direct);
  const std::size_t value = laidOut.find("<SignatureValue>");
  ASSERT_NE(value, std::string::npos);
  EXPECT_LT(laidOut.find('\n', value), laidOut.find("</SignatureValue>"));
}

TEST(XmlCanonicalizer, MatchesLibxml2OnEveryCoveredDocument) {
  for (const Caso& c : CasosCobertos()) {
    SCOPED_TRACE(c.nome);
    XmlDocPtr doc(
        xmlReadMemory(c.xml.data(), static_cast<int>(c.xml.size()), nullptr, "UTF-8", XML_PARSE_NONET));
    ASSERT_TRUE(doc);
    xmlNodePtr apex = ElementById(xmlDocGetRootElement(doc.get()), c.id);
    ASSERT_NE(apex, nullptr);
    std::string ours;
    TvxnXmlCanonicalizer c14n;
    ASSERT_TRUE(c14n.Canonicalize(apex, ours));
    EXPECT_EQ(ours, LibxmlCanonical(doc.get(), apex));
  }
}

TEST(XmlCanonicalizer, EscapesAndOrdersAsCanonicalXmlSays) {
  const std::string xml =
      "<r xmlns:b=\"urn:b\" xmlns=\"urn:r\"><e z=\"1\" b:a=\"&quot;&#9;>\" a=\"&lt;&amp;\">"
      "x&#13;&gt;<f/></e></r>";
  XmlDocPtr doc(xmlReadMemory(xml.data(), static_cast<int>(xml.size()), nullptr, "UTF-8", 0));
  ASSERT_TRUE(doc);
  std::string out;
  TvxnXmlCanonicalizer c14n;
  ASSERT_TRUE(c14n.Canonicalize(xmlDocGetRootElement(doc.get())->children, out));
  EXPECT_EQ(out, "<e xmlns=\"urn:r\" xmlns:b=\"urn:b\" a=\"&lt;&amp;\" z=\"1\" b:a=\"&quot;&#x9;>\">"
                 "x&#xD;&gt;<f></f></e>");
}

TEST_F(DirectSigningTest, WriterMatchesLibxml2OnDocumentsAndTheirSignedForms) {
  std::vector<std::string> textos;
  for (const Caso& c : CasosCobertos()) {
    textos.push_back(c.xml);
    bool direct = false;
    textos.push_back(Directly(c, direct));
  }
  textos.push_back("<r a=\"x&#10;y&#9;z&#13;&quot;'&lt;&gt;&amp;\" b=\"São\"><![CDATA[]]><e></e><f/>t&#13;u"
                   "<!----><g xmlns=\"\" xmlns:p=\"urn:p\" p:h=\"1\"/></r>");
  for (const std::string& xml : textos) {
    XmlDocPtr doc = ParseAsSigner(xml);
    ASSERT_TRUE(doc) << xml;
    std::string ours;
    ASSERT_TRUE(TvxnXmlWriter::WriteRoot(doc.get(), ours)) << xml;
    EXPECT_EQ(ours, LibxmlDump(doc.get()));
  }
}

TEST(XmlWriter, LeavesToLibxml2WhatItDoesNotCover) {
  std::string out;
  // Without a declared encoding libxml2 writes references for characters outside ASCII in attributes.
  const std::string naoDeclarado = "<r a=\"ç\"/>";
  XmlDocPtr semEncoding(
      xmlReadMemory(naoDeclarado.data(), static_cast<int>(naoDeclarado.size()), nullptr, nullptr, 0));
  ASSERT_TRUE(semEncoding);
  EXPECT_FALSE(TvxnXmlWriter::WriteRoot(semEncoding.get(), out));
  XmlDocPtr pi = ParseAsSigner("<r><?pi x?></r>");
  ASSERT_TRUE(pi);
  EXPECT_FALSE(TvxnXmlWriter::WriteRoot(pi.get(), out));
}
