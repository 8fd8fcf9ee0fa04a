// The group builders of layout 2.00 (pl_006e ... pl_006v), each in the class of the package where its
// group took its 2.00 form; 3.10 and 4.00 keep the issuer, transport, billing, references, PIS, COFINS and
// additional information in this form.
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

// The ICMS groups of 2.00: ICMS40 with its value and the reason of the exemption, no exempted ICMS
// elsewhere, CST 60 always in ICMS60.
const TvxnListaCampos k200ICMS00{"N",
                                 {"orig_N11", "CST_N12", "modBC_N13", "vBC_N15", "pICMS_N16", "vICMS_N17"}};
const TvxnListaCampos k200ICMS10{"N",
                                 {"orig_N11", "CST_N12", "modBC_N13", "vBC_N15", "pICMS_N16", "vICMS_N17",
                                  "modBCST_N18", "pMVAST_N19", "pRedBCST_N20", "vBCST_N21", "pICMSST_N22",
                                  "vICMSST_N23"}};
const TvxnListaCampos k200ICMS20{
    "N", {"orig_N11", "CST_N12", "modBC_N13", "pRedBC_N14", "vBC_N15", "pICMS_N16", "vICMS_N17"}};
const TvxnListaCampos k200ICMS30{"N",
                                 {"orig_N11", "CST_N12", "modBCST_N18", "pMVAST_N19", "pRedBCST_N20",
                                  "vBCST_N21", "pICMSST_N22", "vICMSST_N23"}};
const TvxnListaCampos k200ICMS40{"N", {"orig_N11", "CST_N12", "vICMS_N17", "motDesICMS_N28"}};
const TvxnListaCampos k200ICMSST{
    "N", {"orig_N11", "CST_N12", "vBCSTRet_N26", "vICMSSTRet_N27", "vBCSTDest_N31", "vICMSSTDest_N32"}};
const TvxnListaCampos k200ICMS60{"N", {"orig_N11", "CST_N12", "vBCSTRet_N26", "vICMSSTRet_N27"}};
const TvxnListaCampos k200ICMS70{"N",
                                 {"orig_N11", "CST_N12", "modBC_N13", "pRedBC_N14", "vBC_N15", "pICMS_N16",
                                  "vICMS_N17", "modBCST_N18", "pMVAST_N19", "pRedBCST_N20", "vBCST_N21",
                                  "pICMSST_N22", "vICMSST_N23"}};
const TvxnListaCampos k200ICMS90{"N",
                                 {"orig_N11", "CST_N12", "modBC_N13", "vBC_N15", "pRedBC_N14", "pICMS_N16",
                                  "vICMS_N17", "modBCST_N18", "pMVAST_N19", "pRedBCST_N20", "vBCST_N21",
                                  "pICMSST_N22", "vICMSST_N23"}};
const TvxnListaCampos k200ICMSPart{"N",
                                   {"orig_N11", "CST_N12", "modBC_N13", "vBC_N15", "pRedBC_N14", "pICMS_N16",
                                    "vICMS_N17", "modBCST_N18", "pMVAST_N19", "pRedBCST_N20", "vBCST_N21",
                                    "pICMSST_N22", "vICMSST_N23", "pBCOp_N25", "UFST_N24"}};
const TvxnListaCampos k200SN101{"N", {"orig_N11", "CSOSN_N12a", "pCredSN_N29", "vCredICMSSN_N30"}};
const TvxnListaCampos k200SN102{"N", {"orig_N11", "CSOSN_N12a"}};
const TvxnListaCampos k200SN201{"N",
                                {"orig_N11", "CSOSN_N12a", "modBCST_N18", "pMVAST_N19", "pRedBCST_N20",
                                 "vBCST_N21", "pICMSST_N22", "vICMSST_N23", "pCredSN_N29",
                                 "vCredICMSSN_N30"}};
const TvxnListaCampos k200SN202{"N",
                                {"orig_N11", "CSOSN_N12a", "modBCST_N18", "pMVAST_N19", "pRedBCST_N20",
                                 "vBCST_N21", "pICMSST_N22", "vICMSST_N23"}};
const TvxnListaCampos k200SN500{"N", {"orig_N11", "CSOSN_N12a", "vBCSTRet_N26", "vICMSSTRet_N27"}};
const TvxnListaCampos k200SN900{"N",
                                {"orig_N11", "CSOSN_N12a", "modBC_N13", "vBC_N15", "pRedBC_N14", "pICMS_N16",
                                 "vICMS_N17", "modBCST_N18", "pMVAST_N19", "pRedBCST_N20", "vBCST_N21",
                                 "pICMSST_N22", "vICMSST_N23", "pCredSN_N29", "vCredICMSSN_N30"}};

