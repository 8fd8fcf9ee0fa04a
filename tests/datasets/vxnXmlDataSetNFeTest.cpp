#include "datasets/vxnXmlDataSetNFe.h"
#include "vxnFiles.h"
#include "vxnNFeException.h"
#include "vxnText.h"

#include "support/RefusalOf.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>

namespace vxn {
namespace {

using test::Refusal;
using test::RefusalOf;

class XmlDataSetNFeTest : public ::testing::Test {
protected:
  void SetUp() override {
    ds.SetDiretorioLogErro(dir.Path());
    // A small dictionary with the traits the tests need; the shipped one is tested on its own.
    ds.SetXMLDicionario(std::string(QVX_SOURCE_DIR) + "/tests/datasets/data/dicionario-de-teste.xml");
    for (const char* part : {"B", "E", "Y"})
      ds.FindDataSet(part).Append();
  }
  TXmlFieldNFe& F(const char* name) { return ds.Campo(name); }

  test::TempDir dir;
  TvxnXMLDataSetNFe ds;
};

TEST_F(XmlDataSetNFeTest, LoadsPartsFieldsAndAttributes) {
  ASSERT_EQ(ds.GetListDataSets().size(), 4u);
  EXPECT_EQ(ds.GetListDataSets()[3]->Name(), "Dup");
  TXmlFieldNFe& natOp = F("natOp_B04");
  EXPECT_EQ(natOp.Name(), "BnatOp_B04");
  EXPECT_TRUE(natOp.PermiteEscapar());
  EXPECT_EQ(natOp.TamanhoMapeadoDataSet(), 60u);
  EXPECT_TRUE(natOp.Required());
  EXPECT_TRUE(natOp.Visible());
  EXPECT_EQ(natOp.TpNode(), "elemento");
  EXPECT_EQ(natOp.DisplayLabel(), "Natureza da Operação");
  EXPECT_EQ(natOp.Dica(), "Informe a natureza.");
  EXPECT_EQ(F("tpNF_B11").Enum().Lines(), (std::vector<std::string>{"0", "1", "2"}));
  EXPECT_EQ(F("tpNF_B11").DisplayLabel(), "tpNF_B11");
  // "n" and any other value than "s" are false; a repeated name is skipped.
  EXPECT_FALSE(F("verProc_B27").PermiteEscapar());
  EXPECT_EQ(F("verProc_B27").Size(), 20u);
  EXPECT_EQ(F("cNF_B03").Size(), 8u);
  EXPECT_EQ(ds.FindDataSet("B").Fields().size(), 6u);
  EXPECT_FALSE(ds.FindDataSet("B").FieldByName("handle").Visible());
  const TXmlDataSetNFe& dup = ds.FindDataSet("DUP");
  EXPECT_EQ(dup.XMLMasterSource(), "Y");
  EXPECT_EQ(dup.XMLMasterField(), "handle");
  EXPECT_EQ(dup.XMLKeyField(), "handleMaster");
  EXPECT_EQ(dup.MasterDataSet(), &ds.FindDataSet("Y"));
}

TEST_F(XmlDataSetNFeTest, FieldsAndPartsAreFoundRegardlessOfCase) {
  EXPECT_EQ(&F("cNF_B03"), &F("CNF_B03"));
  EXPECT_EQ(&F("cnf_b03"), &ds.FindDataSet("b").FieldByName("cNF_B03"));
  EXPECT_EQ(&ds.FindDataSet("dup"), &ds.FindDataSet("DUP"));
  EXPECT_EQ(RefusalOf([&] { F("cNF_B99"); }),
            (Refusal{"EvxnDataSetFieldNotFoundException", "Campo cNF_B99 não encontrado"}));
  EXPECT_EQ(RefusalOf([&] { ds.FindDataSet("nref"); }),
            (Refusal{"EvxnDataSetException", "Parte NREF não encontrada."}));
}

TEST_F(XmlDataSetNFeTest, EscapingFieldKeepsTheLayoutSizeUnlessEscapingMadeTheTextLonger) {
  TXmlFieldNFe& f = F("xLgr_E06");
  f.SetAsString(std::string(70, 'a'));
  EXPECT_EQ(f.AsString(), std::string(60, 'a'));

  f.SetAsString(std::string(58, 'b') + "&");
  EXPECT_EQ(f.AsString(), std::string(58, 'b') + "&amp;");
  EXPECT_EQ(Utf8Length(f.AsString()), 63u);

  f.SetAsString(std::string(59, 'c') + "çã"); // cut by characters, never inside a character
  EXPECT_EQ(f.AsString(), std::string(59, 'c') + "ç");
}

// Text the layout admits keeps its whole escaped form however much escaping grows it; longer text that
// escaping changed is refused and the field keeps its value, since a cut could fall inside an entity.
TEST_F(XmlDataSetNFeTest, EscapedTextIsStoredWholeOrRefused) {
  TXmlFieldNFe& f = F("xLgr_E06");
  std::string aspas;
  for (int i = 0; i < 30; ++i)
    aspas += "\"&";
  f.SetAsString(aspas);
  std::string esperado;
  for (int i = 0; i < 30; ++i)
    esperado += "&quot;&amp;";
  EXPECT_EQ(f.AsString(), esperado);
  f.SetAsString("Tom &amp; Jerry &#233;" + std::string(44, 'x')); // 60 characters once unescaped
  EXPECT_EQ(f.AsString(), "Tom &amp; Jerry &#233;" + std::string(44, 'x'));

  EXPECT_EQ(RefusalOf([&] { f.SetAsString(aspas + "'"); }),
            (Refusal{"EvxnNFeDataSetException",
                     "Conteúdo do campo xLgr_E06 excede o tamanho de 60 caracteres do leiaute."}));
  EXPECT_EQ(f.AsString(), "Tom &amp; Jerry &#233;" + std::string(44, 'x'));
}

TEST_F(XmlDataSetNFeTest, EscapingFieldEscapesOnceAndRemovesTabs) {
  TXmlFieldNFe& f = F("xLgr_E06");
  f.SetAsString("Rua \"A\" <B> 'C' & D");
  EXPECT_EQ(f.AsString(), "Rua &quot;A&quot; &lt;B&gt; &apos;C&apos; &amp; D");
  f.SetAsString("Tom &amp; Jerry");
  EXPECT_EQ(f.AsString(), "Tom &amp; Jerry");
  f.SetAsString("Caf&#233; do &#x41;");
  EXPECT_EQ(f.AsString(), "Caf&#233; do &#x41;");
  f.SetAsString("Rua\tdas\tFlores");
  EXPECT_EQ(f.AsString(), "RuadasFlores");
  EXPECT_FALSE(f.EscapouValor());
  // A field without escape keeps the text as given.
  F("fone_E16").SetAsString("a&b");
  EXPECT_EQ(F("fone_E16").AsString(), "a&b");
}

TEST_F(XmlDataSetNFeTest, RecipientNameAcceptsAmpersandUpToPosition55) {
  TXmlFieldNFe& f = F("xNome_E04");
  f.SetAsString(std::string(54, 'x') + "&Y");
  EXPECT_EQ(f.AsString(), std::string(54, 'x') + "&amp;Y");

  const std::string before = f.AsString();
  EXPECT_EQ(RefusalOf([&] { f.SetAsString(std::string(55, 'x') + "&Y"); }),
            (Refusal{"EvxnNFeDataSetException",
                     "O campo não suporta o caracter & a partir da posição 55 da String"}));
  EXPECT_EQ(f.AsString(), before); // the refused value is not kept
  // Positions count characters: 54 accented letters (108 bytes) and "&" at position 55 pass.
  std::string accented;
  for (int i = 0; i < 54; ++i)
    accented += "é";
  f.SetAsString(accented + "&");
  EXPECT_EQ(f.AsString(), accented + "&amp;");
  EXPECT_THROW(f.SetAsString(accented + "é&"), EvxnNFeDataSetException);
  // Other fields accept "&" anywhere.
  F("xLgr_E06").SetAsString(std::string(57, 'x') + "&");
  EXPECT_TRUE(F("xLgr_E06").AsString().ends_with("&amp;"));
}

TEST_F(XmlDataSetNFeTest, RequiredFieldsAreCheckedOnPostWithLabelAndHint) {
  TXmlDataSetNFe& b = ds.FindDataSet("B");
  F("natOp_B04").SetAsString("   ");
  EXPECT_EQ(
      RefusalOf([&] { b.Post(); }),
      (Refusal{"EvxnDataSetException",
               "O Campo [natOp_B04] referente a [Natureza da Operação] deve ser preenchido. Dica: Informe a "
               "natureza."}));
  // The failed post leaves the record editable with its values.
  EXPECT_EQ(b.State(), dsInsert);
  F("cNF_B03").SetAsString("12345678");
  F("natOp_B04").SetAsString("Venda");
  b.Post();
  EXPECT_EQ(b.State(), dsBrowse);
  EXPECT_EQ(F("natOp_B04").AsString(), "Venda");
  EXPECT_EQ(F("cNF_B03").AsString(), "12345678");
  EXPECT_EQ(F("verProc_B27").AsString(), "Versao Aplicativo9"); // filled when empty
}

TEST_F(XmlDataSetNFeTest, EnumeratedFieldsAcceptEmptyOrListedValues) {
  TXmlDataSetNFe& b = ds.FindDataSet("B");
  F("natOp_B04").SetAsString("Venda");
  F("verProc_B27").SetAsString("App 2");
  F("tpNF_B11").SetAsString("3");
  EXPECT_EQ(RefusalOf([&] { b.Post(); }),
            (Refusal{"EvxnDataSetException",
                     "Conteúdo 3 é inválido para o campo tpNF_B11 [tpNF_B11]. Dica: 0 entrada; 1 saída."}));
  F("tpNF_B11").SetAsString("1");
  F("mod_B06").SetAsString("5");
  EXPECT_EQ(RefusalOf([&] { b.Post(); }),
            (Refusal{"EvxnDataSetException", "Conteúdo 5 é inválido para o campo mod_B06 [mod_B06]."}));
  F("mod_B06").SetAsString("");
  b.Post();
  EXPECT_EQ(F("tpNF_B11").AsString(), "1");
  EXPECT_EQ(F("verProc_B27").AsString(), "App 2");
}

TEST_F(XmlDataSetNFeTest, IncluirPartTwiceWithoutValuesLeavesOneRecordLinkedToItsMaster) {
  ds.IncluirPart("DUP");
  ds.IncluirPart("dup"); // the first, empty record is dropped rather than posted
  F("nDup_Y08").SetAsString("001");
  F("vDup_Y10").SetAsString("10.00");
  ds.SalvarPart("DUP");
  const TXmlDataSetNFe& dup = ds.FindDataSet("DUP");
  EXPECT_EQ(dup.RecordCount(), 1u);
  EXPECT_EQ(dup.State(), dsBrowse);
  EXPECT_EQ(dup.FieldByName("handle").AsString(), "1");
  EXPECT_EQ(dup.FieldByName("handleMaster").AsString(), ds.FindDataSet("Y").FieldByName("handle").AsString());

  ds.IncluirPart("DUP");
  F("nDup_Y08").SetAsString("002");
  // A record with data is posted before the next one starts; this one lacks vDup_Y10.
  EXPECT_THROW(ds.IncluirPart("DUP"), EvxnDataSetException);
  EXPECT_EQ(ds.FindDataSet("DUP").State(), dsInsert);
  EXPECT_EQ(F("nDup_Y08").AsString(), "002");
}

TEST_F(XmlDataSetNFeTest, HandlesCountPerPart) {
  // SetUp appended one record to B, E and Y.
  EXPECT_EQ(ds.Handles().Text(), "B=1\r\nE=1\r\nY=1\r\n");
  EXPECT_EQ(ds.GetHandle(ds.FindDataSet("DUP"), false), 0);
  EXPECT_EQ(ds.GetHandle(ds.FindDataSet("DUP"), true), 0);
  EXPECT_EQ(ds.GetHandle(ds.FindDataSet("DUP"), true), 1);
  EXPECT_EQ(ds.GetHandle(ds.FindDataSet("DUP"), false), 2);
  ds.ClearDataSets();
  EXPECT_EQ(ds.FindDataSet("B").RecordCount(), 0u);
  EXPECT_EQ(ds.FindDataSet("B").State(), dsBrowse);
  ds.FindDataSet("B").Append();
  EXPECT_EQ(F("cNF_B03").DataSet()->FindField("handle")->AsString(), "1");
}

// After its first write a line only has its digits advanced: every carry must reach the text.
TEST_F(XmlDataSetNFeTest, HandleLinesFollowTheCounterAcrossCarries) {
  const TXmlDataSetNFe& dup = ds.FindDataSet("DUP");
  const std::string linha = dup.Name() + "="; // the name as the dictionary writes it
  for (int i = 0; i < 9; ++i)
    ds.GetHandle(dup, true);
  EXPECT_EQ(ds.Handles()[3], linha + "9");
  EXPECT_EQ(ds.GetHandle(dup, true), 9);
  EXPECT_EQ(ds.Handles()[3], linha + "10");
  for (int i = 10; i < 99; ++i)
    ds.GetHandle(dup, true);
  EXPECT_EQ(ds.Handles()[3], linha + "99");
  EXPECT_EQ(ds.GetHandle(dup, true), 99);
  EXPECT_EQ(ds.Handles()[3], linha + "100");
  ds.GetHandle(dup, true);
  EXPECT_EQ(ds.Handles().Text(), "B=1\r\nE=1\r\nY=1\r\n" + linha + "101\r\n");
  EXPECT_EQ(ds.GetHandle(dup, false), 101);
}

TEST_F(XmlDataSetNFeTest, PossuiDadosCampoIgnoresHandleLinkAndInvisibleFields) {
  const TXmlDataSetNFe& e = ds.FindDataSet("E");
  EXPECT_FALSE(ds.PossuiDadosCampo(e)); // only its handle is set
  F("fone_E16").SetAsString("11999999999");
  EXPECT_TRUE(ds.PossuiDadosCampo(e));
}

TEST(XmlDataSetNFeLoadTest, DictionaryErrors) {
  test::TempDir dir;
  TvxnXMLDataSetNFe ds;
  ds.SetDiretorioLogErro(dir.Path());
  EXPECT_EQ(RefusalOf([&] { ds.SetXMLDicionario(dir.File("nada.xml")); }),
            (Refusal{"EvxnNFeException", "Arquivo: " + dir.File("nada.xml") + " não encontrado."}));
  EXPECT_TRUE(FileExists(dir.File("nfe_exception.log")));
  WriteFileAtomic(dir.File("semtamanho.xml"), "<d><B><c><campo nome=\"x_B01\"/></c></B></d>");
  EXPECT_THROW(ds.SetXMLDicionario(dir.File("semtamanho.xml")), EvxnNFeDataSetLoadTemplateException);
  WriteFileAtomic(dir.File("quebrado.xml"), "<d><B></d>");
  EXPECT_THROW(ds.SetXMLDicionario(dir.File("quebrado.xml")), EvxnNFeException);
  WriteFileAtomic(
      dir.File("semmestre.xml"),
      "<d><B><c><campo nome=\"handle\" tamanho=\"5\"/></c><l mastersource=\"Z\" masterfield=\"handle\" "
      "keyfield=\"handle\"/></B></d>");
  EXPECT_THROW(ds.SetXMLDicionario(dir.File("semmestre.xml")), EvxnDataSetException);
}

} // namespace
} // namespace vxn
