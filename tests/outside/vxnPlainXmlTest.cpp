// The plain-form reader takes a shortcut past libxml2 only where libxml2 gives the same answer: every text
// it reads is one libxml2 parses, with the same elements, attribute values and namespaces, and every
// element's text is the one libxml2 writes for it (NodeToXml), byte for byte. Texts outside the form are
// refused (the callers then use libxml2), and so is every text that is not XML.
#include "vxnPlainXml.h"
#include "support/NFeLoteFixture.h"
#include "vxnGovUtils.h"
#include "vxnNFeException.h"

#include <gtest/gtest.h>

#include <random>

using namespace vxn;
using namespace vxn::outside;

namespace {

const std::string kNFe = "http://www.portalfiscal.inf.br/nfe";
const std::string kDSig = "http://www.w3.org/2000/09/xmldsig#";

// A lot log as the component writes it: a signed document in its namespace, the lot's own elements
// inheriting the lot's, references, non-ASCII text, whitespace between elements.
const std::string kLoteAssinado =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?><enviNFe xmlns=\"" + kNFe +
    "\" versao=\"4.00\"><idLote>1</idLote><indSinc>0</indSinc><NFe xmlns=\"" + kNFe +
    "\"><infNFe Id=\"NFe35261211222333000181550010000010011730155823\" versao=\"4.00\"><ide><cUF>35</cUF>"
    "<natOp>Venda &amp; devolução &lt;1&gt; \"aspas\" 'apóstrofo' 😀</natOp></ide><det nItem=\"1\">"
    "<prod><xProd>A&amp;B</xProd></prod></det><det nItem=\"2\"><infAdProd>x &gt; y</infAdProd></det>"
    "<vazio/><obs xCampo=\"São &amp; &lt;&gt;&quot; '\"/></infNFe><Signature xmlns=\"" +
    kDSig +
    "\"><SignedInfo><Reference URI=\"#NFe35261211222333000181550010000010011730155823\">"
    "<DigestValue>abc=</DigestValue></Reference></SignedInfo><SignatureValue>AAAA\nBBBB</SignatureValue>"
    "</Signature></NFe>\n  <NFe xmlns=\"" +
    kNFe + "\"><infNFe Id=\"NFe2\" versao=\"4.00\"><ide/></infNFe></NFe>\t</enviNFe>\r\n";

// What libxml2 gives for a text: every element written out (document order), every attribute value, the
// number of elements in each namespace. Empty with `error` set when libxml2 refuses the text.
struct LidoPelaBiblioteca {
  std::vector<std::string> elementos;
  std::vector<std::string> filhosDaRaiz;
  std::vector<std::string> atributos;
  std::string erro;
};

LidoPelaBiblioteca PelaBiblioteca(std::string_view xml) {
  TvxnGovUtils utils;
  LidoPelaBiblioteca r;
  try {
    r.elementos = utils.XPathSelectNodes(xml, "//*");
    r.filhosDaRaiz = utils.XPathSelectNodes(xml, "*");
    r.atributos = utils.XPathSelectNodes(xml, "//@*");
  } catch (const EvxnNFeException& e) {
    r.erro = e.what();
  }
  return r;
}

// Checks that a text the reader accepts reads the same through libxml2; returns whether it was accepted.
bool ConfereComABiblioteca(std::string_view xml) {
  const std::optional<PlainXml> plain = ReadPlainXml(xml);
  if (!plain)
    return false;
  const LidoPelaBiblioteca esperado = PelaBiblioteca(xml);
  EXPECT_EQ(esperado.erro, "") << "accepted as plain: " << xml;
  std::vector<std::string> elementos;
  std::vector<std::string> filhos;
  std::vector<std::string> atributos;
  for (std::size_t i = 0; i < plain->elements.size(); ++i) {
    elementos.push_back(PlainElementXml(xml, *plain, i));
    if (plain->elements[i].depth == 1)
      filhos.push_back(elementos.back());
    const PlainXmlElement& e = plain->elements[i];
    for (std::size_t a = e.firstAttribute; a < e.firstAttribute + e.attributeCount; ++a)
      atributos.push_back(plain->attributes[a].Value());
  }
  EXPECT_EQ(elementos, esperado.elementos) << xml;
  EXPECT_EQ(filhos, esperado.filhosDaRaiz) << xml;
  EXPECT_EQ(atributos, esperado.atributos) << xml;
  // The namespace of every element.
  TvxnGovUtils utils;
  for (std::size_t i = 0; esperado.erro.empty() && i < plain->elements.size(); ++i) {
    std::string uri;
    utils.XPathSelectSingleNode(xml, "namespace-uri((//*)[" + std::to_string(i + 1) + "])", uri);
    EXPECT_EQ(std::string(plain->elements[i].namespaceUri), uri) << i << " in " << xml;
  }
  return true;
}

std::string Aninhado(int niveis) {
  std::string xml;
  for (int i = 0; i < niveis; ++i)
    xml += "<a>";
  for (int i = 0; i < niveis; ++i)
    xml += "</a>";
  return xml;
}

} // namespace

