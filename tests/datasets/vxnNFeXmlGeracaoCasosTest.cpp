// The easy-to-get-wrong cases of XML generation: the field primitives on a small dictionary, and the
// group builders of 4.00 on the shipped dictionary (recipient and pickup identification, items holding
// only their own detail records, the CPF issuer key, the CST and CSOSN tables).
#include "support/NFeDocumentFiller.h"
#include "support/RefusalOf.h"
#include "support/TempDir.h"
#include "support/XmlTag.h"

#include "datasets/vxnNFeDataSets.h"
#include "vxnFiles.h"
#include "vxnNFeException.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace vxn {
namespace {

using test::Between;
using test::Refusal;
using test::RefusalOf;

class XmlPrimitivasTest : public ::testing::Test {
protected:
  void SetUp() override {
    ds.SetXMLDicionario(std::string(QVX_SOURCE_DIR) + "/tests/datasets/data/dicionario-primitivas.xml");
    for (const char* part : {"A", "B", "E"})
      ds.FindDataSet(part).Append();
  }
  std::string Xml(const char* name) { return ds.ConvertFieldParaXML(ds.Campo(name)); }
  void Set(const char* name, const char* value) { ds.Campo(name).SetAsString(value); }

  TvxnXMLDataSetNFe ds;
};

TEST_F(XmlPrimitivasTest, OneField) {
  Set("cNF_B03", "12345678");
  EXPECT_EQ(Xml("cNF_B03"), "<cNF>12345678</cNF>");
  // The tag is the name up to the first "_", or the whole name.
  Set("xMotivo", "ok");
  EXPECT_EQ(Xml("xMotivo"), "<xMotivo>ok</xMotivo>");
  // Without tpnode the field is an attribute.
  Set("Id_A03", "NFe123");
  EXPECT_EQ(Xml("Id_A03"), "Id=\"NFe123\"");
  // An empty value writes nothing, unless the field asks for the empty element.
  Set("cNF_B03", "");
  EXPECT_EQ(Xml("cNF_B03"), "");
  EXPECT_EQ(Xml("xJust_B29"), "<xJust></xJust>");
  // An invisible field never reaches the XML.
  Set("segredo_B99", "x");
  EXPECT_EQ(Xml("segredo_B99"), "");
}

TEST_F(XmlPrimitivasTest, NullInAnyCaseIsNeverWritten) {
  for (const char* nulo : {"NULL", "null", "Null", "nULl"}) {
    Set("xJust_B29", nulo);
    EXPECT_EQ(Xml("xJust_B29"), "") << nulo;
    Set("cNF_B03", nulo);
    EXPECT_EQ(Xml("cNF_B03"), "") << nulo;
  }
  Set("cNF_B03", "NULL1");
  EXPECT_EQ(Xml("cNF_B03"), "<cNF>NULL1</cNF>");
}

TEST_F(XmlPrimitivasTest, IdEstrangeiroStandsInForAMissingIdentification) {
  const std::vector<std::string_view> nomes{"CNPJ_E02", "CPF_E03", "idEstrangeiro_E03a", "xNome_E04"};
  const TXmlDataSetNFe& e = ds.FindDataSet("E");
  Set("xNome_E04", "FULANO");
  EXPECT_EQ(ds.ConvertFieldsParaXML(e, nomes), "<idEstrangeiro/><xNome>FULANO</xNome>");
  Set("CPF_E03", "12345678909");
  EXPECT_EQ(ds.ConvertFieldsParaXML(e, nomes), "<CPF>12345678909</CPF><xNome>FULANO</xNome>");
  Set("CPF_E03", "NULL");
  Set("idEstrangeiro_E03a", "AB12345");
  EXPECT_EQ(ds.ConvertFieldsParaXML(e, nomes), "<idEstrangeiro>AB12345</idEstrangeiro><xNome>FULANO</xNome>");
  // Only a list that holds idEstrangeiro_E03a gets the stand-in.
  Set("idEstrangeiro_E03a", "");
  const std::vector<std::string_view> semId{"CNPJ_E02", "xNome_E04"};
  EXPECT_EQ(ds.ConvertFieldsParaXML(e, semId), "<xNome>FULANO</xNome>");
}

TEST_F(XmlPrimitivasTest, WholePartAndTemplates) {
  TXmlDataSetNFe& b = ds.FindDataSet("B");
  Set("xJust_B29", "");
  EXPECT_EQ(ds.ConvertDataSetParaXML(b), ""); // no visible field holds a value
  Set("cNF_B03", "1");
  Set("segredo_B99", "x");
  EXPECT_EQ(ds.ConvertDataSetParaXML(b), "<cNF>1</cNF><xJust></xJust>");
  b.SetTagXML("ide");
  EXPECT_EQ(ds.ConvertDataSetParaXML(b), "<ide><cNF>1</cNF><xJust></xJust></ide>");
  // Part letter and field name in any case; the tag comes from the declared name.
  Set("Id_A03", "NFe9");
  EXPECT_EQ(ds.ParserConverter("<infNFe @a(ID_A03)>@B(CNF_B03)|@b(*)"),
            "<infNFe Id=\"NFe9\"><cNF>1</cNF>|<ide><cNF>1</cNF><xJust></xJust></ide>");
  EXPECT_EQ(ds.ParserConverter("sem referencias"), "sem referencias");
  EXPECT_THROW(ds.ParserConverter("@b(naoExiste_B01)"), EvxnDataSetFieldNotFoundException);
  EXPECT_EQ(RefusalOf([&] { ds.ParserConverter("@q(vBC_Q07)"); }),
            (Refusal{"EvxnDataSetException", "Parte Q não encontrada."}));
}

// ---------------------------------------------------------------- builders on the shipped dictionary

class XmlGruposTest : public ::testing::Test {
protected:
  void SetUp() override { ds.SetXMLDicionario(test::ShippedDictionary()); }
  void Set(std::string_view name, std::string_view value) { ds.Campo(name).SetAsString(value); }
  TvxnDS_pl009& V() { return static_cast<TvxnDS_pl009&>(ds.DataSet()); }
  std::string Salvar() {
    ds.Salvar();
    return ds.GetLoteNFe()[ds.GetLoteNFe().Count() - 1];
  }

