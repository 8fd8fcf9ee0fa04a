// The builders of the tax reform package (PL_010): the groups that package added to the pl_009p forms,
// written in the order of its nfe_v4.00.xsd and DFeTiposBasicos_v1.00.xsd.
#include "vxnNFeVersionDataSets.h"

namespace vxn {

namespace {

using TvxnNoXml = TvxnDS_pl010::TvxnNoXml;

// The selective tax of the item (TIS).
const std::vector<TvxnNoXml>& ArvoreIS() {
  static const std::vector<TvxnNoXml> kArvore{
      {"CSTIS", "CSTIS_UB02"},       {"cClassTribIS", "cClassTribIS_UB03"},
      {"vBCIS", "vBCIS_UB04"},       {"pIS", "pIS_UB05"},
      {"pISEspec", "pISEspec_UB06"}, {"uTrib", "uTrib_UB07"},
      {"qTrib", "qTrib_UB08"},       {"vIS", "vIS_UB09"}};
  return kArvore;
}

// The IBS and CBS of the item (TTribNFe): the groups of one choice are all listed; the document holds the
// fields of the one that applies.
const std::vector<TvxnNoXml>& ArvoreIBSCBS() {
  static const std::vector<TvxnNoXml> kArvore{
      {"CST", "CST_UB11"},
      {"cClassTrib", "cClassTrib_UB12"},
      {"indDoacao", "indDoacao_UB13"},
      {"gIBSCBS",
       {{"vBC", "vBC_UB15"},
        {"gIBSUF",
         {{"pIBSUF", "pIBSUF_UB17"},
          {"gDif", {{"pDif", "pDif_UB19"}, {"vDif", "vDif_UB20"}}},
          {"gDevTrib", {{"vDevTrib", "vDevTrib_UB22"}}},
          {"gRed", {{"pRedAliq", "pRedAliq_UB24"}, {"pAliqEfet", "pAliqEfet_UB25"}}},
          {"vIBSUF", "vIBSUF_UB26"}}},
        {"gIBSMun",
         {{"pIBSMun", "pIBSMun_UB28"},
          {"gDif", {{"pDif", "pDif_UB30"}, {"vDif", "vDif_UB31"}}},
          {"gDevTrib", {{"vDevTrib", "vDevTrib_UB33"}}},
          {"gRed", {{"pRedAliq", "pRedAliq_UB35"}, {"pAliqEfet", "pAliqEfet_UB36"}}},
          {"vIBSMun", "vIBSMun_UB37"}}},
        {"vIBS", "vIBS_UB38"},
        {"gCBS",
         {{"pCBS", "pCBS_UB40"},
          {"gDif", {{"pDif", "pDif_UB42"}, {"vDif", "vDif_UB43"}}},
          {"gDevTrib", {{"vDevTrib", "vDevTrib_UB45"}}},
          {"gRed", {{"pRedAliq", "pRedAliq_UB47"}, {"pAliqEfet", "pAliqEfet_UB48"}}},
          {"vCBS", "vCBS_UB49"}}},
        {"gTribRegular",
         {{"CSTReg", "CSTReg_UB51"},
          {"cClassTribReg", "cClassTribReg_UB52"},
          {"pAliqEfetRegIBSUF", "pAliqEfetRegIBSUF_UB53"},
          {"vTribRegIBSUF", "vTribRegIBSUF_UB54"},
          {"pAliqEfetRegIBSMun", "pAliqEfetRegIBSMun_UB55"},
          {"vTribRegIBSMun", "vTribRegIBSMun_UB56"},
          {"pAliqEfetRegCBS", "pAliqEfetRegCBS_UB57"},
          {"vTribRegCBS", "vTribRegCBS_UB58"}}},
        {"gTribCompraGov",
         {{"pAliqIBSUF", "pAliqIBSUF_UB60"},
          {"vTribIBSUF", "vTribIBSUF_UB61"},
          {"pAliqIBSMun", "pAliqIBSMun_UB62"},
          {"vTribIBSMun", "vTribIBSMun_UB63"},
          {"pAliqCBS", "pAliqCBS_UB64"},
          {"vTribCBS", "vTribCBS_UB65"}}}}},
      {"gIBSCBSMono",
       {{"gMonoPadrao",
         {{"qBCMono", "qBCMono_UB68"},
          {"adRemIBS", "adRemIBS_UB69"},
          {"adRemCBS", "adRemCBS_UB70"},
          {"vIBSMono", "vIBSMono_UB71"},
          {"vCBSMono", "vCBSMono_UB72"}}},
        {"gMonoReten",
         {{"qBCMonoReten", "qBCMonoReten_UB74"},
          {"adRemIBSReten", "adRemIBSReten_UB75"},
          {"vIBSMonoReten", "vIBSMonoReten_UB76"},
          {"adRemCBSReten", "adRemCBSReten_UB77"},
          {"vCBSMonoReten", "vCBSMonoReten_UB78"}}},
        {"gMonoRet",
         {{"qBCMonoRet", "qBCMonoRet_UB80"},
          {"adRemIBSRet", "adRemIBSRet_UB81"},
          {"vIBSMonoRet", "vIBSMonoRet_UB82"},
          {"adRemCBSRet", "adRemCBSRet_UB83"},
          {"vCBSMonoRet", "vCBSMonoRet_UB84"}}},
        {"gMonoDif",
         {{"pDifIBS", "pDifIBS_UB86"},
          {"vIBSMonoDif", "vIBSMonoDif_UB87"},
          {"pDifCBS", "pDifCBS_UB88"},
          {"vCBSMonoDif", "vCBSMonoDif_UB89"}}},
        {"vTotIBSMonoItem", "vTotIBSMonoItem_UB90"},
        {"vTotCBSMonoItem", "vTotCBSMonoItem_UB91"}}},
      {"gTransfCred", {{"vIBS", "vIBS_UB93"}, {"vCBS", "vCBS_UB94"}}},
      {"gAjusteCompet", {{"competApur", "competApur_UB96"}, {"vIBS", "vIBS_UB97"}, {"vCBS", "vCBS_UB98"}}},
      {"gEstornoCred", {{"vIBSEstCred", "vIBSEstCred_UB100"}, {"vCBSEstCred", "vCBSEstCred_UB101"}}},
      {"gCredPresOper",
       {{"vBCCredPres", "vBCCredPres_UB103"},
        {"cCredPres", "cCredPres_UB104"},
        {"gIBSCredPres",
         {{"pCredPres", "pCredPres_UB106"},
          {"vCredPres", "vCredPres_UB107"},
          {"vCredPresCondSus", "vCredPresCondSus_UB108"}}},
        {"gCBSCredPres",
         {{"pCredPres", "pCredPres_UB110"},
          {"vCredPres", "vCredPres_UB111"},
          {"vCredPresCondSus", "vCredPresCondSus_UB112"}}}}},
      {"gCredPresIBSZFM",
       {{"competApur", "competApur_UB114"},
        {"tpCredPresIBSZFM", "tpCredPresIBSZFM_UB115"},
        {"vCredPresIBSZFM", "vCredPresIBSZFM_UB116"}}}};
  return kArvore;
}

// The totals of the selective tax (TISTot) and of the IBS and CBS (TIBSCBSMonoTot).
const std::vector<TvxnNoXml>& ArvoreTotais() {
  static const std::vector<TvxnNoXml> kArvore{
      {"ISTot", {{"vIS", "vIS_W32"}}},
      {"IBSCBSTot",
       {{"vBCIBSCBS", "vBCIBSCBS_W34"},
        {"gIBS",
         {{"gIBSUF", {{"vDif", "vDif_W37"}, {"vDevTrib", "vDevTrib_W38"}, {"vIBSUF", "vIBSUF_W39"}}},
          {"gIBSMun", {{"vDif", "vDif_W41"}, {"vDevTrib", "vDevTrib_W42"}, {"vIBSMun", "vIBSMun_W43"}}},
          {"vIBS", "vIBS_W44"},
          {"vCredPres", "vCredPres_W45"},
          {"vCredPresCondSus", "vCredPresCondSus_W46"}}},
        {"gCBS",
         {{"vDif", "vDif_W48"},
          {"vDevTrib", "vDevTrib_W49"},
          {"vCBS", "vCBS_W50"},
          {"vCredPres", "vCredPres_W51"},
          {"vCredPresCondSus", "vCredPresCondSus_W52"}}},
        {"gMono",
         {{"vIBSMono", "vIBSMono_W54"},
          {"vCBSMono", "vCBSMono_W55"},
          {"vIBSMonoReten", "vIBSMonoReten_W56"},
          {"vCBSMonoReten", "vCBSMonoReten_W57"},
          {"vIBSMonoRet", "vIBSMonoRet_W58"},
          {"vCBSMonoRet", "vCBSMonoRet_W59"}}},
        {"gEstornoCred", {{"vIBSEstCred", "vIBSEstCred_W61"}, {"vCBSEstCred", "vCBSEstCred_W62"}}}}}};
  return kArvore;
}

} // namespace

void TvxnDS_pl010::AddDataSetsListaNFE() {
  SetPartsNFe({"A",        "B",       "C",   "D",     "E",       "F",       "G",       "AUTXML",
               "PAGANTEC", "X",       "W",   "Y",     "YA01",    "YA",      "YB",      "Z",
               "ZD",       "REBOQUE", "VOL", "LACRE", "PROCREF", "OBSCONT", "MANAGER", "ZF"});
}

// IS, IBSCBS and VB (the item's total and referenced DF-e) are one record per item, like V.
void TvxnDS_pl010::AddDataSetsListaItemNFe() {
  SetPartsNFeItem({"H",  "I",      "I80", "NVE", "J",   "K",         "L",         "M",  "N", "NA",
                   "O",  "P",      "Q",   "R",   "S",   "T",         "U",         "UB", "V", "VA",
                   "IS", "IBSCBS", "VB",  "DI",  "ADI", "DETEXPORT", "EXPORTIND", "L1", "L2"});
}

// ide with the reform's fields, then after the references the government purchase and the advance
// payments.
void TvxnDS_pl010::AppendCamposIde(std::string& out) {
  static const TvxnListaCampos kCampos{
      "B", {"cUF_B02",       "cNF_B03",      "natOp_B04",        "mod_B06",           "serie_B07",
            "nNF_B08",       "dhEmi_B09",    "dhSaiEnt_B10",     "dPrevEntrega_B10a", "tpNF_B11",
            "idDest_B11a",   "cMunFG_B12",   "cMunFGIBS_B12b",   "tpImp_B21",         "tpEmis_B22",
            "cDV_B23",       "tpAmb_B24",    "finNFe_B25",       "tpNFDebito_B25d",   "tpNFCredito_B25e",
            "indFinal_B25a", "indPres_B25b", "indIntermed_B25c", "procEmi_B26",       "verProc_B27",
            "dhCont_B28",    "xJust_B29"}};
  static const TvxnListaCampos kCompraGov{"B", {"tpEnteGov_B31", "pRedutor_B32", "tpOperGov_B33"}};
  AppendFields(out, kCampos);
  out += ConvPartRef();
  std::string grupo;
  AppendFields(grupo, kCompraGov);
  AppendGrupo(out, "gCompraGov", grupo);
  grupo.clear();
  AppendRepetido(grupo, "PAGANTEC", "", "", [](const TXmlDataSetNFe& p) { return CamposXML(p); });
  AppendGrupo(out, "gPagAntecipado", grupo);
}

std::string TvxnDS_pl010::ConvTributosReforma() {
  std::string out;
  std::string grupo;
  AppendArvore(grupo, FindDataSet("IS"), ArvoreIS());
  AppendGrupo(out, "IS", grupo);
  grupo.clear();
  AppendArvore(grupo, FindDataSet("IBSCBS"), ArvoreIBSCBS());
  AppendGrupo(out, "IBSCBS", grupo);
  return out;
}

// vItem, then DFeReferenciado (the key and, when given, the item of the referenced document).
std::string TvxnDS_pl010::ConvPartVB() {
  static const std::vector<TvxnNoXml> kArvore{
      {"vItem", "vItem_VB01"},
      {"DFeReferenciado", {{"chaveAcesso", "chaveAcesso_VC02"}, {"nItem", "nItem_VC03"}}}};
  std::string out;
  AppendArvore(out, FindDataSet("VB"), kArvore);
  return out;
}

std::string TvxnDS_pl010::ConvTotaisReforma() {
  static const TvxnListaCampos kNFTot{"W", {"vNFTot_W63"}};
  std::string out;
  AppendArvore(out, FindDataSet("W"), ArvoreTotais());
  AppendFields(out, kNFTot);
  return out;
}

void TvxnDS_pl010::AppendArvore(std::string& out, const TXmlDataSetNFe& part,
                                const std::vector<TvxnNoXml>& nos) {
  for (const TvxnNoXml& no : nos) {
    if (no.filhos.empty()) {
      AppendFieldXML(out, static_cast<const TXmlFieldNFe&>(part.FieldByName(no.campo)));
      continue;
    }
    std::string grupo;
    AppendArvore(grupo, part, no.filhos);
    AppendGrupo(out, no.tag, grupo);
  }
}

// The reform's elements of prod: the presumed IBS credit class of a supply from the Manaus Free Trade
// Zone, and the mark of a used movable good.
std::string TvxnDS_pl010::ConvProdCredPresZFM() {
  static const TvxnListaCampos kCampos{"I", {"tpCredPresIBSZFM_I05k"}};
  std::string out;
  AppendFields(out, kCampos);
  return out;
}

std::string TvxnDS_pl010::ConvProdBemMovelUsado() {
  static const TvxnListaCampos kCampos{"I", {"indBemMovelUsado_I17c"}};
  std::string out;
  AppendFields(out, kCampos);
  return out;
}

// ICMSPart as the package has it: for CST 20 too, with the exempted ICMS after UFST.
std::string TvxnDS_pl010::ConvPartN() {
  std::string grupo = GrupoICMSSN();
  if (grupo.empty())
    grupo = GrupoICMS400p(true);
  if (grupo.empty())
    return {};
  return "<ICMS>" + grupo + "</ICMS>";
}

} // namespace vxn
