// The group builders of layout 3.10 (pl_008a ... pl_008i2), each in the class of the package where its
// group took its 3.10 form, and the helpers 4.00 shares with them.
#include "vxnGovUtils.h"
#include "vxnNFeException.h"
#include "vxnNFeVersionDataSets.h"
#include "vxnText.h"
#include "xml/vxnNFeUtils.h"

namespace vxn {

namespace {

bool Editing(const TvxnDataSet& part) {
  return part.State() == dsEdit || part.State() == dsInsert;
}

} // namespace

// ---------------------------------------------------------------- layout 3.10 (pl_008a)

void TvxnDS_pl008a::AddDataSetsListaNFE() {
  SetPartsNFe({"A", "B", "C", "D", "E", "F", "G", "AUTXML", "X", "W", "Y", "Z", "REBOQUE", "VOL", "LACRE",
               "PROCREF", "OBSCONT", "MANAGER"});
}

void TvxnDS_pl008a::AddDataSetsListaItemNFe() {
  SetPartsNFeItem({"H", "I", "NVE", "J",  "K", "L",  "M",   "N",         "O",         "P",  "Q", "R",
                   "S", "T", "U",   "UB", "V", "DI", "ADI", "DETEXPORT", "EXPORTIND", "L1", "L2"});
}

std::string TvxnDS_pl008a::ConverterAuto() {
  SetActiveMasterSource(true);
  std::string out;
  out.reserve(16384);
  out += ConvPartA();
  out += ConvPartB();
  out += ConvPartC();
  out += ConvPartD();
  out += ConvPartE();
  out += ConvPartF();
  out += ConvPartG();
  out += ConvAutXML();
  out += ConvPartItens();
  out += ConvPartW();
  out += ConvPartX();
  out += ConvPartY();
  out += ConvPag();
  out += ConvPartZ();
  out += "</infNFe>";
  return out;
}

std::string TvxnDS_pl008a::ConvPartA() {
  return AbreInfNFe("dhEmi_B09", true, 8);
}

std::string TvxnDS_pl008a::ConvPartB() {
  TXmlDataSetNFe& b = FindDataSet("B");
  if (b.RecordCount() == 0 && !Editing(b))
    throw EvxnNFeDataSetException("Parte B - Identificaçãcão da Nota Fiscal eletrônica não foi preenchida.",
                                  GetDiretorioLogErro());
  std::string out = "<ide>";
  AppendCamposIde(out);
  out += "</ide>";
  return out;
}

void TvxnDS_pl008a::AppendCamposIde(std::string& out) {
  static const TvxnListaCampos kIde{
      "B", {"cUF_B02",      "cNF_B03",     "natOp_B04",    "indPag_B05", "mod_B06",     "serie_B07",
            "nNF_B08",      "dhEmi_B09",   "dhSaiEnt_B10", "tpNF_B11",   "idDest_B11a", "cMunFG_B12",
            "tpImp_B21",    "tpEmis_B22",  "cDV_B23",      "tpAmb_B24",  "finNFe_B25",  "indFinal_B25a",
            "indPres_B25b", "procEmi_B26", "verProc_B27",  "dhCont_B28", "xJust_B29"}};
  AppendFields(out, kIde);
  out += ConvPartRef();
}

std::string TvxnDS_pl008a::ConvPartF() {
  static const TvxnListaCampos kRetirada{"F",
                                         {"CNPJ_F02", "CPF_F02a", "xLgr_F03", "nro_F04", "xCpl_F05",
                                          "xBairro_F06", "cMun_F07", "xMun_F08", "UF_F09"}};
  return ConvLocal("retirada", kRetirada);
}

std::string TvxnDS_pl008a::ConvPartG() {
  static const TvxnListaCampos kEntrega{"G",
                                        {"CNPJ_G02", "CPF_G02a", "xLgr_G03", "nro_G04", "xCpl_G05",
                                         "xBairro_G06", "cMun_G07", "xMun_G08", "UF_G09"}};
  return ConvLocal("entrega", kEntrega);
}

std::string TvxnDS_pl008a::ConvPartItens() {
  static const TvxnModeloXml kDet{"<det @h(nItem_H02)>"};
  std::string out;
  TXmlDataSetNFe& h = FindDataSet("H");
  for (h.First(); !h.Eof(); h.Next()) {
    AppendTemplate(out, kDet);
    out += ConvPartI();
    out += "<imposto>";
    out += ConvPartM();
    out += ConvPartN();
    out += ConvPartO();
    out += ConvPartP();
    out += ConvPartU();
    out += ConvPartQ();
    out += ConvPartR();
    out += ConvPartS();
    out += ConvPartT();
    out += convPartNA();
    out += "</imposto>";
    out += ConvPartUB();
    out += ConvPartV();
    out += "</det>";
  }
  return out;
}

std::string TvxnDS_pl008a::convPartNA() {
  return {};
}

// The products of 3.10 have no CEST, barcode, scale or benefit fields; a medicine may have several
// batches (one med per record of part K).
std::string TvxnDS_pl008a::ConvPartI() {
  static const TvxnListaCampos kMeio{"I",
                                     {"EXTIPI_I06", "CFOP_I08", "uCom_I09", "qCom_I10", "vUnCom_I10a",
                                      "vProd_I11", "cEANTrib_I12", "uTrib_I13", "qTrib_I14", "vUnTrib_I14a",
                                      "vFrete_I15", "vSeg_I16", "vDesc_I17", "vOutro_I17a", "indTot_I17b"}};
  return ConvProd(kMeio);
}

std::string TvxnDS_pl008a::ConvProd(const TvxnListaCampos& meio) {
  static const TvxnListaCampos kInicio{"I", {"cProd_I02", "cEAN_I03", "xProd_I04", "NCM_I05"}};
  static const TvxnListaCampos kPedido{"I", {"xPed_I60", "nItemPed_I61", "nFCI_I70"}};
  std::string out;
  out.reserve(1024);
  out = "<prod>";
  AppendFields(out, kInicio);
  out += ConvPartNVE();
  AppendFields(out, meio);
  out += ConvDI();
  out += ConvDetExport();
  AppendFields(out, kPedido);
  out += ConvPartJ();
  out += ConvPartK();
  out += ConvPartL();
  out += ConvPartL1();
  out += ConvPartL2();
  out += "</prod>";
  return out;
}

std::string TvxnDS_pl008a::ConvPartL1() {
  static const TvxnListaCampos kComb{
      "L1", {"cProdANP_LA02", "pMixGN_LA03", "CODIF_LA04", "qTemp_LA05", "UFCons_LA06"}};
  static const TvxnListaCampos kCIDE{"L1", {"qBCProd_LA08", "vAliqProd_LA09", "vCIDE_LA10"}};
  static const TvxnListaCampos kEncerrante{
      "L1", {"nBico_LA12", "nBomba_LA13", "nTanque_LA14", "vEncIni_LA15", "vEncFin_LA16"}};
  std::string conteudo;
  AppendFields(conteudo, kComb);
  std::string grupo;
  AppendFields(grupo, kCIDE);
  AppendGrupo(conteudo, "CIDE", grupo);
  grupo.clear();
  AppendFields(grupo, kEncerrante);
  AppendGrupo(conteudo, "encerrante", grupo);
  return Grupo("comb", conteudo);
}

namespace {

// The ICMS groups of 3.10: no FCP, no ST charged earlier beyond its base and value, CST 60 always in
// ICMS60 (the ICMSST group is for CST 41 alone).
const TvxnListaCampos k310ICMS00{"N",
                                 {"orig_N11", "CST_N12", "modBC_N13", "vBC_N15", "pICMS_N16", "vICMS_N17"}};
const TvxnListaCampos k310ICMS10{"N",
                                 {"orig_N11", "CST_N12", "modBC_N13", "vBC_N15", "pICMS_N16", "vICMS_N17",
                                  "modBCST_N18", "pMVAST_N19", "pRedBCST_N20", "vBCST_N21", "pICMSST_N22",
                                  "vICMSST_N23"}};
const TvxnListaCampos k310ICMS20{"N",
                                 {"orig_N11", "CST_N12", "modBC_N13", "pRedBC_N14", "vBC_N15", "pICMS_N16",
                                  "vICMS_N17", "vICMSDeson_N28a", "motDesICMS_N28"}};
const TvxnListaCampos k310ICMS30{"N",
                                 {"orig_N11", "CST_N12", "modBCST_N18", "pMVAST_N19", "pRedBCST_N20",
                                  "vBCST_N21", "pICMSST_N22", "vICMSST_N23", "vICMSDeson_N28a",
                                  "motDesICMS_N28"}};
const TvxnListaCampos k310ICMS40{"N", {"orig_N11", "CST_N12", "vICMSDeson_N28a", "motDesICMS_N28"}};
const TvxnListaCampos k310ICMSST{
    "N", {"orig_N11", "CST_N12", "vBCSTRet_N26", "vICMSSTRet_N27", "vBCSTDest_N31", "vICMSSTDest_N32"}};
const TvxnListaCampos k310ICMS51{"N",
                                 {"orig_N11", "CST_N12", "modBC_N13", "pRedBC_N14", "vBC_N15", "pICMS_N16",
                                  "vICMSOp_N16a", "pDif_N16b", "vICMSDif_N16c", "vICMS_N17"}};
const TvxnListaCampos k310ICMS60{"N", {"orig_N11", "CST_N12", "vBCSTRet_N26", "vICMSSTRet_N27"}};
const TvxnListaCampos k310ICMS70{"N",
                                 {"orig_N11", "CST_N12", "modBC_N13", "pRedBC_N14", "vBC_N15", "pICMS_N16",
                                  "vICMS_N17", "modBCST_N18", "pMVAST_N19", "pRedBCST_N20", "vBCST_N21",
                                  "pICMSST_N22", "vICMSST_N23", "vICMSDeson_N28a", "motDesICMS_N28"}};
const TvxnListaCampos k310ICMS90{"N",
                                 {"orig_N11", "CST_N12", "modBC_N13", "vBC_N15", "pRedBC_N14", "pICMS_N16",
                                  "vICMS_N17", "modBCST_N18", "pMVAST_N19", "pRedBCST_N20", "vBCST_N21",
                                  "pICMSST_N22", "vICMSST_N23", "vICMSDeson_N28a", "motDesICMS_N28"}};
const TvxnListaCampos k310ICMSPart{"N",
                                   {"orig_N11", "CST_N12", "modBC_N13", "vBC_N15", "pRedBC_N14", "pICMS_N16",
                                    "vICMS_N17", "modBCST_N18", "pMVAST_N19", "pRedBCST_N20", "vBCST_N21",
                                    "pICMSST_N22", "vICMSST_N23", "pBCOp_N25", "UFST_N24"}};
const TvxnListaCampos k310SN101{"N", {"orig_N11", "CSOSN_N12a", "pCredSN_N29", "vCredICMSSN_N30"}};
const TvxnListaCampos k310SN102{"N", {"orig_N11", "CSOSN_N12a"}};
const TvxnListaCampos k310SN201{"N",
                                {"orig_N11", "CSOSN_N12a", "modBCST_N18", "pMVAST_N19", "pRedBCST_N20",
                                 "vBCST_N21", "pICMSST_N22", "vICMSST_N23", "pCredSN_N29",
                                 "vCredICMSSN_N30"}};
const TvxnListaCampos k310SN202{"N",
                                {"orig_N11", "CSOSN_N12a", "modBCST_N18", "pMVAST_N19", "pRedBCST_N20",
                                 "vBCST_N21", "pICMSST_N22", "vICMSST_N23"}};
const TvxnListaCampos k310SN500{"N", {"orig_N11", "CSOSN_N12a", "vBCSTRet_N26", "vICMSSTRet_N27"}};
const TvxnListaCampos k310SN900{"N",
                                {"orig_N11", "CSOSN_N12a", "modBC_N13", "vBC_N15", "pRedBC_N14", "pICMS_N16",
                                 "vICMS_N17", "modBCST_N18", "pMVAST_N19", "pRedBCST_N20", "vBCST_N21",
                                 "pICMSST_N22", "vICMSST_N23", "pCredSN_N29", "vCredICMSSN_N30"}};

const TvxnDS_pl008a::TTabelaICMS kTabela310{&k310ICMS00, &k310ICMS10,   &k310ICMS20, &k310ICMS30, &k310ICMS40,
                                            &k310ICMSST, &k310ICMS51,   &k310ICMS60, nullptr,     &k310ICMS70,
                                            &k310ICMS90, &k310ICMSPart, &k310SN101,  &k310SN102,  &k310SN201,
                                            &k310SN202,  &k310SN500,    &k310SN900};

} // namespace

std::string TvxnDS_pl008a::ConvPartN() {
  return ConvICMS(kTabela310);
}

std::string TvxnDS_pl008a::ConvPartW() {
  static const TvxnListaCampos kICMSTot{"W",
                                        {"vBC_W03", "vICMS_W04", "vICMSDeson_W04a", "vBCST_W05", "vST_W06",
                                         "vProd_W07", "vFrete_W08", "vSeg_W09", "vDesc_W10", "vII_W11",
                                         "vIPI_W12", "vPIS_W13", "vCOFINS_W14", "vOutro_W15", "vNF_W16",
                                         "vTotTrib_W16a"}};
  return ConvTotal(kICMSTot);
}

std::string TvxnDS_pl008a::ConvTotal(const TvxnListaCampos& icmsTot) {
  static const TvxnListaCampos kISSQNtot{"W",
                                         {"vServ_W18", "vBC_W19", "vISS_W20", "vPIS_W21", "vCOFINS_W22",
                                          "dCompet_W22a", "vDeducao_W22b", "vOutro_W22c", "vDescIncond_W22d",
                                          "vDescCond_W22e", "vISSRet_W22f", "cRegTrib_W22g"}};
  return TvxnNFeCustomDataSet::ConvTotal(icmsTot, kISSQNtot);
}

std::string TvxnDS_pl008a::ConvPag() {
  static const TvxnListaCampos kPag{"YA", {"tPag_YA02", "vPag_YA03"}};
  static const TvxnListaCampos kCard{"YA", {"tpIntegra_YA04a", "CNPJ_YA05", "tBand_YA06", "cAut_YA07"}};
  std::string out;
  AppendRepetido(out, "YA", "<pag>", "</pag>", [this](const TXmlDataSetNFe&) {
    std::string pag;
    AppendFields(pag, kPag);
    if (pag.empty())
      return pag;
    std::string card;
    AppendFields(card, kCard);
    AppendGrupo(pag, "card", card);
    return pag;
  });
  return out;
}

std::string TvxnDS_pl008a::ConvPartE() {
  static const TvxnListaCampos kDest{"E", {"CNPJ_E02", "CPF_E03", "idEstrangeiro_E03a", "xNome_E04"}};
  static const TvxnListaCampos kEnder{"E",
                                      {"xLgr_E06", "nro_E07", "xCpl_E08", "xBairro_E09", "cMun_E10",
                                       "xMun_E11", "UF_E12", "CEP_E13", "cPais_E14", "xPais_E15",
                                       "fone_E16"}};
  static const TvxnListaCampos kFim{"E", {"indIEDest_E16a", "IE_E17", "ISUF_E18", "IM_E18a", "email_E19"}};
  std::string out = "<dest>";
  AppendFields(out, kDest);
  out += "<enderDest>";
  AppendFields(out, kEnder);
  out += "</enderDest>";
  AppendFields(out, kFim);
  out += "</dest>";
  return out;
}

std::string TvxnDS_pl008a::ConvExporta() {
  static const TvxnModeloXml kExporta{"@z(UFSaidaPais_ZA02)@z(xLocExporta_ZA03)@z(xLocDespacho_ZA04)"};
  std::string conteudo;
  AppendTemplate(conteudo, kExporta);
  return Grupo("exporta", conteudo);
}

std::string TvxnDS_pl008a::ConvPartL2() {
  return ConvertFieldParaXML(FindDataSet("L2"), "nRECOPI_LB01");
}

std::string TvxnDS_pl008a::ConvPartUB() {
  std::string conteudo = ConvertFieldParaXML(FindDataSet("UB"), "pDevol_UA02");
  AppendGrupo(conteudo, "IPI", ConvertFieldParaXML(FindDataSet("UB"), "vIPIDevol_UA04"));
  return Grupo("impostoDevol", conteudo);
}

std::string TvxnDS_pl008a::ConvPartNVE() {
  std::string out;
  TXmlDataSetNFe& nve = FindDataSet("NVE");
  const TXmlFieldNFe& campo = static_cast<const TXmlFieldNFe&>(nve.FieldByName("NVE_I05a"));
  for (nve.First(); !nve.Eof(); nve.Next())
    AppendFieldXML(out, campo);
  return out;
}

// ---------------------------------------------------------------- pl_008g

void TvxnDS_pl008g::AddDataSetsListaItemNFe() {
  SetPartsNFeItem({"H", "I", "NVE", "J", "K",  "L", "M",  "N",   "NA",        "O",         "P",  "Q",
                   "R", "S", "T",   "U", "UB", "V", "DI", "ADI", "DETEXPORT", "EXPORTIND", "L1", "L2"});
}

std::string TvxnDS_pl008g::ConvPartI() {
  static const TvxnListaCampos kMeio{"I",
                                     {"CEST_I05c", "EXTIPI_I06", "CFOP_I08", "uCom_I09", "qCom_I10",
                                      "vUnCom_I10a", "vProd_I11", "cEANTrib_I12", "uTrib_I13", "qTrib_I14",
                                      "vUnTrib_I14a", "vFrete_I15", "vSeg_I16", "vDesc_I17", "vOutro_I17a",
                                      "indTot_I17b"}};
  return ConvProd(kMeio);
}

std::string TvxnDS_pl008g::ConvPartW() {
  static const TvxnListaCampos kICMSTot{
      "W",
      {"vBC_W03", "vICMS_W04", "vICMSDeson_W04a", "vFCPUFDest_W04c", "vICMSUFDest_W04e", "vICMSUFRemet_W04g",
       "vBCST_W05", "vST_W06", "vProd_W07", "vFrete_W08", "vSeg_W09", "vDesc_W10", "vII_W11", "vIPI_W12",
       "vPIS_W13", "vCOFINS_W14", "vOutro_W15", "vNF_W16", "vTotTrib_W16a"}};
  return ConvTotal(kICMSTot);
}

std::string TvxnDS_pl008g::convPartNA() {
  static const TvxnListaCampos kUFDest{"NA",
                                       {"vBCUFDest_NA03", "pFCPUFDest_NA05", "pICMSUFDest_NA07",
                                        "pICMSInter_NA09", "pICMSInterPart_NA11", "vFCPUFDest_NA13",
                                        "vICMSUFDest_NA15", "vICMSUFRemet_NA17"}};
  std::string conteudo;
  AppendFields(conteudo, kUFDest);
  return Grupo("ICMSUFDest", conteudo);
}

} // namespace vxn
