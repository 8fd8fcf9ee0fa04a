// GetValueTag finds the tags in the text itself instead of copying the whole text without its NF-e
// namespace declarations first; the answers must be those of the copy, which this test computes the
// plain way for texts that put the declaration on start tags, end tags, the content and nowhere.
#include "vxnText.h"
#include "xml/vxnNFeUtils.h"

#include <gtest/gtest.h>

using namespace vxn;

namespace {

// The content between the first "<tag>" and the first "</tag>" of the text without the declarations; with
// no "<tag>", from character length(tag) + 2 (counted from 1).
std::string PelaCopia(std::string_view tag, std::string_view xml) {
  const std::string texto = ReplaceAll(xml, " xmlns=\"http://www.portalfiscal.inf.br/nfe\">", ">");
  const std::string abre = "<" + std::string(tag) + ">";
  const std::string fecha = "</" + std::string(tag) + ">";
  const std::size_t s = texto.find(abre);
  const std::size_t e = texto.find(fecha);
  const std::size_t inicio =
      s != std::string::npos ? s + abre.size() : Utf8Offset(texto, Utf8Length(tag) + 1);
  if (e == std::string::npos || e <= inicio)
    return {};
  return texto.substr(inicio, e - inicio);
}

} // namespace

TEST(GetValueTag, SameAnswerAsReadingACopyWithoutTheNFeDeclarations) {
  const std::string ns = " xmlns=\"http://www.portalfiscal.inf.br/nfe\"";
  const std::vector<std::string> textos = {
      "<NFe" + ns + "><infNFe><ide><tpEmis>1</tpEmis></ide></infNFe></NFe>",
      "<tpEmis" + ns + ">9</tpEmis>",
      "<a><tpEmis" + ns + ">2<b" + ns + ">x</b></tpEmis" + ns + "></a>",
      "<tpEmis>3</tpEmis" + ns + "><tpEmis>4</tpEmis>",
      "</tpEmis><tpEmis>5</tpEmis>",
      "<tpEmisX>6</tpEmisX><tpEmis>7</tpEmis>",
      "<tpEmis a=\"1\">8</tpEmis>",
      "<tpEmis/><tpEmis></tpEmis>",
      "xx</tpEmis>",
      "abcdefghij</tpEmis>",
      "<tpEmis>sem fim",
      "<tpEmis" + ns + ">",
      "<tpEmis" + ns,
      "<tpEmis xmlns=\"http://outro\">1</tpEmis>",
      "<x:tpEmis>1</x:tpEmis>",
      "",
      "<Signature><SignedInfo/><SignatureValue>  A  B   </SignatureValue><KeyInfo" + ns +
          "><X509Data>Z</X509Data></KeyInfo></Signature>",
  };
  for (const std::string& xml : textos)
    for (std::string_view tag : {"tpEmis", "b", "KeyInfo", "SignatureValue", "x:tpEmis", "a"}) {
      SCOPED_TRACE(std::string(tag) + " em " + xml);
      EXPECT_EQ(GetValueTag(tag, xml), PelaCopia(tag, xml));
    }
}
