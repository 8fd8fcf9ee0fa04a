// The signer computes most signatures itself: in one pass of the parser without a tree
// (TvxnXmlSigningScan), or from the parsed tree with its own canonical form, SHA-1 and RSA with the loaded
// key. These tests sign the same documents the three ways (one pass, tree, xmlsec1 alone) and require the
// same bytes, on documents chosen for what each path must get right: namespaces declared on ancestors,
// attributes out of canonical order, references and characters that need escaping, CR and LF, comments,
// CDATA (adjacent sections are one node in the tree), duplicated Ids, text outside ASCII, the signature's
// place. The xmlsec1 command line accepts the result. Documents a path does not cover go the next way and
// still give xmlsec1's bytes, and bad input raises the same exception either way.
#include "support/DevPki.h"
#include "support/RefusalOf.h"
#include "support/TempDir.h"
#include "support/XmlCheck.h"
#include "vxnCertificateStore.h"
#include "vxnFiles.h"
#include "vxnNFeException.h"
#include "vxnXmlCanonicalizer.h"
#include "vxnXmlSigner.h"
#include "vxnXmlSigningScan.h"
#include "vxnXmlWriter.h"

#include <gtest/gtest.h>
#include <libxml/c14n.h>

using namespace vxn;
using namespace vxn::outside;

namespace {

struct Caso {
  std::string nome;
  std::string xml;
  std::string id;
  std::string elemento;     // local name of the signed element ("" = any)
  std::string idAttrXmlSec; // the element as xmlsec1 --id-attr names it ("<namespace>:<name>" or name)
  // Taken out of the signed document before the xmlsec1 command line checks it (which refuses a document
  // with two equal Ids); it lies outside the signed element and the signature.
  std::string foraDaVerificacao = {};
  bool soXmlSec = false; // the tree path leaves it to xmlsec1 too
};

const char* const kNfeId = "NFe35261211222333000181550010000001231123456780";
const char* const kNfeNs = "http://www.portalfiscal.inf.br/nfe";

std::string Nfe10Itens() {
  return ReadWholeFile(std::string(QVX_SOURCE_DIR) + "/tests/data/nfe-govx-10-itens-unsigned.xml");
}

std::vector<Caso> Casos() {
  const std::string infNFe = std::string(kNfeNs) + ":infNFe";
  std::vector<Caso> casos;
  casos.push_back({"nfe de 10 itens", Nfe10Itens(), kNfeId, "infNFe", infNFe});
  std::string lote = Nfe10Itens();
  lote.replace(0, lote.find('>') + 1, "<NFe xmlns:b=\"urn:b\">");
  lote = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<!-- lote -->\n"
         "<enviNFe xmlns=\"http://www.portalfiscal.inf.br/nfe\" xmlns:xsi=\"http://www.w3.org/2001/"
         "XMLSchema-instance\" xmlns:a=\"urn:a\" versao=\"4.00\">\n  <idLote>1</idLote>\n  <indSinc>0"
         "</indSinc>\n  " +
         lote + "\n</enviNFe>\n<?fim do lote?>\n";
  casos.push_back({"namespaces declarados em dois ancestrais", lote, kNfeId, "infNFe", infNFe});
  std::string nfce = Nfe10Itens();
  nfce.insert(nfce.find("</NFe>"),
              "\n<!-- qr -->\n<infNFeSupl><qrCode><![CDATA[https://example.invalid/qr?p=1&b=<2>]]>"
              "</qrCode><urlChave>https://example.invalid/c</urlChave></infNFeSupl>\n");
  casos.push_back({"nfc-e com bloco suplementar entre espaços", nfce, kNfeId, "infNFe", infNFe});
  for (const auto& c : test::ReadTable("outside/data/casos-de-assinatura.tsv"))
    casos.push_back({c.at(0), c.at(5), c[1], c[2], c[3], c[4]});
  return casos;
}

// The first element in document order with the Id (and the name, unless empty).
xmlNodePtr FirstWithId(xmlNodePtr node, const std::string& id, const std::string& name) {
  for (; node; node = node->next) {
    if (node->type != XML_ELEMENT_NODE)
      continue;
    XmlCharPtr value(xmlGetNoNsProp(node, BAD_CAST "Id"));
    if (value && id == reinterpret_cast<const char*>(value.get()) &&
        (name.empty() || name == reinterpret_cast<const char*>(node->name)))
      return node;
    if (xmlNodePtr found = FirstWithId(node->children, id, name))
      return found;
  }
  return nullptr;
}

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

class SigningTest : public ::testing::Test {
protected:
  void SetUp() override {
    settings_.CertificateKind = ckFile;
    settings_.CertificatePath = test::SharedPki().ValidClientFile();
    settings_.CertificatePassword = "1234";
    cert_ = store_.Load(settings_);
  }

