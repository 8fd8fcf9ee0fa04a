// FindAttribute answers what XPathSelectSingleNode answers for ".//*[local-name()=\"E\"]/@A" and "//@A"
// (signing reads every document's Id that way), without building the tree: the same value, the same
// "not found", and the same exception for text that is not XML.
#include "support/RefusalOf.h"
#include "vxnGovUtils.h"
#include "vxnNFeException.h"
#include "vxnText.h"
#include "vxnXPathSelection.h"

#include <gtest/gtest.h>

using namespace vxn;

namespace {

struct Resposta {
  bool found = false;
  std::string value;
  std::string error; // message of the exception, "" without one
};

Resposta PorXPath(const TvxnGovUtils& utils, std::string_view xml, std::string_view xpath) {
  Resposta r;
  try {
    r.found = utils.XPathSelectSingleNode(xml, xpath, r.value);
  } catch (const EvxnNFeException& e) {
    r.error = e.what();
  }
  return r;
}

Resposta PorBusca(const TvxnGovUtils& utils, std::string_view xml, std::string_view element) {
  Resposta r;
  try {
    r.found = utils.FindAttribute(xml, element, "Id", r.value);
  } catch (const EvxnNFeException& e) {
    r.error = e.what();
  }
  return r;
}

const std::vector<std::string> kTextos = {
    "<NFe xmlns=\"http://www.portalfiscal.inf.br/nfe\"><infNFe versao=\"4.00\" "
    "Id=\"NFe123\"><ide/></infNFe></NFe>",
    "<infNFe Id=\"NFe1\"><det Id=\"x\"/></infNFe>",
    // The first element carrying an Id is not always the infNFe.
    "<enviNFe><idLote Id=\"lote\">1</idLote><NFe><infNFe Id=\"NFe2\"/></NFe><NFe><infNFe Id=\"NFe3\"/></NFe>"
    "</enviNFe>",
    // An infNFe without Id is passed over; a prefixed infNFe counts (local name); a namespaced Id does not.
    "<r xmlns:p=\"urn:p\"><infNFe/><p:infNFe p:Id=\"ns\" Id=\"local\"/><infNFe Id=\"depois\"/></r>",
    "<r xmlns:p=\"urn:p\"><a p:Id=\"ns\"/><b Id=\"semns\"/></r>",
    // References in the value, and whitespace the parser normalises.
    "<r><infNFe Id=\"a&amp;b&#38;c&lt;d&#60;e&quot;f&#x41;g&#10;h\ti\nj&amp;#38;k\"/></r>",
    "<r><infNFe Id=\"\"/></r>",
    "<r><infNFe Id=\"São Paulo – ç\"/></r>",
    "<r><infNFe id=\"minúsculo\"/><x/></r>",
    "<r><![CDATA[<infNFe Id=\"falso\"/>]]><!-- <infNFe Id=\"c\"/> --><infNFe Id=\"real\"/></r>",
    // Text that is not XML, and a DTD: the same message either way.
    "<NFe><infNFe Id=\"a\">",
    "<NFe><infNFe Id=\"a\"></NFe>",
    "<r><infNFe Id=\"a\" Id=\"b\"/></r>",
    "<r>&naodeclarada;<infNFe Id=\"a\"/></r>",
    "<!DOCTYPE r [<!ENTITY e \"x\">]><r><infNFe Id=\"a\"/></r>",
    "",
    "   ",
    "texto",
    "<r><p:infNFe Id=\"sem-prefixo-declarado\"/></r>",
    "<r><infNFe q:Id=\"prefixo-indefinido\"/><infNFe Id=\"ok\"/></r>",
    "<r>\n<infNFe\nId=\"linha\"/>\n</r>\n<depois/>",
};

} // namespace

