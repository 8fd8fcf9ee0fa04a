// The signer computes most signatures in one pass of the parser, without a tree (TvxnXmlSigningScan).
// These tests sign documents three ways (one pass, from the tree, xmlsec1 alone) and require the same
// bytes, on documents chosen for what a scan must get right: namespaces declared on ancestors,
// references in text and attributes, CR and LF, comments, CDATA (adjacent sections are one node in the
// tree), duplicated Ids, text outside ASCII, the signature's place. Documents the pass does not cover go
// through the tree and still give xmlsec1's bytes, and bad input raises the same exception either way.
#include "vxnXmlSigningScan.h"
#include "support/DevPki.h"
#include "support/TempDir.h"
#include "vxnCertificateStore.h"
#include "vxnFiles.h"
#include "vxnNFeException.h"
#include "vxnXmlCanonicalizer.h"
#include "vxnXmlSigner.h"
#include "vxnXmlWriter.h"

#include <gtest/gtest.h>

using namespace vxn;
using namespace vxn::outside;
using vxn::test::DevPki;

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
};

const char* const kNfeId = "NFe35261211222333000181550010000001231123456780";
const char* const kNfeNs = "http://www.portalfiscal.inf.br/nfe";

std::string Nfe10Itens() {
  return ReadWholeFile(std::string(QVX_SOURCE_DIR) + "/tests/data/nfe-govx-10-itens-unsigned.xml");
}