  enum class Way { OnePass, Tree, XmlSec };

  // The document signed the given way; `onePass` and `direct` tell how the signer actually did it.
  std::string Sign(const Caso& c, Way way, bool* onePass = nullptr, bool* direct = nullptr) {
    TvxnXmlSigner signer;
    signer.SetDirectSigning(way != Way::XmlSec);
    signer.SetOnePassSigning(way == Way::OnePass);
    settings_.ElementName = c.elemento;
    std::string out = signer.Sign(c.xml, c.id, settings_, cert_, {});
    if (onePass)
      *onePass = signer.LastSignedInOnePass();
    if (direct)
      *direct = signer.LastSignedDirectly();
    if (way == Way::XmlSec) {
      EXPECT_FALSE(signer.LastSignedDirectly());
    }
    return out;
  }

  void ExpectXmlSec1Accepts(const Caso& c, std::string signedXml) {
    if (!c.foraDaVerificacao.empty()) {
      const std::size_t at = signedXml.find(c.foraDaVerificacao);
      ASSERT_NE(at, std::string::npos);
      signedXml.erase(at, c.foraDaVerificacao.size());
    }
    EXPECT_EQ(test::XmlSec1VerifyErrors(signedXml, test::SharedPki().CaFile(), c.idAttrXmlSec), "");
  }

  TvxnSignerSettings settings_;
  TvxnCertificateStore store_;
  std::shared_ptr<const TvxnLoadedCertificate> cert_;
};

} // namespace

TEST_F(SigningTest, SameBytesEveryWayAndAcceptedByXmlSec1) {
  for (const Caso& c : Casos()) {
    SCOPED_TRACE(c.nome);
    bool onePass = false, direct = false;
    const std::string ours = Sign(c, Way::OnePass, &onePass);
    EXPECT_TRUE(onePass) << "one pass should cover this document";
    EXPECT_EQ(ours, Sign(c, Way::XmlSec));
    EXPECT_EQ(ours, Sign(c, Way::Tree, nullptr, &direct));
    EXPECT_TRUE(direct) << "the tree path should cover this document";
    ExpectXmlSec1Accepts(c, ours);
    // Our verifier follows the first element that carries the Id; xmlsec1 is told which element it is.
    // Where another element carries the same Id first, only xmlsec1 can judge the signature.
    if (c.xml.find(" Id=\"" + c.id + "\"") == c.xml.rfind(" Id=\"" + c.id + "\"")) {
      auto check = VerifyXmlSignature(ours, test::SharedPki().CaPem());
      EXPECT_TRUE(check.Ok) << check.Reason;
    }
  }
}

TEST_F(SigningTest, SameBytesWithoutKeyInfo) {
  settings_.Options = TvxnSignerSettings::kCompactBase64;
  for (const Caso& c : Casos()) {
    SCOPED_TRACE(c.nome);
    bool onePass = false;
    const std::string ours = Sign(c, Way::OnePass, &onePass);
    EXPECT_TRUE(onePass);
    EXPECT_EQ(ours.find("<KeyInfo>"), std::string::npos);
    EXPECT_EQ(ours, Sign(c, Way::XmlSec));
    EXPECT_EQ(ours, Sign(c, Way::Tree));
  }
}

TEST_F(SigningTest, SignerReusedAcrossDocumentsGivesTheSameBytes) {
  // The parser context and buffers are kept from one document to the next.
  TvxnXmlSigner signer;
  for (int round = 0; round < 2; ++round)
    for (const Caso& c : Casos()) {
      SCOPED_TRACE(c.nome);
      settings_.ElementName = c.elemento;
      const std::string ours = signer.Sign(c.xml, c.id, settings_, cert_, {});
      EXPECT_TRUE(signer.LastSignedInOnePass());
      EXPECT_EQ(ours, Sign(c, Way::Tree));
    }
}

