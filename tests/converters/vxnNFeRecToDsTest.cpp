// The REC text of the free issuer's layout replayed on the input dataset: the example sale in REC gives
// the XML of its command text; records, documents and items open and close where the layout's groups
// say; unknown groups pass, unknown positions are refused by group and position.
#include "ConverterTestUtil.h"
#include "converters/vxnNFeConverter.h"
#include "support/RefusalOf.h"

#include <gtest/gtest.h>

namespace vxn {
namespace {

using test::Refusal;
using test::RefusalOf;

class RecTest : public ::testing::Test {
protected:
  void SetUp() override {
    conv.SetDiretorioLogErro(tmp.Path());
    conv.SetDiretorioTemplates(test::TemplatesVm60());
  }
  void TearDown() override { EvxnException::ResetClassState(); }

  std::string Rec(std::string_view texto) {
    return conv.ConvertToXml(texto, "4.00", lkTXTRec, pl_009g, false);
  }
  std::string Comandos(std::string_view texto) {
    return conv.ConvertToXml(texto, "4.00", lkTXTDataSet, pl_009g, false);
  }

  test::TempDir tmp;
  TvxnNFeConverter conv;
};

// The REC example is the sale of the command-text example under its own number (1003), so that the
// examples can be issued together.
std::string ComandosDoExemploRec() {
  return test::TrocaPrimeira(test::ExemploComandos(), "nNF_B08=1001", "nNF_B08=1003");
}

TEST_F(RecTest, TheExampleSaleGivesTheXmlOfItsCommandText) {
  const std::string esperado = Comandos(ComandosDoExemploRec());
  ASSERT_FALSE(esperado.empty());
  EXPECT_EQ(Rec(test::ExemploRec()), esperado);
  // Read from its file as well.
  EXPECT_EQ(Rec(std::string(QVX_SOURCE_DIR) + "/examples/venda-sp-mg-rec.txt"), esperado);
}

TEST_F(RecTest, EachALineStartsADocumentAndTheLastIsStoredWithoutAClosingLine) {
  const std::string um = test::ExemploRec();
  std::string dois = test::TrocaPrimeira(um, "|1003|2026-12-05T10:30", "|1009|2026-12-05T10:30");
  // The second document ends in the middle of its footer records: it is stored all the same.
  dois = dois.substr(0, dois.find("Y|"));
  const std::string lote = Rec(um + dois);
  EXPECT_EQ(test::Ocorrencias(lote, "<infNFe "), 2u);
  EXPECT_LT(lote.find("<nNF>1003</nNF>"), lote.find("<nNF>1009</nNF>"));
  EXPECT_EQ(test::Ocorrencias(lote, "<det nItem="), 6u);
}

TEST_F(RecTest, AnUnknownGroupIsPassedOverAndAnEscapedValueIsNotEscapedAgain) {
  std::string texto =
      test::TrocaPrimeira(test::ExemploRec(), "manual & certificado", "manual &amp; certificado");
  texto = test::TrocaPrimeira(texto, "ZD|", "ZX01|https://qr.example|https://url.example|\r\nZD|");
  EXPECT_EQ(Rec(texto), Comandos(ComandosDoExemploRec()));
}

TEST_F(RecTest, AnUndeclaredPositionIsRefusedWithGroupAndPosition) {
  const std::string texto =
      test::TrocaPrimeira(test::ExemploRec(), "E02|17444555000125|", "E02|17444555000125|X|");
  EXPECT_EQ(
      RefusalOf([&] { Rec(texto); }),
      (Refusal{"EvxnNFeException", "Não foi encontrado campo configurado para o Grupo E02 na posição 3"}));
}

TEST_F(RecTest, SeveralPaymentsAndReferencedDocumentsOfTheNewerGroups) {
  std::string texto = test::TrocaPrimeira(test::ExemploRec(), "YA01|1|15|6827.45|",
                                          "YA01|1|15|6000.00|\r\nYA01|0|01|827.45|");
  texto = test::TrocaPrimeira(texto, "C|",
                              "BA|\r\nBA02|35261111222333000181550010000012341000012344|\r\n"
                              "BA10|31|2610|ISENTO|04|0|12|\r\nBA14|12345678909|\r\nC|");
  const std::string xml = Rec(texto);
  EXPECT_EQ(test::Ocorrencias(xml, "<detPag>"), 2u) << xml;
  EXPECT_NE(
      xml.find("<NFref><refNFe>35261111222333000181550010000012341000012344</refNFe></NFref><NFref><refNFP>"
               "<cUF>31</cUF><AAMM>2610</AAMM><CPF>12345678909</CPF><IE>ISENTO</IE><mod>04</mod>"),
      std::string::npos)
      << xml;
}

} // namespace
} // namespace vxn
