// The values the DANFE print data formats itself: a wrong separator, a lost digit, a split character or
// a line of the complementary information lost between the box and its continuation.
#include "danfe/vxnNFeDanfeFormatacao.h"

#include <gtest/gtest.h>

#include <clocale>

namespace vxn {
namespace {

TEST(DanfeFormatacao, NumbersTakeTheBrazilianFormWhateverTheLocale) {
  // A process locale with other separators must not reach the printed values.
  std::setlocale(LC_NUMERIC, "C.UTF-8");
  struct Caso {
    std::string valor;
    std::string virgula, dois, zero;
  };
  const Caso casos[] = {
      {"1234567.89", "1.234.567,89", "1.234.567,89", "1.234.568"},
      {"", "0,00", "", ""},
      {"1234", "1234", "1.234,00", "1.234"},
      {"-1234.5", "-1.234,5", "-1.234,50", "-1.235"},
      {"0.005", "0,005", "0,01", "0"},
      {"999.995", "999,995", "1.000,00", "1.000"},
      {"12.1234567890", "12,1234567890", "12,12", "12"},
  };
  for (const Caso& c : casos) {
    EXPECT_EQ(VirgulaDecimal(c.valor), c.virgula) << c.valor;
    EXPECT_EQ(FormatarDecimal(c.valor, 2), c.dois) << c.valor;
    EXPECT_EQ(FormatarDecimal(c.valor, 0), c.zero) << c.valor;
  }
  TvxnDanfeSoma soma;
  for (const char* v : {"0.10", "0.20", "1234.005", "-0.3"})
    soma.Somar(v);
  EXPECT_EQ(FormatarDecimal(soma.Texto(2), 2), "1.234,01");
}

TEST(DanfeFormatacao, ComplementaryInformationSplitsIntoBoxAndContinuationByCharacters) {
  // Rows of ten characters: the accented characters count once each and are never cut.
  struct Caso {
    std::string texto;
    int maxRow;
    bool quebrar;
    std::string caixa, continuacao;
  };
  const std::string kCont = "CONTINUAÇÃO DAS INFORMAÇÕES COMPLEMENTARES\r\n";
  const Caso casos[] = {
      {"curto", 3, false, "curto", ""},
      {"linha1\r\nlinha2\nlinha3\r\nlinha4", 3, false, "linha1\r\nlinha2\r\nlinha3", kCont + "linha4"},
      // Fifteen characters take two rows; what does not fit in the last row continues.
      {"ação ação ação X\r\nfim", 1, false, "ação ação ", kCont + "ação X\r\nfim"},
      {"ação ação ação X\r\nfim", 3, true, "ação ação\r\nação X\r\nfim", ""},
      {"ação ação ação X\r\nfim", 2, true, "ação ação\r\nação X", kCont + "fim"},
  };
  for (const Caso& c : casos) {
    const TvxnObservacoesSeparadas partes = SeparaObservacoes(c.texto, 10, c.maxRow, c.quebrar);
    EXPECT_EQ(partes.caixa, c.caixa) << c.texto;
    EXPECT_EQ(partes.continuacao, c.continuacao) << c.texto;
  }
  EXPECT_EQ(GetValueTagTratado("a|b<![CDATA[c]]>&#xD;\r\nd", "|"), "a\r\nbc\r\nd");
}

} // namespace
} // namespace vxn