TEST_F(SigningTest, DocumentsOutsideThePassGoTheNextWay) {
  const std::vector<Caso> fora = {
      // xml:id enters libxml2's table of IDs, which xmlsec1 resolves the reference through.
      {"xml:id noutro elemento", "<r><x xml:id=\"k\"/><doc Id=\"a0\"><x>1</x></doc></r>", "a0", "doc", "doc"},
      // Joined, the two sections hold "]]>", which libxml2 writes as two sections again.
      {"seções CDATA que juntas contêm ]]>", "<r><doc Id=\"a1\"><![CDATA[a]]]]><![CDATA[>b]]></doc></r>",
       "a1", "doc", "doc"},
      // The tree path leaves these to xmlsec1 too: canonical XML copies xml:* attributes of the ancestors
      // onto the signed element, and a DTD may declare which attributes are IDs.
      {"instrução de processamento dentro",
       "<r><doc Id=\"a2\"><?pi dados?><x>1</x></doc></r>",
       "a2",
       "doc",
       "doc",
       {},
       true},
      {"xml:lang num ancestral",
       "<r xml:lang=\"pt\"><doc Id=\"a3\"><x>1</x></doc></r>",
       "a3",
       "doc",
       "doc",
       {},
       true},
      {"DTD",
       "<!DOCTYPE r [<!ATTLIST doc Id ID #IMPLIED>]><r><doc Id=\"a4\"><x>1</x></doc></r>",
       "a4",
       "doc",
       "doc",
       {},
       true},
  };
  for (const Caso& c : fora) {
    SCOPED_TRACE(c.nome);
    bool onePass = true, direct = true;
    const std::string ours = Sign(c, Way::OnePass, &onePass, &direct);
    EXPECT_FALSE(onePass);
    if (c.soXmlSec) {
      EXPECT_FALSE(direct);
    }
    EXPECT_EQ(ours, Sign(c, Way::XmlSec));
    auto check = VerifyXmlSignature(ours);
    EXPECT_TRUE(check.Ok) << check.Reason;
  }
  // Without one-line base64 xmlsec1's line layout is kept.
  settings_.Options = TvxnSignerSettings::kIncludeCertificate;
  bool direct = true;
  const std::string laidOut =
      Sign({"nfe", Nfe10Itens(), kNfeId, "infNFe", ""}, Way::OnePass, nullptr, &direct);
  EXPECT_FALSE(direct);
  const std::size_t value = laidOut.find("<SignatureValue>");
  ASSERT_NE(value, std::string::npos);
  EXPECT_LT(laidOut.find('\n', value), laidOut.find("</SignatureValue>"));
}

TEST_F(SigningTest, BadInputRaisesTheSameExceptionEitherWay) {
  const std::vector<Caso> ruins = {
      {"Id ausente", "<r><doc Id=\"outro\"/></r>", "b1", "doc", ""},
      {"Id em elemento de outro nome", "<r><outro Id=\"b2\"/></r>", "b2", "doc", ""},
      {"Id na raiz", "<doc Id=\"b3\"><x/></doc>", "b3", "doc", ""},
      {"Id na raiz, qualquer elemento", "<doc Id=\"b4\"><x Id=\"b4\"/></doc>", "b4", "", ""},
      {"mal formado", "<r><doc Id=\"b5\"><x></doc></r>", "b5", "doc", ""},
      {"entidade não declarada", "<r><doc Id=\"b6\">&nada;</doc></r>", "b6", "doc", ""},
      {"sem elemento raiz", "<!-- só um comentário -->", "b7", "doc", ""},
      {"prefixo sem declaração", "<r><p:doc Id=\"b8\"/></r>", "b8", "doc", ""},
  };
  for (const Caso& c : ruins) {
    SCOPED_TRACE(c.nome);
    const test::Refusal onePass = test::RefusalOf([&] { Sign(c, Way::OnePass); });
    EXPECT_EQ(onePass.className, "EvxnSignatureException") << "should be refused";
    EXPECT_EQ(onePass, test::RefusalOf([&] { Sign(c, Way::Tree); }));
  }
  // The parser's messages come from the parse into a tree alone: the pass adds none of its own.
  EXPECT_EQ(
      test::RefusalOf([&] { Sign(ruins[4], Way::OnePass); }).message,
      "XML a assinar não é válido: linha 1: Opening and ending tag mismatch: x line 1 and doc; linha 1: "
      "Opening and ending tag mismatch: doc line 1 and r; linha 1: Premature end of data in tag r line 1");
}

