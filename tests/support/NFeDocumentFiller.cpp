#include "NFeDocumentFiller.h"

#include "vxnPaths.h"

#include <string_view>
#include <utility>

namespace vxn::test {

std::string ShippedDictionary(bool exportacao, const std::string& layout) {
  return ProgramDirectory() + "Templates/" + layout + "/Conversor/" +
         (exportacao ? "NFeDataSets_Exportacao.xml" : "NFeDataSets.xml");
}

namespace {

using Values = std::initializer_list<std::pair<std::string_view, std::string_view>>;

int Assign(TvxnNFeDataSets& ds, Values values) {
  for (const auto& [name, value] : values)
    ds.Campo(name).SetAsString(value);
  return static_cast<int>(values.size());
}

int FillItem(TvxnNFeDataSets& ds, int n) {
  const std::string nItem = std::to_string(n);
  int count = Assign(ds, {{"nItem_H02", nItem}});
  count += Assign(ds, {{"cProd_I02", "PROD-" + nItem},
                       {"cEAN_I03", "SEM GTIN"},
                       {"xProd_I04", "Parafuso sextavado M8 & porca (aço inox)"},
                       {"NCM_I05", "73181500"},
                       {"CFOP_I08", "5102"},
                       {"uCom_I09", "UN"},
                       {"qCom_I10", "10.0000"},
                       {"vUnCom_I10a", "1.5000000000"},
                       {"vProd_I11", "15.00"},
                       {"cEANTrib_I12", "SEM GTIN"},
                       {"uTrib_I13", "UN"},
                       {"qTrib_I14", "10.0000"},
                       {"vUnTrib_I14a", "1.5000000000"},
                       {"indTot_I17b", "1"},
                       {"xPed_I60", "PED-1"}});
  count += Assign(ds, {{"vTotTrib_M02", "2.10"},
                       {"orig_N11", "0"},
                       {"CST_N12", "00"},
                       {"modBC_N13", "3"},
                       {"vBC_N15", "15.00"},
                       {"pICMS_N16", "18.0000"},
                       {"vICMS_N17", "2.70"},
                       {"CST_Q06", "01"},
                       {"vBC_Q07", "15.00"},
                       {"pPIS_Q08", "1.6500"},
                       {"vPIS_Q09", "0.25"},
                       {"CST_S06", "01"},
                       {"vBC_S07", "15.00"},
                       {"pCOFINS_S08", "7.6000"},
                       {"vCOFINS_S11", "1.14"},
                       {"infAdProd_V01", "Lote conforme pedido"}});
  return count;
}

} // namespace

int FillDocument(TvxnNFeDataSets& ds, int nNF, int items) {
  ds.Incluir();
  int count = Assign(ds, {{"versao_A02", "4.00"}});
  count += Assign(ds, {{"cUF_B02", "35"},
                       {"cNF_B03", "12345678"},
                       {"natOp_B04", "Venda de mercadoria"},
                       {"mod_B06", "55"},
                       {"serie_B07", "1"},
                       {"nNF_B08", std::to_string(nNF)},
                       {"dhEmi_B09", "2026-12-05T10:00:00-03:00"},
                       {"tpNF_B11", "1"},
                       {"idDest_B11a", "1"},
                       {"cMunFG_B12", "3550308"},
                       {"tpImp_B21", "1"},
                       {"tpEmis_B22", "1"},
                       {"tpAmb_B24", "2"},
                       {"finNFe_B25", "1"},
                       {"indFinal_B25a", "0"},
                       {"indPres_B25b", "1"},
                       {"procEmi_B26", "0"},
                       {"verProc_B27", "bench 1.0"}});
  count += Assign(ds, {{"CNPJ_C02", "11222333000181"},
                       {"xNome_C03", "Quorvant Industria & Comercio Ltda"},
                       {"xLgr_C06", "Rua das Flores"},
                       {"nro_C07", "100"},
                       {"xBairro_C09", "Centro"},
                       {"cMun_C10", "3550308"},
                       {"xMun_C11", "São Paulo"},
                       {"UF_C12", "SP"},
                       {"CEP_C13", "01001000"},
                       {"IE_C17", "111111111111"},
                       {"CRT_C21", "3"}});
  count += Assign(ds, {{"CNPJ_E02", "99888777000166"},
                       {"xNome_E04", "NF-E EMITIDA EM AMBIENTE DE HOMOLOGACAO - SEM VALOR FISCAL"},
                       {"xLgr_E06", "Avenida Paulista"},
                       {"nro_E07", "1000"},
                       {"xBairro_E09", "Bela Vista"},
                       {"cMun_E10", "3550308"},
                       {"xMun_E11", "São Paulo"},
                       {"UF_E12", "SP"},
                       {"indIEDest_E16a", "9"}});
  for (int i = 1; i <= items; ++i) {
    ds.IncluirItem();
    count += FillItem(ds, i);
  }
  ds.SalvarItem();
  count += Assign(ds, {{"vBC_W03", "150.00"},
                       {"vICMS_W04", "27.00"},
                       {"vICMSDeson_W04a", "0.00"},
                       {"vFCP_W04h", "0.00"},
                       {"vBCST_W05", "0.00"},
                       {"vST_W06", "0.00"},
                       {"vFCPST_W06a", "0.00"},
                       {"vFCPSTRet_W06b", "0.00"},
                       {"vProd_W07", "150.00"},
                       {"vFrete_W08", "0.00"},
                       {"vSeg_W09", "0.00"},
                       {"vDesc_W10", "0.00"},
                       {"vII_W11", "0.00"},
                       {"vIPI_W12", "0.00"},
                       {"vIPIDevol_W12a", "0.00"},
                       {"vPIS_W13", "2.50"},
                       {"vCOFINS_W14", "11.40"},
                       {"vOutro_W15", "0.00"},
                       {"vNF_W16", "150.00"}});
  count += Assign(ds, {{"modFrete_X02", "9"}});
  count += Assign(ds, {{"nFat_Y03", "1"}, {"vOrig_Y04", "150.00"}, {"vLiq_Y06", "150.00"}});
  ds.IncluirCobranca();
  count += Assign(ds, {{"nDup_Y08", "001"}, {"dVenc_Y09", "2027-01-05"}, {"vDup_Y10", "150.00"}});
  ds.SalvarCobranca();
  count += Assign(ds, {{"tPag_YA02", "15"}, {"vPag_YA03", "150.00"}});
  count += Assign(ds, {{"infCpl_Z03", "Documento emitido em ambiente de testes"}});
  return count;
}

} // namespace vxn::test
