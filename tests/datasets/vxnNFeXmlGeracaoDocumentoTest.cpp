// A complete 4.00 document filled through the dataset as a host fills it: its infNFe must match,
// element by element, the document written by hand in tests/data, and, wrapped in NFe and signed with
// a development certificate, validate against the official schema and pass xmlsec1.
#include "support/DevPki.h"
#include "support/NFeDocumentFiller.h"
#include "support/TempDir.h"
#include "support/XmlCheck.h"
#include "support/XmlCompare.h"

#include "datasets/vxnNFeDataSets.h"
#include "vxnFiles.h"
#include "vxnGovX.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <utility>

namespace vxn {
namespace {

using Values = std::initializer_list<std::pair<std::string_view, std::string_view>>;

void Assign(TvxnNFeDataSets& ds, Values values) {
  for (const auto& [name, value] : values)
    ds.Campo(name).SetAsString(value);
}

void FillHeader(TvxnNFeDataSets& ds) {
  Assign(ds, {{"versao_A02", "4.00"}});
  Assign(ds, {{"cUF_B02", "35"},
              {"cNF_B03", "1234567"},
              {"natOp_B04", "VENDA DE MERCADORIA"},
              {"mod_B06", "55"},
              {"serie_B07", "1"},
              {"nNF_B08", "4321"},
              {"dhEmi_B09", "2026-12-05T10:00:00-03:00"},
              {"dhSaiEnt_B10", "2026-12-05T11:30:00-03:00"},
              {"tpNF_B11", "1"},
              {"idDest_B11a", "3"},
              {"cMunFG_B12", "3550308"},
              {"tpImp_B21", "1"},
              {"tpEmis_B22", "1"},
              {"tpAmb_B24", "2"},
              {"finNFe_B25", "1"},
              {"indFinal_B25a", "0"},
              {"indPres_B25b", "2"},
              {"indIntermed_B25c", "1"},
              {"procEmi_B26", "0"},
              {"verProc_B27", "Quorvant NFe 1.0"}});
  ds.IncluirPart("NREF");
  Assign(ds, {{"refNFe_BA02", "35261111222333000181550010000012341000012344"}});
  ds.SalvarPart("NREF");
  Assign(ds, {{"CNPJ_C02", "11222333000181"},
              {"xNome_C03", "EMPRESA DE TESTE LTDA"},
              {"xFant_C04", "TESTE"},
              {"xLgr_C06", "RUA DAS FLORES"},
              {"nro_C07", "100"},
              {"xBairro_C09", "CENTRO"},
              {"cMun_C10", "3550308"},
              {"xMun_C11", "SAO PAULO"},
              {"UF_C12", "SP"},
              {"CEP_C13", "01001000"},
              {"cPais_C14", "1058"},
              {"xPais_C15", "BRASIL"},
              {"IE_C17", "111111111111"},
              {"CRT_C21", "3"}});
  // A recipient abroad: the host left a CNPJ, which the corrective rules take away.
  Assign(ds, {{"CNPJ_E02", "99888777000161"},
              {"xNome_E04", "CLIENTE NO EXTERIOR & CIA"},
              {"xLgr_E06", "1 MAIN STREET"},
              {"nro_E07", "1"},
              {"xBairro_E09", "DOWNTOWN"},
              {"cMun_E10", "9999999"},
              {"xMun_E11", "EXTERIOR"},
              {"UF_E12", "EX"},
              {"cPais_E14", "1600"},
              {"xPais_E15", "CHINA"},
              {"indIEDest_E16a", "9"}});
  // A pickup place with no CNPJ or CPF.
  Assign(ds, {{"xNome_F02b", "DEPOSITO CENTRAL"},
              {"xLgr_F03", "RUA DO PORTO"},
              {"nro_F04", "50"},
              {"xBairro_F06", "CAIS"},
              {"cMun_F07", "3548500"},
              {"xMun_F08", "SANTOS"},
              {"UF_F09", "SP"}});
  Assign(ds, {{"CPF_GA03", "12345678909"}});
}

void FillItems(TvxnNFeDataSets& ds) {
  // Item 1: imported, CST 00, IPI taxed, PIS and COFINS by rate, two NVE, a DI with two additions.
  ds.IncluirItem();
  Assign(ds, {{"nItem_H02", "1"},
              {"cProd_I02", "0001"},
              {"cEAN_I03", "SEM GTIN"},
              {"xProd_I04", "MAQUINA IMPORTADA"},
              {"NCM_I05", "84713012"},
              {"CFOP_I08", "7102"},
              {"uCom_I09", "UN"},
              {"qCom_I10", "2.0000"},
              {"vUnCom_I10a", "500.0000000000"},
              {"vProd_I11", "1000.00"},
              {"cEANTrib_I12", "SEM GTIN"},
              {"uTrib_I13", "UN"},
              {"qTrib_I14", "2.0000"},
              {"vUnTrib_I14a", "500.0000000000"},
              {"indTot_I17b", "1"},
              {"xPed_I60", "PED-77"}});
  Assign(ds, {{"NVE_I05a", "AA0001"}});
  ds.IncluirPart("NVE");
  Assign(ds, {{"NVE_I05a", "AB0002"}});
  Assign(ds, {{"nDI_I19", "2612345678"},
              {"dDI_I20", "2026-11-20"},
              {"xLocDesemb_I21", "PORTO DE SANTOS"},
              {"UFDesemb_I22", "SP"},
              {"dDesemb_I23", "2026-11-25"},
              {"tpViaTransp_I23a", "1"},
              {"vAFRMM_I23b", "25.00"},
              {"tpIntermedio_I23c", "1"},
              {"cExportador_I24", "EXP-01"}});
  Assign(ds, {{"nAdicao_I26", "1"}, {"nSeqAdic_I27", "1"}, {"cFabricante_I28", "FAB-01"}});
  ds.IncluirPart("ADI");
  Assign(ds, {{"nAdicao_I26", "1"}, {"nSeqAdic_I27", "2"}, {"cFabricante_I28", "FAB-02"}});
  Assign(ds, {{"nLote_I81", "L-2026-01"},
              {"qLote_I82", "2.000"},
              {"dFab_I83", "2026-10-01"},
              {"dVal_I84", "2028-10-01"}});
  Assign(ds, {{"vTotTrib_M02", "350.00"},
              {"orig_N11", "1"},
              {"CST_N12", "00"},
              {"modBC_N13", "3"},
              {"vBC_N15", "1000.00"},
              {"pICMS_N16", "18.0000"},
              {"vICMS_N17", "180.00"}});
  Assign(ds, {{"cEnq_O06", "999"},
              {"CST_O09", "50"},
              {"vBC_O10", "1000.00"},
              {"pIPI_O13", "10.0000"},
              {"vIPI_O14", "100.00"}});
  Assign(ds, {{"vBC_P02", "1000.00"}, {"vDespAdu_P03", "0.00"}, {"vII_P04", "60.00"}, {"vIOF_P05", "0.00"}});
  Assign(ds, {{"CST_Q06", "01"}, {"vBC_Q07", "1000.00"}, {"pPIS_Q08", "1.6500"}, {"vPIS_Q09", "16.50"}});
  Assign(ds,
         {{"CST_S06", "01"}, {"vBC_S07", "1000.00"}, {"pCOFINS_S08", "7.6000"}, {"vCOFINS_S11", "76.00"}});

  // Item 2: CST 60 charged earlier by substitution, IPI not taxed, PIS exempt, COFINS other; two batches.
  ds.IncluirItem();
  Assign(ds, {{"nItem_H02", "2"},
              {"cProd_I02", "0002"},
              {"cEAN_I03", "SEM GTIN"},
              {"xProd_I04", "PECA DE REPOSICAO"},
              {"NCM_I05", "84733049"},
              {"CEST_I05c", "2106400"},
              {"CFOP_I08", "7102"},
              {"uCom_I09", "UN"},
              {"qCom_I10", "10.0000"},
              {"vUnCom_I10a", "20.0000000000"},
              {"vProd_I11", "200.00"},
              {"cEANTrib_I12", "SEM GTIN"},
              {"uTrib_I13", "UN"},
              {"qTrib_I14", "10.0000"},
              {"vUnTrib_I14a", "20.0000000000"},
              {"indTot_I17b", "1"}});
  Assign(
      ds,
      {{"nLote_I81", "L-A"}, {"qLote_I82", "6.000"}, {"dFab_I83", "2026-09-01"}, {"dVal_I84", "2027-09-01"}});
  ds.IncluirPart("I80");
  Assign(
      ds,
      {{"nLote_I81", "L-B"}, {"qLote_I82", "4.000"}, {"dFab_I83", "2026-09-15"}, {"dVal_I84", "2027-09-15"}});
  Assign(ds, {{"orig_N11", "0"},
              {"CST_N12", "60"},
              {"vBCSTRet_N26", "150.00"},
              {"pST_N26a", "18.0000"},
              {"vICMSSubstituto_N26b", "10.00"},
              {"vICMSSTRet_N27", "17.00"}});
  Assign(ds, {{"cEnq_O06", "999"}, {"CST_O09", "53"}});
  Assign(ds, {{"CST_Q06", "04"}});
  Assign(ds, {{"CST_S06", "99"}, {"vBC_S07", "200.00"}, {"pCOFINS_S08", "3.0000"}, {"vCOFINS_S11", "6.00"}});

  // Item 3: Simples Nacional with credit, PIS other by rate, COFINS by quantity, additional information.
  ds.IncluirItem();
  Assign(ds, {{"nItem_H02", "3"},
              {"cProd_I02", "0003"},
              {"cEAN_I03", "SEM GTIN"},
              {"xProd_I04", "ACESSORIO"},
              {"NCM_I05", "39269090"},
              {"CFOP_I08", "7102"},
              {"uCom_I09", "CX"},
              {"qCom_I10", "1.0000"},
              {"vUnCom_I10a", "50.0000000000"},
              {"vProd_I11", "50.00"},
              {"cEANTrib_I12", "SEM GTIN"},
              {"uTrib_I13", "CX"},
              {"qTrib_I14", "1.0000"},
              {"vUnTrib_I14a", "50.0000000000"},
              {"indTot_I17b", "1"}});
  Assign(ds,
         {{"orig_N11", "0"}, {"CSOSN_N12a", "101"}, {"pCredSN_N29", "2.5600"}, {"vCredICMSSN_N30", "1.28"}});
  Assign(ds, {{"CST_Q06", "99"}, {"vBC_Q07", "50.00"}, {"pPIS_Q08", "0.6500"}, {"vPIS_Q09", "0.33"}});
  Assign(
      ds,
      {{"CST_S06", "03"}, {"qBCProd_S09", "1.0000"}, {"vAliqProd_S10", "3.0000"}, {"vCOFINS_S11", "3.00"}});
  Assign(ds, {{"infAdProd_V01", "Item com credito de ICMS"}});
  ds.SalvarItem();
}

void FillTotalsAndTransport(TvxnNFeDataSets& ds) {
  Assign(ds, {{"vBC_W03", "1000.00"},  {"vICMS_W04", "180.00"},    {"vICMSDeson_W04a", "0.00"},
              {"vFCP_W04h", "0.00"},   {"vBCST_W05", "0.00"},      {"vST_W06", "0.00"},
              {"vFCPST_W06a", "0.00"}, {"vFCPSTRet_W06b", "0.00"}, {"vProd_W07", "1250.00"},
              {"vFrete_W08", "0.00"},  {"vSeg_W09", "0.00"},       {"vDesc_W10", "0.00"},
              {"vII_W11", "60.00"},    {"vIPI_W12", "100.00"},     {"vIPIDevol_W12a", "0.00"},
              {"vPIS_W13", "16.83"},   {"vCOFINS_W14", "85.00"},   {"vOutro_W15", "0.00"},
              {"vNF_W16", "1350.00"},  {"vTotTrib_W16a", "350.00"}});
  Assign(ds, {{"modFrete_X02", "0"},
              {"CNPJ_X04", "55666777000102"},
              {"xNome_X06", "TRANSPORTES RAPIDOS LTDA"},
              {"IE_X07", "222222222222"},
              {"xEnder_X08", "AV DAS AMERICAS 500"},
              {"xMun_X09", "SAO PAULO"},
              {"UF_X10", "SP"},
              {"placa_X19", "ABC1D23"},
              {"UF_X20", "SP"}});
  Assign(ds, {{"placa_X23", "XYZ9A87"}, {"UF_X24", "SP"}});
  Assign(ds, {{"qVol_X27", "2"},
              {"esp_X28", "CAIXA"},
              {"marca_X29", "QUORVANT"},
              {"nVol_X30", "1"},
              {"pesoL_X31", "50.000"},
              {"pesoB_X32", "55.000"}});
  Assign(ds, {{"nLacre_X34", "LACRE-001"}});
  ds.IncluirPart("LACRE");
  Assign(ds, {{"nLacre_X34", "LACRE-002"}});
  ds.IncluirPart("VOL");
  Assign(ds, {{"qVol_X27", "1"},
              {"esp_X28", "PALETE"},
              {"nVol_X30", "2"},
              {"pesoL_X31", "120.000"},
              {"pesoB_X32", "130.000"}});
  ds.IncluirPart("LACRE");
  Assign(ds, {{"nLacre_X34", "LACRE-003"}});
}

void FillBillingAndPayment(TvxnNFeDataSets& ds) {
  Assign(ds,
         {{"nFat_Y03", "4321"}, {"vOrig_Y04", "1350.00"}, {"vDesc_Y05", "0.00"}, {"vLiq_Y06", "1350.00"}});
  const std::pair<const char*, const char*> dups[] = {
      {"001", "2027-01-05"}, {"002", "2027-02-05"}, {"003", "2027-03-05"}};
  for (const auto& [nDup, dVenc] : dups) {
    ds.IncluirCobranca();
    Assign(ds, {{"nDup_Y08", nDup}, {"dVenc_Y09", dVenc}, {"vDup_Y10", "450.00"}});
    ds.SalvarCobranca();
  }
  Assign(ds, {{"indPag_YA01b", "1"},
              {"tPag_YA02", "03"},
              {"vPag_YA03", "1000.00"},
              {"tpIntegra_YA04a", "1"},
              {"CNPJ_YA05", "01425787000104"},
              {"tBand_YA06", "01"},
              {"cAut_YA07", "AUT123456"}});
  ds.IncluirPart("YA");
  Assign(ds, {{"indPag_YA01b", "0"},
              {"tPag_YA02", "04"},
              {"vPag_YA03", "350.00"},
              {"tpIntegra_YA04a", "2"},
              {"tBand_YA06", "02"}});
  Assign(ds, {{"vTroco_YA09", "0.00"}});
  Assign(ds, {{"CNPJ_YB02", "33444555000199"}, {"idCadIntTran_YB03", "LOJA-QUORVANT"}});
  Assign(ds, {{"infCpl_Z03", "Pedido 77 <exportacao>"}});
  Assign(ds, {{"xCampo_Z05", "Vendedor"}, {"xTexto_Z06", "Maria"}});
  Assign(ds, {{"CNPJ_ZD02", "11222333000181"},
              {"xContato_ZD04", "SUPORTE QUORVANT"},
              {"email_ZD05", "suporte@example.com"},
              {"fone_ZD06", "1133334444"}});
}

std::string ReadData(const std::string& name) {
  return ReadWholeFile(std::string(QVX_SOURCE_DIR) + "/tests/data/" + name);
}

class XmlDocumentoCompletoTest : public ::testing::Test {
protected:
  void SetUp() override {
    ds.SetXMLDicionario(test::ShippedDictionary());
    ds.SetValidaRegrasNegocioQuorvant(true);
    ds.Incluir();
    FillHeader(ds);
    FillItems(ds);
    FillTotalsAndTransport(ds);
    FillBillingAndPayment(ds);
    ds.Salvar();
    ASSERT_EQ(ds.GetLoteNFe().Count(), 1u);
    infNFe = ds.GetLoteNFe()[0];
  }