TEST(XmlCanonicalizer, MatchesLibxml2OnEveryCoveredDocument) {
  for (const Caso& c : Casos()) {
    SCOPED_TRACE(c.nome);
    XmlDocPtr doc(
        xmlReadMemory(c.xml.data(), static_cast<int>(c.xml.size()), nullptr, "UTF-8", XML_PARSE_NONET));
    ASSERT_TRUE(doc);
    xmlNodePtr apex = FirstWithId(xmlDocGetRootElement(doc.get()), c.id, c.elemento);
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

TEST_F(SigningTest, WriterMatchesLibxml2OnDocumentsAndTheirSignedForms) {
  std::vector<std::string> textos;
  for (const Caso& c : Casos()) {
    textos.push_back(c.xml);
    textos.push_back(Sign(c, Way::Tree));
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

TEST(XmlSigningScan, WritesWhatTheWriterAndTheCanonicalizerWriteFromTheTree) {
  TvxnXmlSigningScan scan;
  for (const Caso& c : Casos()) {
    SCOPED_TRACE(c.nome);
    ASSERT_TRUE(scan.Scan(c.xml, c.id, c.elemento));
    XmlDocPtr doc(xmlReadMemory(c.xml.data(), static_cast<int>(c.xml.size()), "document.xml", "UTF-8",
                                XML_PARSE_NONET | XML_PARSE_COMPACT));
    ASSERT_TRUE(doc);
    std::string written = "<?xml version=\"1.0\"?>";
    ASSERT_TRUE(TvxnXmlWriter::WriteRoot(doc.get(), written));
    EXPECT_EQ(scan.Document(), written);

    xmlNodePtr apex = FirstWithId(xmlDocGetRootElement(doc.get()), c.id, c.elemento);
    ASSERT_NE(apex, nullptr);
    std::string canonical;
    TvxnXmlCanonicalizer c14n;
    ASSERT_TRUE(c14n.Canonicalize(apex, canonical));
    EXPECT_EQ(scan.Canonical(), canonical);
  }
}

TEST(XmlSigningScan, PlacesTheSignatureAfterTheElementOrItsSupplementaryBlocks) {
  TvxnXmlSigningScan scan;
  ASSERT_TRUE(scan.Scan("<r><a/><doc Id=\"x\"><b/></doc> texto <c/></r>", "x", "doc"));
  EXPECT_EQ(scan.Document().substr(scan.SignatureOffset()), " texto <c/></r>");
  ASSERT_TRUE(scan.Scan("<NFe><infNFe Id=\"x\"/>\n<infNFeSupl>1</infNFeSupl><!-- c -->"
                        "<infNFeSupl>2</infNFeSupl> <outro/><infNFeSupl>3</infNFeSupl></NFe>",
                        "x", "infNFe"));
  EXPECT_EQ(scan.Document().substr(scan.SignatureOffset()), " <outro/><infNFeSupl>3</infNFeSupl></NFe>");
  ASSERT_TRUE(scan.Scan("<r xmlns:p=\"urn:p\"><m xmlns:q=\"urn:q\" xmlns=\"urn:d\"><p:doc Id=\"x\" "
                        "xmlns:z=\"urn:z\"/></m></r>",
                        "x", "doc"));
  EXPECT_EQ(scan.Document().substr(scan.SignatureOffset()), "</m></r>");
  // The Signature declares the default namespace itself; the signed element's own bindings are not
  // in force beside it.
  const std::vector<TvxnXmlSigningScan::Binding> scope = {{"p", "urn:p"}, {"q", "urn:q"}};
  EXPECT_EQ(scan.SignatureScope(), scope);
  EXPECT_EQ(scan.Canonical(), "<p:doc xmlns=\"urn:d\" xmlns:p=\"urn:p\" xmlns:q=\"urn:q\" xmlns:z=\"urn:z\" "
                              "Id=\"x\"></p:doc>");
}

TEST(XmlSigningScan, RefusesWhatItDoesNotCover) {
  TvxnXmlSigningScan scan;
  EXPECT_FALSE(scan.Scan("<r><p:doc Id=\"x\"/></r>", "x", "")) << "unbound prefix";
  EXPECT_FALSE(scan.Scan("<r><doc Id=\"x\"/><y xml:id=\"z\"/></r>", "x", "doc")) << "xml:id";
  EXPECT_FALSE(scan.Scan("<doc Id=\"x\"/>", "x", "doc")) << "root";
  EXPECT_FALSE(scan.Scan("<r><doc Id=\"y\"/></r>", "x", "doc")) << "missing";
  EXPECT_FALSE(scan.Scan("<r><doc Id=\"x\"><?pi?></doc></r>", "x", "doc")) << "processing instruction";
  EXPECT_FALSE(scan.Scan("<r xmlns:a='urn:&quot;'><doc Id=\"x\"/></r>", "x", "doc")) << "quote in a URI";
  EXPECT_FALSE(scan.Scan("<r><doc Id=\"x\">", "x", "doc")) << "malformed";
  // A processing instruction outside the root element is not written, so it does not matter.
  EXPECT_TRUE(scan.Scan("<?pi?><r><doc Id=\"x\"/></r><?pi?>", "x", "doc"));
  EXPECT_EQ(scan.Document(), "<?xml version=\"1.0\"?><r><doc Id=\"x\"/></r>");
}
