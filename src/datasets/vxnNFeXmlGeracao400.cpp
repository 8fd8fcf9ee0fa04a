// The group builders that the 4.00 layout uses, each in the class of the layout where its group took
// the form it still has, and the document assembly of 4.00.
#include "vxnGovUtils.h"
#include "vxnNFeException.h"
#include "vxnNFeVersionDataSets.h"
#include "vxnText.h"
#include "xml/vxnNFeUtils.h"

namespace vxn {

// ---------------------------------------------------------------- layout 4.00 (pl_009)

std::string TvxnDS_pl009::ConverterAuto() {
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
  out += ConvPartYA01();
  out += ConvPartYB();
  out += ConvPartZ();
  out += ConvPartZD();
  out += "</infNFe>";
  return out;
}

void TvxnDS_pl009::AppendCamposIde(std::string& out) {
  static const TvxnListaCampos kInicio{"B",
                                       {"cUF_B02", "cNF_B03", "natOp_B04", "mod_B06", "serie_B07", "nNF_B08",
                                        "dhEmi_B09", "dhSaiEnt_B10", "tpNF_B11", "idDest_B11a",
                                        "cMunFG_B12"}};
  static const TvxnListaCampos kFim{"B",
                                    {"tpImp_B21", "tpEmis_B22", "cDV_B23", "tpAmb_B24", "finNFe_B25",
                                     "indFinal_B25a", "indPres_B25b", "indIntermed_B25c", "procEmi_B26",
                                     "verProc_B27", "dhCont_B28", "xJust_B29"}};
  AppendFields(out, kInicio);
  AppendFields(out, kFim);
  out += ConvPartRef();
}

std::string TvxnDS_pl009::ConvPartF() {
  static const TvxnListaCampos kRetirada{
      "F",
      {"CNPJ_F02", "CPF_F02a", "xNome_F02b", "xLgr_F03", "nro_F04", "xCpl_F05", "xBairro_F06", "cMun_F07",
       "xMun_F08", "UF_F09", "CEP_F10", "cPais_F11", "xPais_F12", "fone_F13", "email_F14", "IE_F15"}};
  return ConvLocal("retirada", kRetirada);
}

std::string TvxnDS_pl009::ConvPartG() {
  static const TvxnListaCampos kEntrega{
      "G",
      {"CNPJ_G02", "CPF_G02a", "xNome_G02b", "xLgr_G03", "nro_G04", "xCpl_G05", "xBairro_G06", "cMun_G07",
       "xMun_G08", "UF_G09", "CEP_G10", "cPais_G11", "xPais_G12", "fone_G13", "email_G14", "IE_G15"}};
  return ConvLocal("entrega", kEntrega);
}

std::string TvxnDS_pl009::ConvPartI() {
  static const TvxnListaCampos kInicio{"I", {"cProd_I02", "cEAN_I03", "cBarra_I03a", "xProd_I04", "NCM_I05"}};
  static const TvxnListaCampos kMeio{"I", {"CEST_I05c",   "indEscala_I05d", "CNPJFab_I05e", "cBenef_I05f",
                                           "EXTIPI_I06",  "CFOP_I08",       "uCom_I09",     "qCom_I10",
                                           "vUnCom_I10a", "vProd_I11",      "cEANTrib_I12", "cBarraTrib_I12a",
                                           "uTrib_I13",   "qTrib_I14",      "vUnTrib_I14a", "vFrete_I15",
                                           "vSeg_I16",    "vDesc_I17",      "vOutro_I17a",  "indTot_I17b"}};
  static const TvxnListaCampos kPedido{"I", {"xPed_I60", "nItemPed_I61", "nFCI_I70"}};
  // Room for a product group as most items fill it, so that it does not grow a piece at a time.
  std::string out;
  out.reserve(1024);
  out = "<prod>";
  AppendFields(out, kInicio);
  out += ConvPartNVE();
  AppendFields(out, kMeio);
  out += ConvDI();
  out += ConvDetExport();
  AppendFields(out, kPedido);
  out += ConvPartI80();
  out += ConvPartJ();
  out += ConvPartK();
  out += ConvPartL();
  out += ConvPartL1();
  out += ConvPartL2();
  out += "</prod>";
  return out;
}

std::string TvxnDS_pl009::ConvPartI80() {
  static const TvxnListaCampos kRastro{"I80",
                                       {"nLote_I81", "qLote_I82", "dFab_I83", "dVal_I84", "cAgreg_I85"}};
  std::string out;
  AppendRepetido(out, "I80", "<rastro>", "</rastro>", [this](const TXmlDataSetNFe&) {
    std::string rastro;
    AppendFields(rastro, kRastro);
    return rastro;
  });
  return out;
}

std::string TvxnDS_pl009::ConvPartK() {
  static const TvxnListaCampos kMed{"K", {"cProdANVISA_K01a", "xMotivoIsencao_K01b", "vPMC_K06"}};
  std::string conteudo;
  AppendFields(conteudo, kMed);
  return Grupo("med", conteudo);
}

std::string TvxnDS_pl009::ConvPartL1() {
  static const TvxnListaCampos kComb{"L1",
                                     {"cProdANP_LA02", "descANP_LA03", "pGLP_LA03a", "pGNn_LA03b",
                                      "pGNi_LA03c", "vPart_LA03d", "CODIF_LA04", "qTemp_LA05",
                                      "UFCons_LA06"}};
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

std::string TvxnDS_pl009::ConvPartO() {
  static const TvxnListaCampos kIPI{"O", {"CNPJProd_O03", "cSelo_O04", "qSelo_O05", "cEnq_O06"}};
  return ConvIPI(kIPI);
}

std::string TvxnDS_pl009::ConvPartR() {
  static const TvxnListaCampos kPISST{
      "R", {"vBC_R02", "pPIS_R03", "qBCProd_R04", "vAliqProd_R05", "vPIS_R06", "indSomaPISST_R07"}};
  std::string conteudo;
  AppendFields(conteudo, kPISST);
  return Grupo("PISST", conteudo);
}

std::string TvxnDS_pl009::ConvPartT() {
  static const TvxnListaCampos kCOFINSST{
      "T", {"vBC_T02", "pCOFINS_T03", "qBCProd_T04", "vAliqProd_T05", "vCOFINS_T06", "indSomaCOFINSST_T07"}};
  std::string conteudo;
  AppendFields(conteudo, kCOFINSST);
  return Grupo("COFINSST", conteudo);
}

std::string TvxnDS_pl009::convPartNA() {
  static const TvxnListaCampos kUFDest{"NA",
                                       {"vBCUFDest_NA03", "vBCFCPUFDest_NA04", "pFCPUFDest_NA05",
                                        "pICMSUFDest_NA07", "pICMSInter_NA09", "pICMSInterPart_NA11",
                                        "vFCPUFDest_NA13", "vICMSUFDest_NA15", "vICMSUFRemet_NA17"}};
  std::string conteudo;
  AppendFields(conteudo, kUFDest);
  return Grupo("ICMSUFDest", conteudo);
}

std::string TvxnDS_pl009::ConvPartW() {
  static const TvxnListaCampos kICMSTot{
      "W", {"vBC_W03",           "vICMS_W04", "vICMSDeson_W04a", "vFCPUFDest_W04c", "vICMSUFDest_W04e",
            "vICMSUFRemet_W04g", "vFCP_W04h", "vBCST_W05",       "vST_W06",         "vFCPST_W06a",
            "vFCPSTRet_W06b",    "vProd_W07", "vFrete_W08",      "vSeg_W09",        "vDesc_W10",
            "vII_W11",           "vIPI_W12",  "vIPIDevol_W12a",  "vPIS_W13",        "vCOFINS_W14",
            "vOutro_W15",        "vNF_W16",   "vTotTrib_W16a"}};
  return ConvTotal(kICMSTot);
}

std::string TvxnDS_pl009::ConvPartYA01() {
  std::string conteudo = ConvPartYA();
  AppendFieldXML(conteudo, Campo("vTroco_YA09"));
  return Grupo("pag", conteudo);
}

std::string TvxnDS_pl009::ConvPartYA() {
  static const TvxnListaCampos kDetPag{"YA", {"indPag_YA01b", "tPag_YA02", "xPag_YA02a", "vPag_YA03"}};
  static const TvxnListaCampos kCard{"YA", {"tpIntegra_YA04a", "CNPJ_YA05", "tBand_YA06", "cAut_YA07"}};
  std::string out;
  AppendRepetido(out, "YA", "<detPag>", "</detPag>", [this](const TXmlDataSetNFe&) {
    std::string detPag;
    AppendFields(detPag, kDetPag);
    if (detPag.empty())
      return detPag;
    std::string card;
    AppendFields(card, kCard);
    AppendGrupo(detPag, "card", card);
    return detPag;
  });
  return out;
}

std::string TvxnDS_pl009::ConvPartYB() {
  static const TvxnListaCampos kIntermed{"YB", {"CNPJ_YB02", "idCadIntTran_YB03"}};
  std::string conteudo;
  AppendFields(conteudo, kIntermed);
  return Grupo("infIntermed", conteudo);
}

std::string TvxnDS_pl009::ConvPartZD() {
  static const TvxnListaCampos kRespTec{
      "ZD", {"CNPJ_ZD02", "xContato_ZD04", "email_ZD05", "fone_ZD06", "idCSRT_ZD08", "hashCSRT_ZD09"}};
  std::string conteudo;
  AppendFields(conteudo, kRespTec);
  return Grupo("infRespTec", conteudo);
}

} // namespace vxn
