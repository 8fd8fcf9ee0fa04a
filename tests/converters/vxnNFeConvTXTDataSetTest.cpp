// The command text replayed on the input dataset: command recognition, values kept exactly, the
// unsaved-document check, several documents, and errors passed through from the dataset.
#include "converters/vxnNFeConvTXTDataSet.h"
#include "ConverterTestUtil.h"
#include "support/NFeDocumentFiller.h"
#include "support/RefusalOf.h"
#include "vxnFiles.h"

#include <gtest/gtest.h>

namespace vxn {
namespace {

using test::Refusal;
using test::RefusalOf;

using test::Tag;
using test::TrocaPrimeira;

class ConvTXTDataSetTest : public ::testing::Test {
protected:
  void SetUp() override {
    conv.SetDiretorioLogErro(tmp.Path());
    conv.SetXMLDicionario(test::ShippedDictionary());
  }
  void TearDown() override { EvxnException::ResetClassState(); }

  // Converts and returns the documents of LoteNFe.
  std::vector<std::string> Documentos(const std::string& texto) {
    conv.SetTXT(texto);
    TvxnNFeDataSets* ds = nullptr;
    conv.Converter(ds);
    EXPECT_NE(ds, nullptr);
    return ds ? ds->GetLoteNFe().Lines() : std::vector<std::string>{};
  }