  TvxnNFeDataSets ds;
  std::string infNFe;
};

TEST_F(XmlDocumentoCompletoTest, MatchesTheDocumentWrittenFromTheLayout) {
  EXPECT_TRUE(infNFe.starts_with("<infNFe Id=\"NFe"));
  EXPECT_TRUE(infNFe.ends_with("</infNFe>"));
  // Nothing between elements, no declaration and no namespace in the text itself.
  EXPECT_EQ(infNFe.find('\n'), std::string::npos);
  EXPECT_EQ(infNFe.find("xmlns"), std::string::npos);
  EXPECT_EQ(test::XmlElementDiff(ReadData("nfe-xmlgen-completa-v4.00.xml"), infNFe), "") << infNFe;
}

// Byte for byte: the comparison above ignores attribute order and how an empty element is written.
TEST_F(XmlDocumentoCompletoTest, KeepsItsExactText) {
  const std::string expected = ReadData("nfe-xmlgen-completa-texto.txt");
  ASSERT_FALSE(expected.empty());
  if (expected != infNFe + "\n")
    WriteFileAtomic("nfe-xmlgen-completa-texto.txt.actual", infNFe + "\n");
  EXPECT_EQ(expected, infNFe + "\n");
}

TEST_F(XmlDocumentoCompletoTest, SignedItValidatesAgainstTheOfficialSchemaAndXmlsec1) {
  const test::DevPki& pki = test::SharedPki();
  TvxnGovX gov;
  auto& s = gov.Get_SignerSettings();
  s.CertificateKind = ckFile;
  s.CertificatePath = pki.ValidClientFile();
  s.CertificatePassword = "1234";
  s.ElementName = "infNFe";
  const std::string id = infNFe.substr(std::string("<infNFe Id=\"").size(), 47);
  const std::string signed_ =
      gov.SignXmlById("<NFe xmlns=\"http://www.portalfiscal.inf.br/nfe\">" + infNFe + "</NFe>", id);
  EXPECT_EQ(test::XmlSchemaErrors(signed_, test::FindSchema("nfe_v4.00.xsd")), "");
  EXPECT_EQ(test::XmlSec1VerifyErrors(signed_, pki.CaFile()), "");
}

TEST_F(XmlDocumentoCompletoTest, KeyFieldsAreWrittenBackToTheDataset) {
  ds.A()->First();
  ds.B()->First();
  const std::string id = ds.Campo("Id_A03").AsString();
  EXPECT_EQ(id.size(), 47u);
  EXPECT_EQ(ds.Campo("cNF_B03").AsString(), "01234567");
  EXPECT_EQ(ds.Campo("cDV_B23").AsString(), id.substr(46));
  // The key carries the zero-filled cNF and the document's number, series and issue type.
  EXPECT_EQ(id.substr(3 + 22, 3), "001");
  EXPECT_EQ(id.substr(3 + 25, 9), "000004321");
  EXPECT_EQ(id.substr(3 + 34, 1), "1");
  EXPECT_EQ(id.substr(3 + 35, 8), "01234567");
}

} // namespace
} // namespace vxn