// ICMS51 of 2.00 has the fields of ICMS20, all of them optional.
const TvxnNFeCustomDataSet::TTabelaICMS kTabela200{
    &k200ICMS00, &k200ICMS10, &k200ICMS20, &k200ICMS30, &k200ICMS40, &k200ICMSST,
    &k200ICMS20, &k200ICMS60, nullptr,     &k200ICMS70, &k200ICMS90, &k200ICMSPart,
    &k200SN101,  &k200SN102,  &k200SN201,  &k200SN202,  &k200SN500,  &k200SN900};

} // namespace

// ---------------------------------------------------------------- layout 2.00 (pl_006e)

// The key of 2.00 has the issue type and an 8-digit cNF; the issue date is a date (dEmi).
std::string TvxnDS_pl006e::ConvPartA() {
  return AbreInfNFe("dEmi_B09", true, 8);
}

// In 2.00 the references follow the municipality of the taxable event.
std::string TvxnDS_pl006e::ConvPartB() {
  static const TvxnListaCampos kInicio{"B",
                                       {"cUF_B02", "cNF_B03", "natOp_B04", "indPag_B05", "mod_B06",
                                        "serie_B07", "nNF_B08", "dEmi_B09", "dSaiEnt_B10", "hSaiEnt_B10a",
                                        "tpNF_B11", "cMunFG_B12"}};
  static const TvxnListaCampos kFim{"B",
                                    {"tpImp_B21", "tpEmis_B22", "cDV_B23", "tpAmb_B24", "finNFe_B25",
                                     "procEmi_B26", "verProc_B27", "dhCont_B28", "xJust_B29"}};
  TXmlDataSetNFe& b = FindDataSet("B");
  if (b.RecordCount() == 0 && !Editing(b))
    throw EvxnNFeDataSetException("Parte B - Identificaçãcão da Nota Fiscal eletrônica não foi preenchida.",
                                  GetDiretorioLogErro());
  std::string out = "<ide>";
  AppendFields(out, kInicio);
  out += ConvPartRef();
  AppendFields(out, kFim);
  out += "</ide>";
  return out;
}

std::string TvxnDS_pl006e::ConvPartE() {
  static const TvxnListaCampos kDest{"E", {"CNPJ_E02", "CPF_E03", "xNome_E04"}};
  static const TvxnListaCampos kEnder{"E",
                                      {"xLgr_E06", "nro_E07", "xCpl_E08", "xBairro_E09", "cMun_E10",
                                       "xMun_E11", "UF_E12", "CEP_E13", "cPais_E14", "xPais_E15",
                                       "fone_E16"}};
  static const TvxnListaCampos kFim{"E", {"IE_E17", "ISUF_E18", "email_E19"}};
  std::string out = "<dest>";
  AppendFields(out, kDest);
  out += "<enderDest>";
  AppendFields(out, kEnder);
  out += "</enderDest>";
  AppendFields(out, kFim);
  out += "</dest>";
  return out;
}

std::string TvxnDS_pl006e::ConvPartF() {
  static const TvxnListaCampos kRetirada{"F",
                                         {"CNPJ_F02", "CPF_F02a", "xLgr_F03", "nro_F04", "xCpl_F05",
                                          "xBairro_F06", "cMun_F07", "xMun_F08", "UF_F09"}};
  return ConvLocal("retirada", kRetirada);
}

std::string TvxnDS_pl006e::ConvPartG() {
  static const TvxnListaCampos kEntrega{"G",
                                        {"CNPJ_G02", "CPF_G02a", "xLgr_G03", "nro_G04", "xCpl_G05",
                                         "xBairro_G06", "cMun_G07", "xMun_G08", "UF_G09"}};
  return ConvLocal("entrega", kEntrega);
}

const TvxnListaCampos& TvxnDS_pl006e::CamposPedido() {
  static const TvxnListaCampos kPedido{"I", {"xPed_I60", "nItemPed_I61"}};
  return kPedido;
}

std::string TvxnDS_pl006e::ConvPartI() {
  static const TvxnListaCampos kProd{"I",
                                     {"cProd_I02", "cEAN_I03", "xProd_I04", "NCM_I05", "EXTIPI_I06",
                                      "CFOP_I08", "uCom_I09", "qCom_I10", "vUnCom_I10a", "vProd_I11",
                                      "cEANTrib_I12", "uTrib_I13", "qTrib_I14", "vUnTrib_I14a", "vFrete_I15",
                                      "vSeg_I16", "vDesc_I17", "vOutro_I17a", "indTot_I17b"}};
  std::string out = "<prod>";
  AppendFields(out, kProd);
  out += ConvDI();
  AppendFields(out, CamposPedido());
  out += ConvPartJ();
  out += ConvPartK();
  out += ConvPartL();
  out += ConvPartL1();
  out += "</prod>";
  return out;
}