  test::TempDir tmp;
  TvxnNFeConvTXTDataSet conv;
};

TEST_F(ConvTXTDataSetTest, TheExampleBecomesOneDocumentWithItsItemsVolumesAndInstalments) {
  conv.SetTXT(test::ExemploComandos());
  const std::string lote = conv.Converter();
  ASSERT_EQ(test::Ocorrencias(lote, "<infNFe "), 1u);
  EXPECT_TRUE(lote.ends_with("</infNFe>\r\n"));
  EXPECT_NE(lote.find(R"(<infNFe Id="NFe35261211222333000181550010000010011730155823" versao="4.00">)"),
            std::string::npos);
  EXPECT_EQ(test::Ocorrencias(lote, "<det nItem="), 3u);
  EXPECT_EQ(test::Ocorrencias(lote, "<dup>"), 2u);
  EXPECT_EQ(Tag(lote, "vol"), "<qVol>7</qVol><esp>CAIXA</esp><marca>MOTORES TESTE</marca><nVol>1 a 7</nVol>"
                              "<pesoL>186.500</pesoL><pesoB>201.300</pesoB>");
  // The value went through the field's escaping.
  EXPECT_NE(lote.find("<infAdProd>Acompanha manual &amp; certificado de calibração</infAdProd>"),
            std::string::npos);
}

TEST_F(ConvTXTDataSetTest, CommandsAreRecognisedInAnyCaseWithBlanksAndTabsAround) {
  std::string texto = test::ExemploComandos();
  texto = TrocaPrimeira(texto, "INCLUIR\n", "   incluir \t\n");
  texto = TrocaPrimeira(texto, "INCLUIRITEM\n", "\tIncluirItem  \n");
  texto = TrocaPrimeira(texto, "SALVARITEM\n", " salvaritem\n");
  texto = TrocaPrimeira(texto, "INCLUIRPARTE=VOL\n", "  IncluirParte = VOL \n");
  texto = TrocaPrimeira(texto, "SALVARPARTE=VOL\n", "salvarParte=VOL\n");
  texto = TrocaPrimeira(texto, "INCLUIRCOBRANCA\n", " incluirCobranca \n");
  texto = TrocaPrimeira(texto, "SALVARCOBRANCA\n", "SalvarCobranca\t\n");
  texto = TrocaPrimeira(texto, "\nSALVAR\n", "\n  Salvar  \n");
  const std::vector<std::string> docs = Documentos(texto);
  ASSERT_EQ(docs.size(), 1u);
  EXPECT_EQ(test::Ocorrencias(docs[0], "<det nItem="), 3u);
  EXPECT_EQ(test::Ocorrencias(docs[0], "<dup>"), 2u);
  EXPECT_EQ(Tag(docs[0], "qVol"), "7");
}

TEST_F(ConvTXTDataSetTest, ValuesKeepLeadingAndDoubleBlanksAndEqualSignsAndLoseOnlyTheirTabs) {
  std::string texto = test::ExemploComandos();
  texto = TrocaPrimeira(texto, "xCpl_C08=Galpão 3", "  xCpl_C08 =  Galpão  3");
  texto = TrocaPrimeira(texto, "natOp_B04=Venda de produção do estabelecimento",
                        "natOp_B04=Venda\tde\t\tprodução");
  texto = TrocaPrimeira(texto, "xContato_ZD04=Equipe Quorvant NFe", "xContato_ZD04=a=b = c==");
  texto = TrocaPrimeira(texto, "xPed_I60=PC-88231", "xPed_I60=pc-88231 Lower");
  const std::vector<std::string> docs = Documentos(texto);
  ASSERT_EQ(docs.size(), 1u);
  EXPECT_EQ(Tag(docs[0], "xCpl"), "  Galpão  3");
  EXPECT_EQ(Tag(docs[0], "natOp"), "Vendadeprodução");
  EXPECT_EQ(Tag(docs[0], "xContato"), "a=b = c==");
  EXPECT_EQ(Tag(docs[0], "xPed"), "pc-88231 Lower");
}

TEST_F(ConvTXTDataSetTest, ATextEndingWithoutSalvarIsRefused) {
  std::string texto = test::ExemploComandos();
  texto = texto.substr(0, texto.rfind("SALVAR"));
  conv.SetTXT(texto);
  EXPECT_EQ(RefusalOf([&] { conv.Converter(); }), (Refusal{"EvxnNFeDataSetException", "NFe não foi Salva."}));
  // Only the document header, too.
  conv.SetTXT("INCLUIR\ncNF_B03=12345678\n");
  EXPECT_EQ(RefusalOf([&] { conv.Converter(); }), (Refusal{"EvxnNFeDataSetException", "NFe não foi Salva."}));
}

TEST_F(ConvTXTDataSetTest, TwoDocumentsInOneTextGiveTwoDocumentsInOrder) {
  const std::string primeiro = test::ExemploComandos();
  std::string segundo = TrocaPrimeira(primeiro, "nNF_B08=1001", "nNF_B08=1002");
  segundo = TrocaPrimeira(segundo, "cNF_B03=73015582", "cNF_B03=55551234");
  conv.SetTXT(primeiro + "\r\n" + segundo);
  const std::string lote = conv.Converter();
  TvxnStringList linhas;
  linhas.SetText(lote);
  ASSERT_EQ(linhas.Count(), 2u);
  EXPECT_EQ(Tag(linhas[0], "nNF"), "1001");
  EXPECT_EQ(Tag(linhas[1], "nNF"), "1002");
  EXPECT_EQ(Tag(linhas[1], "cNF"), "55551234");
  // Each document has its own items, not the first one's as well.
  EXPECT_EQ(test::Ocorrencias(linhas[1], "<det nItem="), 3u);
}

TEST_F(ConvTXTDataSetTest, ACancelledDocumentLeavesNothingAndTheNextOneIsStored) {
  const std::string texto = "INCLUIR\ncNF_B03=11112222\nCANCELAR\n\n" + test::ExemploComandos();
  const std::vector<std::string> docs = Documentos(texto);
  ASSERT_EQ(docs.size(), 1u);
  EXPECT_EQ(Tag(docs[0], "cNF"), "73015582");
}

TEST_F(ConvTXTDataSetTest, DatasetErrorsPassThroughUnchanged) {
  // A line that is neither a command nor an assignment: a field without a name.
  conv.SetTXT("INCLUIR\nnada disso\nSALVAR\n");
  EXPECT_EQ(RefusalOf([&] { conv.Converter(); }),
            (Refusal{"EvxnDataSetFieldNotFoundException", "Campo  não encontrado"}));
  conv.SetTXT("INCLUIR\ncampoInexistente_Z99=1\nSALVAR\n");
  EXPECT_EQ(RefusalOf([&] { conv.Converter(); }),
            (Refusal{"EvxnDataSetFieldNotFoundException", "Campo campoInexistente_Z99 não encontrado"}));
  conv.SetTXT("INCLUIR\nINCLUIRPARTE=NAOEXISTE\n");
  EXPECT_EQ(RefusalOf([&] { conv.Converter(); }),
            (Refusal{"EvxnDataSetException", "Parte NAOEXISTE não encontrada."}));
}

TEST_F(ConvTXTDataSetTest, AnEmptyTextIsRefusedAndAFileNameIsReadAsTheText) {
  EXPECT_EQ(RefusalOf([&] { conv.SetTXT(""); }),
            (Refusal{"EvxnNFeDataSetException", "Conteúdo a ser convertido é inválido."}));
  EXPECT_EQ(RefusalOf([&] { conv.SetTXT(" \r\n\t\r\n"); }),
            (Refusal{"EvxnNFeDataSetException", "Conteúdo a ser convertido é inválido."}));
  const std::string vazio = tmp.File("vazio.txt");
  WriteFileAtomic(vazio, "\r\n");
  EXPECT_EQ(RefusalOf([&] { conv.SetTXT(vazio); }),
            (Refusal{"EvxnNFeDataSetException", "Conteúdo a ser convertido é inválido."}));

  const std::string arquivo = tmp.File("nota.txt");
  WriteFileAtomic(arquivo, "\xEF\xBB\xBF" + test::ExemploComandos());
  conv.SetTXT(arquivo);
  EXPECT_EQ(conv.GetLinhas()[0], "INCLUIR");
  EXPECT_EQ(test::Ocorrencias(conv.Converter(), "<infNFe "), 1u);
  // The byte order mark of a text handed over directly is dropped as well.
  conv.SetTXT("\xEF\xBB\xBF" + test::ExemploComandos());
  EXPECT_EQ(conv.GetLinhas()[0], "INCLUIR");
}

TEST_F(ConvTXTDataSetTest, EveryConversionStartsFromAnEmptyLot) {
  conv.SetTXT(test::ExemploComandos());
  conv.Converter();
  TvxnNFeDataSets* ds = nullptr;
  conv.Converter(ds);
  ASSERT_NE(ds, nullptr);
  EXPECT_EQ(ds->GetLoteNFe().Count(), 1u);
}

} // namespace
} // namespace vxn
