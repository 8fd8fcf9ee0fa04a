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

// "<tag>content</tag>", or "" when the content is empty.
std::string Grupo(std::string_view tag, std::string_view conteudo) {
  if (conteudo.empty())
    return {};
  std::string out;
  out.reserve(conteudo.size() + 2 * tag.size() + 5);
  out.append("<").append(tag).append(">").append(conteudo).append("</").append(tag).append(">");
  return out;
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

std::string TvxnDS_pl008a::DocumentoChave() {
  std::string documento(Campo("CNPJ_D02").Value());
  if (documento.empty())
    documento = Campo("CPF_C02a").Value();
  if (documento.empty())
    documento = Campo("CNPJ_C02").Value();
  if (Utf8Length(documento) == 11)
    documento = "000" + documento;
  return documento;
}

std::string TvxnDS_pl008a::ConvPartA() {
  TXmlDataSetNFe& b = FindDataSet("B");
  b.First();
  TXmlDataSetNFe& a = FindDataSet("A");
  if (!Editing(a))
    a.Edit();
  const std::string documento = DocumentoChave();
  const std::string cNF(Campo("cNF_B03").Value());
  const std::string chave =
      CalculaChave(Campo("dhEmi_B09").Value(), Campo("cUF_B02").Value(), documento, Campo("mod_B06").Value(),
                   Campo("serie_B07").Value(), Campo("nNF_B08").Value(), Campo("tpEmis_B22").Value(), cNF,
                   TvxnLogDir{GetDiretorioLogErro()});
  TXmlFieldNFe& id = Campo("Id_A03");
  id.SetAsString("NFe" + chave);
  a.Post();
  if (!Editing(b))
    b.Edit();
  Campo("cNF_B03").SetAsString(TvxnGovUtils().Czro(cNF, 8));
  Campo("cDV_B23").SetAsString(chave.substr(chave.size() - 1));
  b.Post();
  std::string out = "<infNFe ";
  AppendFieldXML(out, id);
  out += ' ';
  AppendFieldXML(out, Campo("versao_A02"));
  out += '>';
  return out;
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

std::string TvxnDS_pl008a::ConvLocal(std::string_view tag, const TvxnListaCampos& campos) {
  std::string conteudo;
  AppendFields(conteudo, campos);
  if (conteudo.empty())
    return {};
  std::string out = "<";
  out.append(tag).append(">");
  // The place must be identified: an empty CNPJ element stands in when neither document is known.
  if (conteudo.find("<CNPJ>") == std::string::npos && conteudo.find("<CPF>") == std::string::npos)
    out += "<CNPJ/>";
  out.append(conteudo).append("</").append(tag).append(">");
  return out;
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

std::string TvxnDS_pl008a::ConvPartK() {
  static const TvxnListaCampos kMed{"K", {"nLote_K02", "qLote_K03", "dFab_K04", "dVal_K05", "vPMC_K06"}};
  std::string out;
  AppendRepetido(out, "K", "<med>", "</med>", [this](const TXmlDataSetNFe&) {
    std::string med;
    AppendFields(med, kMed);
    return med;
  });
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

// Fuel products (ANP codes) whose ICMS charged earlier by substitution goes in the ICMSST group.
constexpr std::string_view kCombustiveis[] = {
    "210203001", "320101001", "320101002", "320102002", "320102001", "320102003", "320102005", "320201001",
    "320103001", "220102001", "320301001", "320103002", "820101032", "820101026", "820101027", "820101004",
    "820101005", "820101022", "820101031", "820101030", "820101014", "820101006", "820101016", "820101015",
    "820101025", "820101017", "820101018", "820101019", "820101020", "820101021", "420105001", "420101005",
    "420101004", "420102005", "420102004", "420104001", "820101033", "820101034", "420106001", "820101011",
    "820101003", "820101013", "820101012", "420106002", "830101001", "420301004", "420202001", "420301001",
    "420301002", "410103001", "410101001", "410102001", "430101004", "510101001", "510101002", "510102001",
    "510102002", "510201001", "510201003", "510301003", "510103001", "510301001"};

} // namespace

bool ProdutoCombustivelICMSST(std::string_view cProdANP) {
  for (std::string_view codigo : kCombustiveis)
    if (codigo == cProdANP)
      return true;
  return false;
}

std::string TvxnDS_pl008a::GrupoICMSDe(const TTabelaICMS& t) {
  const std::string_view cst = Campo("CST_N12").Value();
  // The transfer (repasse) of ICMS charged earlier to the destination state.
  const bool repasse = !Campo("vBCSTDest_N31").Value().empty() || !Campo("vICMSSTDest_N32").Value().empty();
  const bool partilha = !Campo("UFST_N24").Value().empty();
  std::string_view tag;
  const TvxnListaCampos* campos = nullptr;
  if (cst == "00")
    tag = "ICMS00", campos = t.icms00;
  else if (cst == "10")
    tag = partilha ? "ICMSPart" : "ICMS10", campos = partilha ? t.icmsPart : t.icms10;
  else if (cst == "20")
    tag = "ICMS20", campos = t.icms20;
  else if (cst == "30")
    tag = "ICMS30", campos = t.icms30;
  else if (cst == "40" || cst == "50" || (cst == "41" && !repasse))
    tag = "ICMS40", campos = t.icms40;
  else if (cst == "41")
    tag = "ICMSST", campos = t.icmsST41;
  else if (cst == "51")
    tag = "ICMS51", campos = t.icms51;
  else if (cst == "60" && t.icmsST60 && (repasse || ProdutoCombustivelICMSST(Campo("cProdANP_LA02").Value())))
    tag = "ICMSST", campos = t.icmsST60;
  else if (cst == "60")
    tag = "ICMS60", campos = t.icms60;
  else if (cst == "70")
    tag = "ICMS70", campos = t.icms70;
  else if (cst == "90")
    tag = partilha ? "ICMSPart" : "ICMS90", campos = partilha ? t.icmsPart : t.icms90;
  if (!campos)
    return {};
  std::string conteudo;
  AppendFields(conteudo, *campos);
  std::string out;
  AppendGrupo(out, tag, conteudo);
  return out;
}

std::string TvxnDS_pl008a::GrupoICMSSNDe(const TTabelaICMS& t) {
  const std::string_view csosn = Campo("CSOSN_N12a").Value();
  std::string_view tag;
  const TvxnListaCampos* campos = nullptr;
  if (csosn == "101")
    tag = "ICMSSN101", campos = t.sn101;
  else if (csosn == "102" || csosn == "103" || csosn == "300" || csosn == "400")
    tag = "ICMSSN102", campos = t.sn102;
  else if (csosn == "201")
    tag = "ICMSSN201", campos = t.sn201;
  else if (csosn == "202" || csosn == "203")
    tag = "ICMSSN202", campos = t.sn202;
  else if (csosn == "500")
    tag = "ICMSSN500", campos = t.sn500;
  else if (csosn == "900")
    tag = "ICMSSN900", campos = t.sn900;
  if (!campos)
    return {};
  std::string conteudo;
  AppendFields(conteudo, *campos);
  std::string out;
  AppendGrupo(out, tag, conteudo);
  return out;
}

std::string TvxnDS_pl008a::ConvPartN() {
  std::string grupo = GrupoICMSSNDe(kTabela310);
  if (grupo.empty())
    grupo = GrupoICMSDe(kTabela310);
  return Grupo("ICMS", grupo);
}

std::string TvxnDS_pl008a::ConvPartO() {
  static const TvxnListaCampos kIPI{"O", {"clEnq_O02", "CNPJProd_O03", "cSelo_O04", "qSelo_O05", "cEnq_O06"}};
  return ConvIPI(kIPI);
}

std::string TvxnDS_pl008a::ConvIPI(const TvxnListaCampos& cabecalho) {
  static const TvxnListaCampos kTrib{
      "O", {"CST_O09", "vBC_O10", "pIPI_O13", "qUnid_O11", "vUnid_O12", "vIPI_O14"}};
  static const TvxnListaCampos kNT{"O", {"CST_O09"}};
  const std::string_view cst = Campo("CST_O09").Value();
  const TvxnListaCampos* grupo = nullptr;
  const char* tag = nullptr;
  if (cst == "00" || cst == "49" || cst == "50" || cst == "99") {
    grupo = &kTrib;
    tag = "IPITrib";
  } else if (cst.size() == 2 && ((cst >= "01" && cst <= "05") || (cst >= "51" && cst <= "55"))) {
    grupo = &kNT;
    tag = "IPINT";
  }
  std::string conteudo;
  AppendFields(conteudo, cabecalho);
  if (grupo) {
    std::string campos;
    AppendFields(campos, *grupo);
    AppendGrupo(conteudo, tag, campos);
  }
  return Grupo("IPI", conteudo);
}

std::string TvxnDS_pl008a::ConvPartR() {
  static const TvxnListaCampos kPISST{"R",
                                      {"vBC_R02", "pPIS_R03", "qBCProd_R04", "vAliqProd_R05", "vPIS_R06"}};
  std::string conteudo;
  AppendFields(conteudo, kPISST);
  return Grupo("PISST", conteudo);
}

std::string TvxnDS_pl008a::ConvPartT() {
  static const TvxnListaCampos kCOFINSST{
      "T", {"vBC_T02", "pCOFINS_T03", "qBCProd_T04", "vAliqProd_T05", "vCOFINS_T06"}};
  std::string conteudo;
  AppendFields(conteudo, kCOFINSST);
  return Grupo("COFINSST", conteudo);
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
  static const TvxnListaCampos kRetTrib{"W",
                                        {"vRetPIS_W24", "vRetCOFINS_W25", "vRetCSLL_W26", "vBCIRRF_W27",
                                         "vIRRF_W28", "vBCRetPrev_W29", "vRetPrev_W30"}};
  std::string out = "<total><ICMSTot>";
  AppendFields(out, icmsTot);
  out += "</ICMSTot>";
  std::string grupo;
  AppendFields(grupo, kISSQNtot);
  AppendGrupo(out, "ISSQNtot", grupo);
  grupo.clear();
  AppendFields(grupo, kRetTrib);
  AppendGrupo(out, "retTrib", grupo);
  out += "</total>";
  return out;
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

namespace {

enum class TGrupoPIS { Nenhum, Aliq, Qtde, NT, Outr };

// The PIS and COFINS group of a CST; the comparison is exact, so " 1" or "1" select nothing.
TGrupoPIS GrupoPorCST(std::string_view cst) {
  if (cst == "01" || cst == "02")
    return TGrupoPIS::Aliq;
  if (cst == "03")
    return TGrupoPIS::Qtde;
  for (std::string_view nt : {"04", "05", "06", "07", "08", "09"})
    if (cst == nt)
      return TGrupoPIS::NT;
  for (std::string_view outr : {"49", "50", "51", "52", "53", "54", "55", "56", "60", "61", "62", "63",
                                "64", "65", "66", "67", "70", "71", "72", "73", "74", "75", "98", "99"})
    if (cst == outr)
      return TGrupoPIS::Outr;
  return TGrupoPIS::Nenhum;
}

} // namespace

std::string TvxnDS_pl008a::ConvPartQ() {
  static const TvxnModeloXml kAliq{"<PISAliq>@q(CST_Q06)@q(VBC_Q07)@q(PPIS_Q08)@q(VPIS_Q09)</PISAliq>"};
  static const TvxnModeloXml kQtde{
      "<PISQtde>@q(CST_Q06)@q(QBCPROD_Q10)@q(VALIQPROD_Q11)@q(VPIS_Q09)</PISQtde>"};
  static const TvxnModeloXml kNT{"<PISNT>@q(CST_Q06)</PISNT>"};
  static const TvxnModeloXml kOutr{
      "<PISOutr>@q(CST_Q06)@q(VBC_Q07)@q(PPIS_Q08)@q(QBCPROD_Q10)@q(VALIQPROD_Q11)@q(VPIS_Q09)</PISOutr>"};
  const TvxnModeloXml* modelos[] = {nullptr, &kAliq, &kQtde, &kNT, &kOutr};
  const TvxnModeloXml* modelo = modelos[static_cast<int>(GrupoPorCST(Campo("CST_Q06").Value()))];
  if (!modelo)
    return {};
  std::string out = "<PIS>";
  AppendTemplate(out, *modelo);
  out += "</PIS>";
  return out;
}

std::string TvxnDS_pl008a::ConvPartS() {
  static const TvxnModeloXml kAliq{
      "<COFINSAliq>@s(CST_S06)@s(VBC_S07)@s(PCOFINS_S08)@s(VCOFINS_S11)</COFINSAliq>"};
  static const TvxnModeloXml kQtde{
      "<COFINSQtde>@s(CST_S06)@s(QBCPROD_S09)@s(VALIQPROD_S10)@s(VCOFINS_S11)</COFINSQtde>"};
  static const TvxnModeloXml kNT{"<COFINSNT>@s(CST_S06)</COFINSNT>"};
  static const TvxnModeloXml kOutr{"<COFINSOutr>@s(CST_S06)@s(VBC_S07)@s(PCOFINS_S08)@s(QBCPROD_S09)"
                                   "@s(VALIQPROD_S10)@s(VCOFINS_S11)</COFINSOutr>"};
  const TvxnModeloXml* modelos[] = {nullptr, &kAliq, &kQtde, &kNT, &kOutr};
  const TvxnModeloXml* modelo = modelos[static_cast<int>(GrupoPorCST(Campo("CST_S06").Value()))];
  if (!modelo)
    return {};
  std::string out = "<COFINS>";
  AppendTemplate(out, *modelo);
  out += "</COFINS>";
  return out;
}

std::string TvxnDS_pl008a::ConvPartRef() {
  static const TvxnListaCampos kRefNFe{"NREF", {"refNFe_BA02"}};
  static const TvxnListaCampos kRefNF{
      "NREF", {"cUF_BA04", "AAMM_BA05", "CNPJ_BA06", "mod_BA07", "serie_BA08", "nNF_BA09"}};
  static const TvxnListaCampos kRefNFP{
      "NREF",
      {"cUF_BA11", "AAMM_BA12", "CNPJ_BA13", "CPF_BA14", "IE_BA15", "mod_BA16", "serie_BA17", "nNF_BA18"}};
  static const TvxnListaCampos kRefCTe{"NREF", {"refCTe_BA19"}};
  static const TvxnListaCampos kRefECF{"NREF", {"mod_BA21", "nECF_BA22", "nCOO_BA23"}};
  std::string out;
  AppendRepetido(out, "NREF", "<NFref>", "</NFref>", [this](const TXmlDataSetNFe&) {
    std::string conteudo;
    AppendFields(conteudo, kRefNFe);
    std::string grupo;
    AppendFields(grupo, kRefNF);
    AppendGrupo(conteudo, "refNF", grupo);
    grupo.clear();
    AppendFields(grupo, kRefNFP);
    AppendGrupo(conteudo, "refNFP", grupo);
    AppendFields(conteudo, kRefCTe);
    grupo.clear();
    AppendFields(grupo, kRefECF);
    AppendGrupo(conteudo, "refECF", grupo);
    return conteudo;
  });
  return out;
}

std::string TvxnDS_pl008a::ConvPartY() {
  static const TvxnListaCampos kFat{"Y", {"nFat_Y03", "vOrig_Y04", "vDesc_Y05", "vLiq_Y06"}};
  static const TvxnListaCampos kDup{"DUP", {"nDup_Y08", "dVenc_Y09", "vDup_Y10"}};
  std::string fat;
  AppendFields(fat, kFat);
  std::string conteudo = Grupo("fat", fat);
  AppendRepetido(conteudo, "DUP", "<dup>", "</dup>", [this](const TXmlDataSetNFe&) {
    std::string dup;
    AppendFields(dup, kDup);
    return dup;
  });
  return Grupo("cobr", conteudo);
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
