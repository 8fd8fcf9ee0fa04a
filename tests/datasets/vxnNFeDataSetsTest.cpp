#include "datasets/vxnNFeDataSets.h"
#include "vxnFiles.h"
#include "vxnNFeException.h"

#include "support/NFeDocumentFiller.h"
#include "support/RefusalOf.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vxn {
namespace {

using test::Refusal;
using test::RefusalOf;

std::vector<std::string> Names(const std::vector<TXmlDataSetNFe*>& parts) {
  std::vector<std::string> names;
  for (const TXmlDataSetNFe* part : parts)
    names.push_back(part->Name());
  return names;
}

class NFeDataSetsTest : public ::testing::Test {
protected:
  void SetUp() override {
    ds.SetDiretorioLogErro(dir.Path());
    ds.SetXMLDicionario(test::ShippedDictionary());
  }
  TXmlDataSetNFe& Part(const char* name) { return ds.FindDataSet(name); }

  test::TempDir dir;
  TvxnNFeDataSets ds;
};

TEST(NFeDataSetsVersionTest, PartListsFollowTheLayout) {
  TvxnNFeDataSets ds;
  ds.SetXMLDicionario(test::ShippedDictionary());
  EXPECT_EQ(Names(ds.DataSet().PartsNFe()),
            (std::vector<std::string>{
                "A",    "B",  "C",  "D", "E",  "F",       "G",   "AUTXML", "X",       "W",       "Y",
                "YA01", "YA", "YB", "Z", "ZD", "REBOQUE", "VOL", "LACRE",  "PROCREF", "OBSCONT", "MANAGER"}));
  EXPECT_EQ(Names(ds.DataSet().PartsNFeItem()),
            (std::vector<std::string>{"H",  "I",  "I80", "NVE",       "J",         "K",  "L", "M", "N",
                                      "NA", "O",  "P",   "Q",         "R",         "S",  "T", "U", "UB",
                                      "V",  "DI", "ADI", "DETEXPORT", "EXPORTIND", "L1", "L2"}));
  ds.SetVersaoEsquema(pl_008f); // replaces the version dataset: load the dictionary again
  EXPECT_TRUE(ds.DataSet().PartsNFe().empty());
  ds.SetXMLDicionario(test::ShippedDictionary());
  EXPECT_EQ(Names(ds.DataSet().PartsNFeItem()),
            (std::vector<std::string>{"H", "I",  "NVE", "J",         "K",         "L",  "M", "N",
                                      "O", "P",  "Q",   "R",         "S",         "T",  "U", "UB",
                                      "V", "DI", "ADI", "DETEXPORT", "EXPORTIND", "L1", "L2"}));
  ds.SetVersaoEsquema(pl_008g);
  ds.SetXMLDicionario(test::ShippedDictionary());
  EXPECT_EQ(Names(ds.DataSet().PartsNFeItem())[8], "NA");
  EXPECT_EQ(Names(ds.DataSet().PartsNFe())[7], "AUTXML");
  ds.SetVersaoEsquema(pl_006v);
  ds.SetXMLDicionario(test::ShippedDictionary());
  EXPECT_EQ(Names(ds.DataSet().PartsNFe()),
            (std::vector<std::string>{"A", "B", "C", "D", "E", "F", "G", "X", "W", "Y", "Z", "REBOQUE", "VOL",
                                      "LACRE", "PROCREF", "OBSCONT", "MANAGER"}));
  EXPECT_EQ(Names(ds.DataSet().PartsNFeItem()).back(), "L1");
}

TEST_F(NFeDataSetsTest, RepeatedGroupsAndItemPartsAreLinkedToTheirMasters) {
  for (const auto& row : test::ReadTable("datasets/data/ligacoes-das-partes.tsv")) {
    const std::string& detail = row.at(0);
    const TXmlDataSetNFe& part = Part(detail.c_str());
    EXPECT_EQ(part.MasterDataSet(), &Part(row.at(1).c_str())) << detail;
    EXPECT_EQ(part.XMLMasterField(), "handle") << detail;
    EXPECT_FALSE(part.FieldByName(part.XMLKeyField()).Visible()) << detail;
  }
  for (const char* root : {"A", "B", "H", "X", "W", "CANA", "MANAGER"})
    EXPECT_EQ(Part(root).MasterDataSet(), nullptr) << root;
}

TEST_F(NFeDataSetsTest, CampoFindsFieldsRegardlessOfCase) {
  EXPECT_EQ(&ds.Campo("cNF_B03"), &ds.Campo("CNF_B03"));
  EXPECT_EQ(ds.Campo("cnf_b03").DataSet(), ds.B());
  EXPECT_EQ(ds.Campo("vTroco_YA09").DataSet(), ds.YA01());
  EXPECT_EQ(ds.Campo("vDup_Y10").DataSet(), &Part("DUP"));
  EXPECT_THROW(ds.Campo("cNF_B04"), EvxnDataSetFieldNotFoundException);
}

TEST_F(NFeDataSetsTest, CampoByRecGroupAndPosition) {
  EXPECT_EQ(&ds.Campo("B", 4), &ds.Campo("natOp_B04"));
  EXPECT_EQ(&ds.Campo("n02", 2), &ds.Campo("orig_N11"));
  EXPECT_EQ(&ds.Campo("N10h", 19), &ds.Campo("vCredICMSSN_N30"));
  EXPECT_EQ(&ds.Campo("W17", 3), &ds.Campo("vBC_W19"));
  EXPECT_EQ(&ds.Campo("W02", 2), &ds.Campo("vBC_W03"));
  EXPECT_EQ(&ds.Campo("X22", 3), &ds.Campo("UF_X24"));
  EXPECT_EQ(&ds.Campo("H", 3), &ds.Campo("infAdProd_V01"));
  EXPECT_EQ(
      RefusalOf([&] { ds.Campo("B", 99); }),
      (Refusal{"EvxnNFeException", "Não foi encontrado campo configurado para o Grupo B na posição 99"}));
  EXPECT_EQ(RefusalOf([&] { ds.Campo("", 2); }),
            (Refusal{"EvxnNFeCheckParams", "O Grupo deve ser informado para encontrar o campo desejado."}));
  TvxnNFeDataSets empty;
  EXPECT_EQ(RefusalOf([&] { empty.Campo("B", 2); }),
            (Refusal{"EvxnNFeCheckParams",
                     "Não existem DataSets carregados. Verifique se o XMLDicionário foi informado."}));
}

TEST_F(NFeDataSetsTest, DocumentAndItemStates) {
  EXPECT_EQ(ds.GetState(), dsInactive);
  ds.Incluir();
  EXPECT_EQ(ds.GetState(), dsInsert);
  for (const TXmlDataSetNFe* part : ds.DataSet().PartsNFe())
    EXPECT_EQ(part->State(), dsInsert) << part->Name();
  EXPECT_EQ(ds.H()->State(), dsBrowse);
  ds.IncluirItem();
  EXPECT_EQ(ds.GetStateItem(), dsInsert);
  for (const TXmlDataSetNFe* part : ds.DataSet().PartsNFeItem())
    EXPECT_EQ(part->State(), dsInsert) << part->Name();
  ds.Cancelar();
  EXPECT_EQ(ds.GetState(), dsBrowse);
  EXPECT_EQ(ds.GetStateItem(), dsBrowse);
  for (const auto& part : ds.GetListDataSets()) {
    EXPECT_EQ(part->RecordCount(), 0u) << part->Name();
    EXPECT_EQ(part->State(), dsBrowse) << part->Name();
  }
}

TEST_F(NFeDataSetsTest, SalvarStoresTheDocumentAndItsItems) {
  const int assigned = test::FillDocument(ds, 1, 3);
  EXPECT_GT(assigned, 100);
  ds.Salvar();
  EXPECT_EQ(ds.GetState(), dsBrowse);
  EXPECT_EQ(ds.GetStateItem(), dsBrowse);
  EXPECT_EQ(ds.H()->RecordCount(), 3u);
  EXPECT_EQ(ds.B()->RecordCount(), 1u);
  EXPECT_EQ(ds.Campo("verProc_B27").AsString(), "bench 1.0");
  EXPECT_EQ(ds.Campo("xNome_C03").AsString(), "Quorvant Industria &amp; Comercio Ltda");
  // Each item shows its own records in the item parts.
  std::vector<std::string> products;
  for (ds.H()->First(); !ds.H()->Eof(); ds.H()->Next()) {
    EXPECT_EQ(ds.I()->RecordCount(), 1u);
    products.push_back(ds.Campo("cProd_I02").AsString() + "/" + ds.Campo("nItem_H02").AsString());
  }
  EXPECT_EQ(products, (std::vector<std::string>{"PROD-1/1", "PROD-2/2", "PROD-3/3"}));
  EXPECT_EQ(Part("DUP").RecordCount(), 1u);
}

TEST_F(NFeDataSetsTest, HandlesKeepCountingAcrossDocuments) {
  test::FillDocument(ds, 1, 1);
  ds.Salvar();
  EXPECT_EQ(ds.H()->FieldByName("handle").AsString(), "0");
  test::FillDocument(ds, 2, 2);
  ds.Salvar();
  ds.H()->First();
  EXPECT_EQ(ds.H()->FieldByName("handle").AsString(), "1");
  EXPECT_EQ(ds.H()->RecordCount(), 2u); // the first document's item went with it
  EXPECT_EQ(ds.B()->FieldByName("handle").AsString(), "1");
}

TEST_F(NFeDataSetsTest, ItemDetailsFollowTheirItem) {
  ds.Incluir();
  int n = 0;
  for (const char* nDI : {"DI-1", "DI-2"}) {
    ds.IncluirItem();
    ds.Campo("nItem_H02").SetAsString(std::to_string(++n));
    for (const char* field :
         {"cProd_I02", "cEAN_I03", "xProd_I04", "NCM_I05", "CFOP_I08", "uCom_I09", "qCom_I10", "vUnCom_I10a",
          "vProd_I11", "cEANTrib_I12", "uTrib_I13", "qTrib_I14", "vUnTrib_I14a"})
      ds.Campo(field).SetAsString("1");
    ds.Campo("indTot_I17b").SetAsString("1");
    ds.IncluirPart("DI");
    ds.Campo("nDI_I19").SetAsString(nDI);
    ds.SalvarPart("DI");
    ds.SalvarItem();
  }
  std::vector<std::string> seen;
  for (ds.H()->First(); !ds.H()->Eof(); ds.H()->Next())
    for (Part("DI").First(); !Part("DI").Eof(); Part("DI").Next())
      seen.push_back(ds.Campo("nDI_I19").AsString());
  EXPECT_EQ(seen, (std::vector<std::string>{"DI-1", "DI-2"}));
}

TEST_F(NFeDataSetsTest, AFailedSalvarLeavesTheDocumentEditable) {
  test::FillDocument(ds, 1, 1);
  ds.Campo("natOp_B04").SetAsString("");
  EXPECT_EQ(
      RefusalOf([&] { ds.Salvar(); }),
      (Refusal{"EvxnDataSetException", "O Campo [natOp_B04] referente a [natOp_B04] deve ser preenchido."}));
  EXPECT_EQ(ds.B()->State(), dsInsert);
  EXPECT_EQ(ds.Campo("cNF_B03").AsString(), "12345678");
  ds.Campo("natOp_B04").SetAsString("Venda");
  ds.Salvar();
  EXPECT_EQ(ds.B()->State(), dsBrowse);
}

TEST_F(NFeDataSetsTest, ExportDictionaryRequiresTheExportGroup) {
  ds.SetUsarDatasetExportacao(true);
  ds.SetXMLDicionario(test::ShippedDictionary(true));
  EXPECT_TRUE(ds.DataSet().GetUsarDatasetExportacao());
  test::FillDocument(ds, 1, 1);
  EXPECT_THROW(ds.Salvar(), EvxnDataSetException);
  ds.Campo("UFSaidaPais_ZA02").SetAsString("SP");
  ds.Campo("xLocExporta_ZA03").SetAsString("Porto de Santos");
  ds.Salvar();
  EXPECT_EQ(ds.GetState(), dsBrowse);
}

TEST(NFeDataSetsConfigTest, StoringWithoutADictionaryFails) {
  test::TempDir dir;
  TvxnNFeDataSets ds;
  ds.SetDiretorioLogErro(dir.File("logs/erros"));
  EXPECT_TRUE(DirectoryExists(dir.File("logs/erros")));
  for (auto op : {&TvxnNFeDataSets::Salvar, &TvxnNFeDataSets::SalvarItem}) {
    EXPECT_EQ(RefusalOf([&] { (ds.*op)(); }),
              (Refusal{"EvxnNfeDataSetConfigException", "Arquivo Estrutura do XML não configurado."}));
  }
  EXPECT_TRUE(FileExists(dir.File("logs/erros/nfe_exception.log")));
}

} // namespace
} // namespace vxn