std::vector<Caso> CasosDeUmaPassada() {
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
  casos.push_back(
      {"prefixo redeclarado acima e abaixo",
       "<p:r xmlns:p=\"urn:p\" xmlns:q=\"urn:q\" xmlns=\"urn:d\"><p:m xmlns:q=\"urn:outro\">"
       "<p:doc Id=\"p1\" q:x=\"1\"><p:a xmlns:p=\"urn:p2\"><p:b xmlns:p=\"urn:p\" xmlns:q=\"urn:q\"/>"
       "</p:a><c xmlns=\"\"><e xmlns=\"urn:d\"/></c><g xmlns:q=\"urn:outro\" "
       "xmlns=\"urn:d\"/></p:doc></p:m></p:r>",
       "p1", "doc", "urn:p:doc"});
  casos.push_back({"atributos que pedem escape",
                   "<r><doc Id=\"e1\" a=\"&amp;&lt;&gt;&quot;'\" b='aspas \"duplas\" &apos;simples&apos;' "
                   "c=\"x&#9;y&#10;z&#13;w\" d=\"literal\ttab e\nquebra\" e=\"&#38;#38;\"/></r>",
                   "e1", "doc", "doc"});
  casos.push_back({"CR, LF e &#13;",
                   "<r>\r\n<doc Id=\"n1\">linha 1\r\nlinha 2\rlinha 3&#13;\n<x>&#13;&#10;</x></doc>\r\n</r>",
                   "n1", "doc", "doc"});
  casos.push_back({"comentários dentro, fora e vazios",
                   "<!-- antes --><r><!----><doc Id=\"c1\"><!-- dentro --><a>1<!--x-->2</a><!---->"
                   "</doc><!-- depois --></r><!-- fim -->",
                   "c1", "doc", "doc"});
  casos.push_back({"CDATA simples, vazio e seções vizinhas",
                   "<r><doc Id=\"d1\"><a><![CDATA[ <cdata> & ]] ]]></a><b><![CDATA[]]></b>"
                   "<c><![CDATA[um]]><![CDATA[dois]]><![CDATA[]]>texto<![CDATA[três]]></c>"
                   "<d>antes<![CDATA[]]></d></doc></r>",
                   "d1", "doc", "doc"});
  casos.push_back({"referências no texto",
                   "<r><doc Id=\"t1\">&amp; &lt; &gt; &quot; &apos; &#x41;&#66; &#233;&#x20AC; &#x1F600;"
                   "<i>&#38;&#60;</i> \"aspas\" 'simples' ></doc></r>",
                   "t1", "doc", "doc"});
  casos.push_back({"Id repetido: o primeiro é assinado",
                   "<r><doc Id=\"r1\"><a>primeiro</a></doc><doc Id=\"r1\"><a>segundo</a></doc></r>", "r1",
                   "doc", "doc", "<doc Id=\"r1\"><a>segundo</a></doc>"});
  casos.push_back({"o mesmo Id em outro elemento antes",
                   "<r><outro Id=\"o1\"><a>não</a></outro><doc Id=\"o1\"><a>sim</a></doc></r>", "o1", "doc",
                   "doc"});
  casos.push_back(
      {"texto fora do ASCII",
       "<evento xmlns=\"http://www.portalfiscal.inf.br/nfe\" versao=\"1.00\"><infEvento Id=\"ID1\" "
       "xJust=\"Correção São Paulo – 10 €\"><xCorrecao>Açúcar, maçã, pão; Ñandú 😀 日本</xCorrecao>"
       "</infEvento></evento>",
       "ID1", "infEvento", std::string(kNfeNs) + ":infEvento"});
  casos.push_back({"Id com caracteres que pedem escape",
                   "<r><doc Id=\"a&amp;b&lt;c&gt;&quot;dç\"><x/></doc></r>", "a&b<c>\"dç", "doc", "doc"});
  casos.push_back({"elementos vazios e só com espaços",
                   "<r xmlns=\"urn:r\"><doc Id=\"v1\"><a></a><b/><c> </c><d>\n\t</d></doc>\n  <depois/></r>",
                   "v1", "doc", "urn:r:doc"});
  casos.push_back({"elemento assinado vazio no fim", "<r xmlns=\"urn:r\"><antes/><doc Id=\"f1\"></doc></r>",
                   "f1", "doc", "urn:r:doc"});
  casos.push_back(
      {"atributos com prefixo fora de ordem",
       "<r xmlns:z=\"urn:z\" xmlns:b=\"urn:b\"><doc z:k=\"1\" Id=\"o2\" versao=\"2\" b:k=\"2\" a=\"3\" "
       "xmlns:c=\"urn:c\"><x c:y=\"1\" b=\"2\" a=\"3\" z:a=\"4\" b:a=\"5\"/></doc></r>",
       "o2", "doc", "doc"});
  casos.push_back({"xml:lang dentro do elemento assinado",
                   "<r><doc Id=\"l1\" xml:lang=\"pt-BR\"><t xml:space=\"preserve\"> x </t></doc></r>", "l1",
                   "doc", "doc"});
  std::string nfce = Nfe10Itens();
  nfce.insert(nfce.find("</NFe>"),
              "\n<!-- qr -->\n<infNFeSupl><qrCode><![CDATA[https://example.invalid/qr?p=1&b=<2>]]>"
              "</qrCode><urlChave>https://example.invalid/c</urlChave></infNFeSupl>\n");
  casos.push_back({"nfc-e com bloco suplementar entre espaços", nfce, kNfeId, "infNFe", infNFe});
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

class OnePassSigningTest : public ::testing::Test {
protected:
  void SetUp() override {
    settings_.CertificateKind = ckFile;
    settings_.CertificatePath = test::SharedPki().ValidClientFile();
    settings_.CertificatePassword = "1234";
    cert_ = store_.Load(settings_);
  }

  enum class Way { OnePass, Tree, XmlSec };

  std::string Sign(const Caso& c, Way way, bool* onePass = nullptr) {
    TvxnXmlSigner signer;
    signer.SetDirectSigning(way != Way::XmlSec);
    signer.SetOnePassSigning(way == Way::OnePass);
    settings_.ElementName = c.elemento;
    std::string out = signer.Sign(c.xml, c.id, settings_, cert_, {});
    if (onePass)
      *onePass = signer.LastSignedInOnePass();
    if (way == Way::XmlSec) {
      EXPECT_FALSE(signer.LastSignedDirectly());
    }
    return out;
  }

  // The message of the exception Sign raises, or "" when it signs.
  std::string Failure(const Caso& c, bool onePass) {
    TvxnXmlSigner signer;
    signer.SetOnePassSigning(onePass);
    settings_.ElementName = c.elemento;
    try {
      signer.Sign(c.xml, c.id, settings_, cert_, {});
    } catch (const EvxnSignatureException& e) {
      return e.what();
    }
    return {};
  }

  void ExpectXmlSec1Accepts(const Caso& c, std::string signedXml) {
    if (!c.foraDaVerificacao.empty()) {
      const std::size_t at = signedXml.find(c.foraDaVerificacao);
      ASSERT_NE(at, std::string::npos);
      signedXml.erase(at, c.foraDaVerificacao.size());
    }
    const std::string file = dir_.File("assinado.xml");
    WriteFileAtomic(file, signedXml);
    std::string report;
    EXPECT_EQ(test::RunCommand("xmlsec1 --verify --trusted-pem '" + test::SharedPki().CaFile() +
                                   "' --id-attr:Id '" + c.idAttrXmlSec + "' '" + file + "' 2>&1",
                               report),
              0)
        << report;
  }

  TvxnSignerSettings settings_;
  TvxnCertificateStore store_;
  std::shared_ptr<const TvxnLoadedCertificate> cert_;
  test::TempDir dir_;
};

} // namespace