TEST(GovUtilsFindAttribute, AnswersAsTheXPathOfTheInfNFeIdAndOfTheFirstId) {
  TvxnGovUtils utils;
  for (const auto& [xpathText, element] :
       {std::pair{".//*[local-name()=\"infNFe\"]/@Id", "infNFe"}, std::pair{"//@Id", ""}})
    for (const std::string& xml : kTextos) {
      SCOPED_TRACE(std::string(element) + " in " + xml);
      const Resposta xpath = PorXPath(utils, xml, xpathText);
      const Resposta busca = PorBusca(utils, xml, element);
      EXPECT_EQ(busca.found, xpath.found);
      EXPECT_EQ(busca.value, xpath.value);
      EXPECT_EQ(busca.error, xpath.error);
    }
}

TEST(GovUtilsFindAttribute, ValuesAndFailuresSpelledOut) {
  TvxnGovUtils utils;
  std::string value;
  ASSERT_TRUE(utils.FindAttribute(kTextos[5], "infNFe", "Id", value));
  EXPECT_EQ(value, "a&b&c<d<e\"fAg\nh i j&#38;k");
  EXPECT_FALSE(utils.FindAttribute("<r><infNFe/></r>", "infNFe", "Id", value));
  EXPECT_EQ(value, "");
  const test::Refusal r =
      test::RefusalOf([&] { utils.FindAttribute("<NFe><infNFe Id=\"a\">", "infNFe", "Id", value); });
  EXPECT_TRUE(r.message.starts_with("XML inválido: ")) << r;
}

// FindAttributes gives the list XPathSelectNodes gives for ".//tec:infNFe/@Id" (the keys of a lot log):
// namespaces, order, nesting, references in values and the failures of text that is not XML.
TEST(GovUtilsFindAttribute, AllIdsAnswerAsTheXPathOfTheNFeInfNFeIds) {
  std::vector<std::string> textos = kTextos;
  const std::string ns = "\"http://www.portalfiscal.inf.br/nfe\"";
  textos.push_back("<enviNFe xmlns=" + ns + "><NFe><infNFe Id=\"NFe2\"/></NFe><NFe><infNFe Id=\"NFe3\">" +
                   "<infNFe Id=\"aninhado\"/></infNFe></NFe><NFe><infNFe Id=\"NFe4\"/></NFe></enviNFe>");
  textos.push_back("<n:infNFe xmlns:n=" + ns + " Id=\"raiz\"/>");
  textos.push_back("<r xmlns:n=" + ns + "><infNFe Id=\"sem-ns\"/><n:infNFe n:Id=\"x\" Id=\"prefixo\"/>" +
                   "<n:infNFe n:Id=\"so-ns\"/></r>");
  textos.push_back("<r xmlns=" + ns + "><infNFe Id=\"a&amp;b&#10;c\"/><x xmlns=\"urn:outro\"><infNFe " +
                   "Id=\"outro-ns\"/></x><NFE Id=\"maiusculo\"/></r>");
  TvxnGovUtils utils;
  for (const std::string& xml : textos) {
    SCOPED_TRACE(xml);
    std::vector<std::string> xpath;
    std::vector<std::string> busca;
    std::string xpathErro;
    std::string buscaErro;
    try {
      xpath = utils.XPathSelectNodes(xml, ".//tec:infNFe/@Id");
    } catch (const EvxnNFeException& e) {
      xpathErro = e.what();
    }
    try {
      busca = utils.FindAttributes(xml, kNFeNamespace, "infNFe", "Id");
    } catch (const EvxnNFeException& e) {
      buscaErro = e.what();
    }
    EXPECT_EQ(busca, xpath);
    EXPECT_EQ(buscaErro, xpathErro);
  }
  EXPECT_EQ(utils.FindAttributes(textos[textos.size() - 4], kNFeNamespace, "infNFe", "Id"),
            (std::vector<std::string>{"NFe2", "NFe3", "aninhado", "NFe4"}));
}

