// The converter facade: layout dispatch, template paths and the random test documents.
#include "converters/vxnNFeConverter.h"
#include "ConverterTestUtil.h"
#include "support/RefusalOf.h"
#include "vxnFiles.h"
#include "vxnText.h"
#include "xml/vxnNFeUtils.h"

#include <gtest/gtest.h>

#include <set>

namespace vxn {
namespace {

using test::Refusal;
using test::RefusalOf;

using test::Tag;

class ConverterTest : public ::testing::Test {
protected:
  void SetUp() override {
    conv.SetDiretorioLogErro(tmp.Path());
    conv.SetDiretorioTemplates(test::TemplatesVm60());
  }
  void TearDown() override { EvxnException::ResetClassState(); }

  test::TempDir tmp;
  TvxnNFeConverter conv;
};

TEST_F(ConverterTest, AnUnknownLayoutIsInvalid) {
  EXPECT_EQ(RefusalOf([&] {
              conv.ConvertToXml(test::ExemploComandos(), "4.00", static_cast<TLayoutConvKind>(7), pl_009g,
                                false);
            }),
            (Refusal{"EvxnNFEConvertDateException", "Layout de Conversão Inválido."}));
}

TEST_F(ConverterTest, BothLayoutsAcceptTheTextOrThePathOfItsFile) {
  const std::string comandos = tmp.File("comandos.txt");
  const std::string pipe = tmp.File("pipe.txt");
  WriteFileAtomic(comandos, test::ExemploComandos());
  WriteFileAtomic(pipe, test::ExemploPipe());
  EXPECT_EQ(conv.ConvertToXml(comandos, "4.00", lkTXTDataSet, pl_009g, false),
            conv.ConvertToXml(test::ExemploComandos(), "4.00", lkTXTDataSet, pl_009g, false));
  const std::string xml = conv.ConvertToXml(pipe, "4.00", lkTXTDic, pl_009g, false);
  EXPECT_EQ(xml, conv.ConvertToXml(test::ExemploPipe(), "4.00", lkTXTDic, pl_009g, false));
  EXPECT_NE(xml.find(R"(<infNFe Id="NFe35261211222333000181550010000010021482139065" versao="4.00" >)"),
            std::string::npos);
  // The version text is what the pipe layout writes.
  EXPECT_NE(conv.ConvertToXml(pipe, "9.99", lkTXTDic, pl_009g, false).find(R"(versao="9.99")"),
            std::string::npos);
}

TEST_F(ConverterTest, BothSchemaPackagesOfLayout400WriteTheCommandTextAlike) {
  // Both packages of layout 4.00 write the example the same way (pl_009g only adds optional fields).
  const std::string g = conv.ConvertToXml(test::ExemploComandos(), "4.00", lkTXTDataSet, pl_009g, false);
  EXPECT_EQ(conv.ConvertToXml(test::ExemploComandos(), "4.00", lkTXTDataSet, pl_009, false), g);
}

TEST_F(ConverterTest, TheExportFlagChoosesTheExportDictionary) {
  // The export dictionary requires the export group, which the example does not have.
  const Refusal recusa =
      RefusalOf([&] { conv.ConvertToXml(test::ExemploComandos(), "4.00", lkTXTDataSet, pl_009g, true); });
  EXPECT_EQ(recusa.className, "EvxnDataSetException");
  EXPECT_NE(recusa.message.find("UFSaidaPais_ZA02"), std::string::npos) << recusa;
  const std::string comExportacao = test::TrocaPrimeira(
      test::ExemploComandos(), "\nSALVAR", "\nUFSaidaPais_ZA02=SP\nxLocExporta_ZA03=Santos\nSALVAR");
  const std::string xml = conv.ConvertToXml(comExportacao, "4.00", lkTXTDataSet, pl_009g, true);
  EXPECT_EQ(Tag(xml, "exporta"), "<UFSaidaPais>SP</UFSaidaPais><xLocExporta>Santos</xLocExporta>");
}

TEST_F(ConverterTest, TemplatePathsAreTheConversorFolderOfTheTemplatesFolder) {
  EXPECT_EQ(conv.GetTemplateCompletePath("dicDetalhe.txt"),
            test::TemplatesVm60() + "Conversor/dicDetalhe.txt");
  EXPECT_EQ(RefusalOf([&] { conv.GetTemplateCompletePath("naoexiste.txt"); }),
            (Refusal{"EvxnTemplateNotFoundException",
                     "Arquivo de template do conversor não encontrado: " + test::TemplatesVm60() +
                         "Conversor/naoexiste.txt"}));
  // A folder without its trailing separator gets one; a Windows-style one is taken too.
  conv.SetDiretorioTemplates(std::string(QVX_BIN_DIR) + "/Templates/vm60");
  EXPECT_EQ(conv.GetDiretorioTemplates(), test::TemplatesVm60());
  conv.SetDiretorioTemplates(std::string(QVX_BIN_DIR) + "\\Templates\\vm60");
  EXPECT_EQ(conv.GetTemplateCompletePath("template.txt"), test::TemplatesVm60() + "Conversor/template.txt");
}

TEST_F(ConverterTest, RandomDocumentsRefuseBadArguments) {
  EXPECT_EQ(RefusalOf([&] { conv.GeraNFs_Random(0, "SP", "11222333000181"); }),
            (Refusal{"EvxnNFeCheckParams", "Quantidade de Nfs Inválido "}));
  EXPECT_EQ(RefusalOf([&] { conv.GeraNFs_Random(-3, "SP", "11222333000181"); }),
            (Refusal{"EvxnNFeCheckParams", "Quantidade de Nfs Inválido "}));
  EXPECT_EQ(RefusalOf([&] { conv.GeraNFs_Random(1, "XX", "11222333000181"); }),
            (Refusal{"EvxnNFeCheckParams", "Valor para UF inválido. "}));
  EXPECT_EQ(RefusalOf([&] { conv.GeraNFs_Random(1, "AN", "11222333000181"); }),
            (Refusal{"EvxnNFeCheckParams", "Valor para UF inválido. "}));
  EXPECT_EQ(RefusalOf([&] { conv.GeraNFs_Random(1, "SP", "1122233300018"); }),
            (Refusal{"EvxnNFeCheckParams", "CNPJ deve conter 14 dígitos. "}));
  EXPECT_EQ(RefusalOf([&] { conv.GeraNFs_Random(1, "SP", "1122233300018A"); }),
            (Refusal{"EvxnNFeCheckParams", "CNPJ deve conter 14 dígitos. "}));
  // The template comes from the templates folder.
  test::TempDir vazio;
  conv.SetDiretorioTemplates(vazio.Path());
  EXPECT_EQ(RefusalOf([&] { conv.GeraNFs_Random(1, "SP", "11222333000181"); }),
            (Refusal{"EvxnTemplateNotFoundException", "Arquivo de template do conversor não encontrado: " +
                                                          vazio.Path() + "Conversor/template.txt"}));
}

TEST_F(ConverterTest, RandomDocumentsConvertWithTheirStateCnpjAndNumbers) {
  const std::string texto = conv.GeraNFs_Random(3, "mg", "17444555000125", 41);
  EXPECT_EQ(texto.find('%'), std::string::npos) << "a placeholder was left";
  TvxnStringList docs;
  docs.SetText(conv.ConvertToXml(texto, "4.00", lkTXTDataSet, pl_009g, false));
  ASSERT_EQ(docs.Count(), 3u);
  std::set<std::string> chaves;
  for (std::size_t i = 0; i < docs.Count(); ++i) {
    const std::string& doc = docs[i];
    EXPECT_EQ(Tag(doc, "cUF"), "31");
    EXPECT_EQ(Tag(doc, "cMunFG"), "3106200");
    EXPECT_EQ(Tag(Tag(doc, "emit"), "CNPJ"), "17444555000125");
    EXPECT_EQ(Tag(Tag(doc, "emit"), "xMun"), "Belo Horizonte");
    EXPECT_EQ(Tag(doc, "nNF"), std::to_string(41 + i));
    EXPECT_EQ(Tag(doc, "cNF").size(), 8u);
    const std::size_t id = doc.find("Id=\"NFe") + 7;
    chaves.insert(doc.substr(id, 44));
    EXPECT_TRUE(ValidaAutenticidadeDV(doc.substr(id, 44), vm60));
  }
  EXPECT_EQ(chaves.size(), 3u);
}

} // namespace
} // namespace vxn