TEST_F(OnePassSigningTest, SameBytesAsXmlSec1AndTheTreeAndAcceptedByXmlSec1) {
  for (const Caso& c : CasosDeUmaPassada()) {
    SCOPED_TRACE(c.nome);
    bool onePass = false;
    const std::string ours = Sign(c, Way::OnePass, &onePass);
    EXPECT_TRUE(onePass) << "one pass should cover this document";
    EXPECT_EQ(ours, Sign(c, Way::XmlSec));
    EXPECT_EQ(ours, Sign(c, Way::Tree));
    ExpectXmlSec1Accepts(c, ours);
  }
}

TEST_F(OnePassSigningTest, SameBytesWithoutKeyInfo) {
  settings_.Options = TvxnSignerSettings::kCompactBase64;
  for (const Caso& c : CasosDeUmaPassada()) {
    SCOPED_TRACE(c.nome);
    bool onePass = false;
    const std::string ours = Sign(c, Way::OnePass, &onePass);
    EXPECT_TRUE(onePass);
    EXPECT_EQ(ours.find("<KeyInfo>"), std::string::npos);
    EXPECT_EQ(ours, Sign(c, Way::XmlSec));
  }
}

TEST_F(OnePassSigningTest, SignerReusedAcrossDocumentsGivesTheSameBytes) {
  // The parser context and buffers are kept from one document to the next.
  TvxnXmlSigner signer;
  for (int round = 0; round < 2; ++round)
    for (const Caso& c : CasosDeUmaPassada()) {
      SCOPED_TRACE(c.nome);
      settings_.ElementName = c.elemento;
      const std::string ours = signer.Sign(c.xml, c.id, settings_, cert_, {});
      EXPECT_TRUE(signer.LastSignedInOnePass());
      EXPECT_EQ(ours, Sign(c, Way::Tree));
    }
}

TEST_F(OnePassSigningTest, DocumentsOutsideThePassAreSignedFromTheTree) {
  const std::vector<Caso> fora = {
      // xml:id enters libxml2's table of IDs, which xmlsec1 resolves the reference through.
      {"xml:id noutro elemento", "<r><x xml:id=\"k\"/><doc Id=\"a0\"><x>1</x></doc></r>", "a0", "doc", "doc"},
      // Joined, the two sections hold "]]>", which libxml2 writes as two sections again.
      {"seções CDATA que juntas contêm ]]>", "<r><doc Id=\"a1\"><![CDATA[a]]]]><![CDATA[>b]]></doc></r>",
       "a1", "doc", "doc"},
      {"instrução de processamento dentro", "<r><doc Id=\"a2\"><?pi dados?><x>1</x></doc></r>", "a2", "doc",
       "doc"},
      {"xml:lang num ancestral", "<r xml:lang=\"pt\"><doc Id=\"a3\"><x>1</x></doc></r>", "a3", "doc", "doc"},
      {"DTD", "<!DOCTYPE r [<!ATTLIST doc Id ID #IMPLIED>]><r><doc Id=\"a4\"><x>1</x></doc></r>", "a4", "doc",
       "doc"},
  };
  for (const Caso& c : fora) {
    SCOPED_TRACE(c.nome);
    bool onePass = true;
    const std::string ours = Sign(c, Way::OnePass, &onePass);
    EXPECT_FALSE(onePass);
    EXPECT_EQ(ours, Sign(c, Way::XmlSec));
    auto check = VerifyXmlSignature(ours);
    EXPECT_TRUE(check.Ok) << check.Reason;
  }
}

TEST_F(OnePassSigningTest, BadInputRaisesTheSameExceptionAsTheTree) {
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
    const std::string message = Failure(c, true);
    EXPECT_FALSE(message.empty()) << "should be refused";
    EXPECT_EQ(message, Failure(c, false));
  }
  // The parser's messages come from the parse into a tree alone: the pass adds none of its own.
  EXPECT_EQ(
      Failure(ruins[4], true),
      "XML a assinar não é válido: linha 1: Opening and ending tag mismatch: x line 1 and doc; linha 1: "
      "Opening and ending tag mismatch: doc line 1 and r; linha 1: Premature end of data in tag r line 1");
}

TEST(XmlSigningScan, WritesWhatTheWriterAndTheCanonicalizerWriteFromTheTree) {
  TvxnXmlSigningScan scan;
  for (const Caso& c : CasosDeUmaPassada()) {
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