  TvxnNFeDataSets ds;
};

TEST_F(XmlGruposTest, PickupAndDeliveryPlaces) {
  test::FillDocument(ds, 1, 1);
  Set("xLgr_F03", "RUA A");
  Set("CPF_G02a", "12345678909");
  Set("xLgr_G03", "RUA B");
  const std::string xml = Salvar();
  EXPECT_NE(xml.find("<retirada><CNPJ/><xLgr>RUA A</xLgr></retirada>"), std::string::npos) << xml;
  EXPECT_NE(xml.find("<entrega><CPF>12345678909</CPF><xLgr>RUA B</xLgr></entrega>"), std::string::npos);
  // Without any field, no group at all.
  test::FillDocument(ds, 2, 1);
  const std::string sem = Salvar();
  EXPECT_EQ(sem.find("<retirada>"), std::string::npos);
  EXPECT_EQ(sem.find("<entrega>"), std::string::npos);
}

TEST_F(XmlGruposTest, EachItemHoldsOnlyItsOwnDetailRecords) {
  test::FillDocument(ds, 1, 0);
  for (int n = 1; n <= 2; ++n) {
    const std::string s = std::to_string(n);
    ds.IncluirItem();
    Set("nItem_H02", s);
    for (const char* field : {"cProd_I02", "xProd_I04", "NCM_I05", "CFOP_I08", "uCom_I09", "qCom_I10",
                              "vUnCom_I10a", "vProd_I11", "uTrib_I13", "qTrib_I14", "vUnTrib_I14a"})
      Set(field, "1" + s);
    Set("cEAN_I03", "SEM GTIN");
    Set("cEANTrib_I12", "SEM GTIN");
    Set("indTot_I17b", "1");
    Set("NVE_I05a", "AA000" + s);
    Set("nDI_I19", "DI-" + s);
    Set("nAdicao_I26", s);
    Set("nLote_I81", "LOTE-" + s);
    Set("nDraw_I51", "DRAW-" + s);
    Set("nRE_I53", "RE" + s);
  }
  ds.SalvarItem();
  const std::string xml = Salvar();
  const std::string det1 = Between(xml, "<det nItem=\"1\">", "</det>");
  const std::string det2 = Between(xml, "<det nItem=\"2\">", "</det>");
  ASSERT_FALSE(det1.empty());
  ASSERT_FALSE(det2.empty());
  for (const auto& [det, own, other] : {std::tuple{det1, "1", "2"}, std::tuple{det2, "2", "1"}}) {
    for (const std::string prefix :
         {"<NVE>AA000", "<nDI>DI-", "<nAdicao>", "<nLote>LOTE-", "<nDraw>DRAW-", "<nRE>RE"}) {
      EXPECT_NE(det.find(prefix + own + "<"), std::string::npos) << prefix << own << " in " << det;
      EXPECT_EQ(det.find(prefix + other + "<"), std::string::npos) << prefix << other << " in " << det;
    }
  }
  EXPECT_NE(det1.find("<detExport><nDraw>DRAW-1</nDraw><exportInd><nRE>RE1</nRE></exportInd></detExport>"),
            std::string::npos)
      << det1;
  EXPECT_NE(det1.find("<DI><nDI>DI-1</nDI><adi><nAdicao>1</nAdicao></adi></DI>"), std::string::npos) << det1;
}

TEST_F(XmlGruposTest, CpfIssuerKeyAndShortCNF) {
  test::FillDocument(ds, 77, 1);
  Set("CNPJ_C02", "");
  Set("CPF_C02a", "12345678909");
  Set("cNF_B03", "123");
  const std::string xml = Salvar();
  ds.B()->First();
  ds.A()->First();
  const std::string id = ds.Campo("Id_A03").AsString();
  ASSERT_EQ(id.size(), 47u);
  // cUF, AAMM, then "000" and the 11 digits of the CPF in the 14 positions of the document.
  EXPECT_EQ(id.substr(0, 9), "NFe352612");
  EXPECT_EQ(id.substr(9, 14), "00012345678909");
  EXPECT_EQ(ds.Campo("cNF_B03").AsString(), "00000123");
  EXPECT_EQ(id.substr(38, 8), "00000123");
  EXPECT_EQ(ds.Campo("cDV_B23").AsString(), id.substr(46, 1));
  EXPECT_NE(xml.find("<cNF>00000123</cNF>"), std::string::npos);
  EXPECT_NE(xml.find("<cDV>" + id.substr(46, 1) + "</cDV>"), std::string::npos);
  EXPECT_NE(xml.find("<emit><CPF>12345678909</CPF>"), std::string::npos);
}

// The item builders read the item being filled; values outside the dictionary's permitted lists can
// only be seen this way (storing the item would refuse them).
class XmlImpostosTest : public XmlGruposTest {
protected:
  void SetUp() override {
    XmlGruposTest::SetUp();
    ds.Incluir();
    ds.IncluirItem();
  }
  std::string Group(char letter) {
    switch (letter) {
    case 'N':
      return V().ConvPartN();
    case 'O':
      return V().ConvPartO();
    case 'Q':
      return V().ConvPartQ();
    default:
      return V().ConvPartS();
    }
  }
};

// The steps of tests/datasets/data/grupos-de-imposto.txt, each expectation checked where it stands.
TEST_F(XmlImpostosTest, TaxGroupsFollowTheirCodes) {
  const std::string steps =
      ReadWholeFile(std::string(QVX_SOURCE_DIR) + "/tests/datasets/data/grupos-de-imposto.txt");
  int checked = 0;
  for (const std::string& line : test::Lines(steps)) {
    if (line.empty() || line[0] == '#')
      continue;
    if (line.size() == 1 || line[1] == ' ') {
      EXPECT_EQ(Group(line[0]), line.size() == 1 ? "" : line.substr(2)) << "step " << line;
      ++checked;
    } else {
      const std::size_t eq = line.find('=');
      Set(line.substr(0, eq), line.substr(eq + 1));
    }
  }
  EXPECT_EQ(checked, 27);
}

TEST_F(XmlGruposTest, IdentificationMustExist) {
  ds.Incluir();
  ds.Cancelar();
  EXPECT_EQ(RefusalOf([&] { V().ConvPartB(); }),
            (Refusal{"EvxnNFeDataSetException",
                     "Parte B - Identificaçãcão da Nota Fiscal eletrônica não foi preenchida."}));
}

} // namespace
} // namespace vxn