TEST(PlainXml, TextsInThePlainFormReadAndWriteAsLibxml2Does) {
  const std::vector<std::string> planos = {
      kLoteAssinado,
      "<r/>",
      "<?xml version=\"1.0\"?>\n<r a=\"1\" b=\"\"><s/>texto</r>",
      "<r xmlns=\"urn:a\"><s><t xmlns=\"urn:b\"><u/></t></s><v>1</v></r>",
      // Elements inheriting the lot's namespace gain its declaration before their attributes.
      "<r xmlns=\"urn:a\" x=\"1\"><s y=\"2\" z=\"&quot;\"><t/></s></r>",
      test::LoteDoDataSet(2, false),
      test::LoteNaoAssinado(3),
  };
  for (const std::string& xml : planos) {
    SCOPED_TRACE(xml.substr(0, 200));
    EXPECT_TRUE(ConfereComABiblioteca(xml));
  }
}

// Each of these is XML libxml2 reads (or refuses) in a way the plain form does not cover: written out
// again it would change (or its reading needs the parser), so the reader refuses it.
TEST(PlainXml, EverythingOutsideTheFormIsRefused) {
  const std::vector<std::string> foraDaForma = {
      "",
      "   ",
      "texto",
      "<r>",
      "<r></s>",
      "<r><a></a></r>",                  // written <a/>
      "<r a='1'/>",                      // written with double quotes
      "<r  a=\"1\"/>",                   // blanks inside the tag
      "<r a=\"1\" />",                   //
      "<r\na=\"1\"/>",                   //
      "<r></r >",                        //
      "<r a=\"1\" xmlns=\"urn:a\"/>",    // declarations are written first
      "<r xmlns:p=\"urn:p\"><p:a/></r>", // prefixes
      "<r xml:lang=\"pt\"/>",            //
      "<r xmlns=\"\"/>",                 //
      "<r xmlns=\"urn:a\" xmlns=\"urn:b\"/>",
      "<r a=\"1\" a=\"2\"/>", // not XML
      "<r>a &gt b</r>",       // not XML
      "<r>&#65;</r>",         // character reference: written as the character
      "<r>&quot;</r>",        // written as '"'
      "<r>&apos;</r>",        //
      "<r a=\"&apos;\"/>",    //
      "<r a=\"&#10;\"/>",     //
      "<r>&e;</r>",           // not XML
      "<r>a > b</r>",         // written &gt;
      "<r a=\">\"/>",         //
      "<r a=\"x\ty\"/>",      // read as a space
      "<r>a\r\nb</r>",        // read as "\n"
      "<r><!-- c --></r>",    // comments, CDATA, processing instructions
      "<r><![CDATA[x]]></r>", //
      "<r><?p x?></r>",       //
      "<!DOCTYPE r><r/>",     //
      "<!-- c --><r/>",       //
      "<r/><r/>",             // not XML
      "<r/>texto",            // not XML
      "\xEF\xBB\xBF<r/>",     // byte-order mark
      "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><r>\xE9</r>",
      "<?xml version=\"1.1\"?><r/>", //
      "<r>\xC3</r>",                 // not UTF-8
      "<r>\xC0\xAF</r>",             // overlong
      "<r>\xED\xA0\x80</r>",         // surrogate
      "<r>\xEF\xBF\xBF</r>",         // not a character
      "<r>\x01</r>",                 // not a character
      "<1r/>",                       // not a name
      "<r.\xC3\xA9/>",               // a name libxml2 takes, outside the form
      "<r xmlns=\"http://www.w3.org/XML/1998/namespace\"/>",
      "<r xmlns=\"sem esquema\"/>",
      Aninhado(260), // deeper than libxml2 reads without its option for huge documents
  };
  for (const std::string& xml : foraDaForma)
    EXPECT_FALSE(ReadPlainXml(xml).has_value()) << xml;
}

// Random changes to a plain lot: whatever the reader still accepts, libxml2 reads and writes the same.
TEST(PlainXml, ChangedTextsTheReaderAcceptsReadAsLibxml2ReadsThem) {
  std::mt19937 gerador(20261207);
  const std::string trocas = "<>&\"'/=;! \t\r\nax1#:\xC3\xA9\xFF";
  int aceitos = 0;
  int recusados = 0;
  for (int i = 0; i < 1500; ++i) {
    std::string xml = kLoteAssinado;
    const int mudancas = 1 + static_cast<int>(gerador() % 2);
    for (int m = 0; m < mudancas; ++m) {
      const std::size_t pos = gerador() % xml.size();
      const char c = trocas[gerador() % trocas.size()];
      switch (gerador() % 3) {
      case 0:
        xml[pos] = c;
        break;
      case 1:
        xml.erase(pos, 1 + gerador() % 4);
        break;
      default:
        xml.insert(pos, 1, c);
      }
    }
    SCOPED_TRACE(xml);
    if (ConfereComABiblioteca(xml))
      ++aceitos;
    else
      ++recusados;
  }
  // Both outcomes are exercised.
  EXPECT_GT(aceitos, 100);
  EXPECT_GT(recusados, 100);
}