// XPathSelectNodesWithAttribute reads the attribute from the tree of the selection; the answer is the one
// of XPathSelectNodes followed by FindAttribute on each node's XML, failures included.
TEST(GovUtilsFindAttribute, SelectedNodesCarryTheAttributeTheirXmlGives) {
  std::vector<std::string> textos = kTextos;
  const std::string ns = "\"http://www.portalfiscal.inf.br/nfe\"";
  textos.push_back("<enviNFe xmlns=" + ns + "><idLote>1</idLote><NFe><infNFe Id=\"NFe2\"/></NFe><NFe>" +
                   "<x><infNFe/><infNFe Id=\"NFe3\"><infNFe Id=\"aninhado\"/></infNFe></x></NFe>" +
                   "<infNFe Id=\"NFe4\"/></enviNFe>");
  textos.push_back(
      "<r xmlns:n=" + ns + "><a><n:infNFe n:Id=\"so-ns\"/><n:infNFe n:Id=\"x\" Id=\"prefixo\"/>" +
      "</a><b Id=\"b\"><!-- c --><?p i?><![CDATA[<infNFe Id=\"falso\"/>]]><c Id=\"c\"/></b></r>");
  textos.push_back("<r><a><infNFe Id=\"São &#x41;&amp;&#10;\"/></a><a xml:lang=\"pt\"><infNFe/></a></r>");
  TvxnGovUtils utils;
  for (const char* element : {"infNFe", ""})
    for (const std::string& xml : textos) {
      SCOPED_TRACE(std::string(element) + " in " + xml);
      std::vector<TvxnSelectedNode> esperado;
      std::string esperadoErro;
      try {
        for (std::string& no : utils.XPathSelectNodes(xml, "*")) {
          TvxnSelectedNode s{std::move(no), {}};
          utils.FindAttribute(s.Xml, element, "Id", s.Attribute);
          esperado.push_back(std::move(s));
        }
      } catch (const EvxnNFeException& e) {
        esperadoErro = e.what();
      }
      std::vector<TvxnSelectedNode> lidos;
      std::string erro;
      try {
        lidos = XPathSelectNodesWithAttribute(utils, xml, "*", element, "Id");
      } catch (const EvxnNFeException& e) {
        erro = e.what();
      }
      EXPECT_EQ(erro, esperadoErro);
      ASSERT_EQ(lidos.size(), esperado.size());
      for (std::size_t i = 0; i < lidos.size(); ++i) {
        EXPECT_EQ(lidos[i].Xml, esperado[i].Xml) << i;
        EXPECT_EQ(lidos[i].Attribute, esperado[i].Attribute) << i;
      }
    }
  const auto lidos = XPathSelectNodesWithAttribute(utils, textos[textos.size() - 3], "*", "infNFe", "Id");
  ASSERT_EQ(lidos.size(), 4u);
  EXPECT_EQ(lidos[0].Attribute, "");
  EXPECT_EQ(lidos[1].Attribute, "NFe2");
  EXPECT_EQ(lidos[2].Attribute, "NFe3");
  EXPECT_EQ(lidos[3].Attribute, "NFe4");
}

// The accent remover walks the text byte runs instead of converting it whole; the answer is the one of the
// round trip through UTF-32, stray and truncated bytes included.
TEST(GovUtilsAccents, DynamicRemovalEqualsTheRoundTripThroughUtf32) {
  TvxnGovUtils utils;
  const std::string lista = "áàâãçéêíóôõúüÁÀÂÃÇÉÊÍÓÔÕÚÜºª";
  const std::vector<std::string> textos = {
      "",
      "só ASCII <infNFe Id=\"1\">",
      "Açúcar ÇÃO º ª ñ Ñ € 😀 日本 ß",
      std::string("solto \xE9 truncado \xC3") + " meio \xE2\x82 fim",
      std::string("contínuo \x80\x80 \xF0\x9F\x98 ok"),
  };
  const std::u32string listed = Utf8ToU32(lista);
  for (const std::string& t : textos) {
    std::u32string esperado;
    for (char32_t c : Utf8ToU32(t)) {
      const std::string plano = listed.find(c) != std::u32string::npos
                                    ? utils.RemoveAccents(U32ToUtf8(std::u32string(1, c)))
                                    : U32ToUtf8(std::u32string(1, c));
      esperado += Utf8ToU32(plano);
    }
    EXPECT_EQ(utils.DynamicRemoveAccents(t, lista), U32ToUtf8(esperado)) << t;
  }
  EXPECT_EQ(utils.DynamicRemoveAccents("Ação º Ñ", "ç"), "Acão º Ñ");
}