std::string TvxnDS_pl006e::ConvPartL1() {
  static const TvxnListaCampos kComb{"L1", {"cProdANP_LA02", "CODIF_LA04", "qTemp_LA05", "UFCons_LA06"}};
  static const TvxnListaCampos kCIDE{"L1", {"qBCProd_LA08", "vAliqProd_LA09", "vCIDE_LA10"}};
  std::string conteudo;
  AppendFields(conteudo, kComb);
  std::string grupo;
  AppendFields(grupo, kCIDE);
  AppendGrupo(conteudo, "CIDE", grupo);
  return Grupo("comb", conteudo);
}

std::string TvxnDS_pl006e::ConvPartN() {
  return ConvICMS(kTabela200);
}

namespace {

using TGrupoPIS = TvxnNFeCustomDataSet::TGrupoPIS;

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

std::string TvxnDS_pl006e::ConvPartQ() {
  return ConvPISDe(GrupoPorCST);
}

std::string TvxnDS_pl006e::ConvPartS() {
  return ConvCOFINSDe(GrupoPorCST);
}

std::string TvxnDS_pl006e::ConvPartRef() {
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

std::string TvxnDS_pl006e::ConvPartC() {
  static const TvxnListaCampos kEmit{"C", {"CNPJ_C02", "CPF_C02a", "xNome_C03", "xFant_C04"}};
  static const TvxnListaCampos kEnder{"C",
                                      {"xLgr_C06", "nro_C07", "xCpl_C08", "xBairro_C09", "cMun_C10",
                                       "xMun_C11", "UF_C12", "CEP_C13", "cPais_C14", "xPais_C15",
                                       "fone_C16"}};
  static const TvxnListaCampos kFim{"C", {"IE_C17", "IEST_C18", "IM_C19", "CNAE_C20", "CRT_C21"}};
  std::string out = "<emit>";
  AppendFields(out, kEmit);
  out += "<enderEmit>";
  AppendFields(out, kEnder);
  out += "</enderEmit>";
  AppendFields(out, kFim);
  out += "</emit>";
  return out;
}

std::string TvxnDS_pl006e::ConvPartX() {
  static const TvxnModeloXml kVagaoBalsa{"@x(vagao_X25a)@x(balsa_X25b)"};
  return ConvTransp(&kVagaoBalsa);
}

std::string TvxnDS_pl006e::ConvPartZ() {
  return TvxnNFeCustomDataSet::ConvPartZ() + ConvPartZCCana();
}

std::string TvxnDS_pl006e::ConvPartZCCana() {
  static const TvxnListaCampos kSafra{"CANA", {"safra_ZC02", "ref_ZC03"}};
  static const TvxnListaCampos kTotais{"CANA", {"qTotMes_ZC07", "qTotAnt_ZC08", "qTotGer_ZC09"}};
  static const TvxnListaCampos kValores{"CANA", {"vFor_ZC13", "vTotDed_ZC14", "vLiqFor_ZC15"}};
  std::string conteudo;
  AppendFields(conteudo, kSafra);
  TXmlDataSetNFe& forDia = FindDataSet("FORDIA");
  for (forDia.First(); !forDia.Eof(); forDia.Next())
    conteudo += Observacao(forDia, "forDia", "dia_ZC05", "qtde_ZC06");
  AppendFields(conteudo, kTotais);
  TXmlDataSetNFe& deduc = FindDataSet("DEDUC");
  deduc.SetTagXML("deduc");
  for (deduc.First(); !deduc.Eof(); deduc.Next())
    AppendPartXML(conteudo, deduc);
  AppendFields(conteudo, kValores);
  return Grupo("cana", conteudo);
}

// ---------------------------------------------------------------- pl_006r

std::string TvxnDS_pl006r::ConvPartM() {
  return ConvertFieldParaXML(FindDataSet("M"), "vTotTrib_M02");
}

std::string TvxnDS_pl006r::ConvPartW() {
  static const TvxnListaCampos kICMSTot{
      "W",
      {"vBC_W03", "vICMS_W04", "vBCST_W05", "vST_W06", "vProd_W07", "vFrete_W08", "vSeg_W09", "vDesc_W10",
       "vII_W11", "vIPI_W12", "vPIS_W13", "vCOFINS_W14", "vOutro_W15", "vNF_W16", "vTotTrib_W16a"}};
  static const TvxnListaCampos kISSQNtot{"W",
                                         {"vServ_W18", "vBC_W19", "vISS_W20", "vPIS_W21", "vCOFINS_W22"}};
  return ConvTotal(kICMSTot, kISSQNtot);
}

// ---------------------------------------------------------------- pl_006s

const TvxnListaCampos& TvxnDS_pl006s::CamposPedido() {
  static const TvxnListaCampos kPedido{"I", {"xPed_I60", "nItemPed_I61", "nFCI_I70"}};
  return kPedido;
}

} // namespace vxn
