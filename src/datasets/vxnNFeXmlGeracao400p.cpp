// The builders of the current 4.00 package (PL_009p): the groups and fields that package added to the
// pl_009g forms, written in the order of nfe_v4.00.xsd.
#include "vxnNFeVersionDataSets.h"

namespace vxn {

void TvxnDS_pl009p::AddDataSetsListaNFE() {
  SetPartsNFe({"A",  "B",  "C", "D",  "E",       "F",   "G",     "AUTXML",  "X",       "W",       "Y", "YA01",
               "YA", "YB", "Z", "ZD", "REBOQUE", "VOL", "LACRE", "PROCREF", "OBSCONT", "MANAGER", "ZF"});
}

// VA (the item's observations) is one record per item, like V.
void TvxnDS_pl009p::AddDataSetsListaItemNFe() {
  SetPartsNFeItem({"H",  "I",  "I80", "NVE", "J",         "K",         "L",  "M", "N",
                   "NA", "O",  "P",   "Q",   "R",         "S",         "T",  "U", "UB",
                   "V",  "VA", "DI",  "ADI", "DETEXPORT", "EXPORTIND", "L1", "L2"});
}

std::string TvxnDS_pl009p::ConverterAuto() {
  std::string out = TvxnDS_pl009::ConverterAuto();
  // infSolicNFF is the last group of infNFe, after infRespTec.
  out.insert(out.size() - std::string_view("</infNFe>").size(), ConvPartZF());
  return out;
}

// The recipient: its address and name are optional, and an NFC-e (model 65) to an unidentified
// consumer has no dest at all.
std::string TvxnDS_pl009p::ConvPartE() {
  static const TvxnListaCampos kDest{"E", {"CNPJ_E02", "CPF_E03", "idEstrangeiro_E03a", "xNome_E04"}};
  static const TvxnListaCampos kEnder{"E",
                                      {"xLgr_E06", "nro_E07", "xCpl_E08", "xBairro_E09", "cMun_E10",
                                       "xMun_E11", "UF_E12", "CEP_E13", "cPais_E14", "xPais_E15",
                                       "fone_E16"}};
  static const TvxnListaCampos kFim{"E", {"indIEDest_E16a", "IE_E17", "ISUF_E18", "IM_E18a", "email_E19"}};
  std::string conteudo;
  AppendFields(conteudo, kDest);
  std::string ender;
  AppendFields(ender, kEnder);
  std::string fim;
  AppendFields(fim, kFim);
  // The field list writes an empty idEstrangeiro when no identification is given (model 55 requires
  // a recipient, and the schema an identification of it).
  if (Campo("mod_B06").Value() == "65" && conteudo == "<idEstrangeiro/>" && ender.empty() && fim.empty())
    return {};
  AppendGrupo(conteudo, "enderDest", ender);
  conteudo += fim;
  return "<dest>" + conteudo + "</dest>";
}

std::string TvxnDS_pl009p::ConvPartRef() {
  static const TvxnListaCampos kRefNFe{"NREF", {"refNFe_BA02", "refNFeSig_BA02a"}};
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

std::string TvxnDS_pl009p::ConvPartItens() {
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
    out += ConvTributosReforma();
    out += "</imposto>";
    out += ConvPartUB();
    out += ConvPartV();
    out += ConvPartVA();
    out += ConvPartVB();
    out += "</det>";
  }
  return out;
}

std::string TvxnDS_pl009p::ConvPartI() {
  static const TvxnListaCampos kInicio{"I", {"cProd_I02", "cEAN_I03", "cBarra_I03a", "xProd_I04", "NCM_I05"}};
  static const TvxnListaCampos kBenef{"I", {"CEST_I05c", "indEscala_I05d", "CNPJFab_I05e", "cBenef_I05f"}};
  static const TvxnListaCampos kMeio{"I",
                                     {"EXTIPI_I06", "CFOP_I08", "uCom_I09", "qCom_I10", "vUnCom_I10a",
                                      "vProd_I11", "cEANTrib_I12", "cBarraTrib_I12a", "uTrib_I13",
                                      "qTrib_I14", "vUnTrib_I14a", "vFrete_I15", "vSeg_I16", "vDesc_I17",
                                      "vOutro_I17a", "indTot_I17b"}};
  static const TvxnListaCampos kPedido{"I", {"xPed_I60", "nItemPed_I61", "nFCI_I70"}};
  static const TvxnListaCampos kNFF{"I", {"cProdFisco_I91", "cOperNFF_I92"}};
  static const TvxnListaCampos kEmb{"I", {"xEmb_I94", "qVolEmb_I95", "uEmb_I96"}};
  std::string out;
  out.reserve(1024);
  out = "<prod>";
  AppendFields(out, kInicio);
  out += ConvPartNVE();
  AppendFields(out, kBenef);
  out += ConvPartGCred();
  out += ConvProdCredPresZFM();
  AppendFields(out, kMeio);
  out += ConvProdBemMovelUsado();
  out += ConvDI();
  out += ConvDetExport();
  AppendFields(out, kPedido);
  out += ConvPartI80();
  std::string grupo;
  AppendFields(grupo, kNFF);
  AppendGrupo(out, "infProdNFF", grupo);
  grupo.clear();
  AppendFields(grupo, kEmb);
  AppendGrupo(out, "infProdEmb", grupo);
  out += ConvPartJ();
  out += ConvPartK();
  out += ConvPartL();
  out += ConvPartL1();
  out += ConvPartL2();
  out += "</prod>";
  return out;
}

// The tax reform's groups come with the next package (pl_010); this one writes none.
std::string TvxnDS_pl009p::ConvTributosReforma() {
  return {};
}

std::string TvxnDS_pl009p::ConvProdCredPresZFM() {
  return {};
}

std::string TvxnDS_pl009p::ConvProdBemMovelUsado() {
  return {};
}

std::string TvxnDS_pl009p::ConvPartVB() {
  return {};
}

std::string TvxnDS_pl009p::ConvTotaisReforma() {
  return {};
}

// Up to four presumed credits of the item.
std::string TvxnDS_pl009p::ConvPartGCred() {
  std::string out;
  AppendRepetido(out, "GCRED", "<gCred>", "</gCred>", [](const TXmlDataSetNFe& p) { return CamposXML(p); });
  return out;
}

// Every weapon of the item (the schema allows 500): the item's own record of L and those added with
// IncluirPart("L").
std::string TvxnDS_pl009p::ConvPartL() {
  std::string out;
  AppendRepetido(out, "L", "<arma>", "</arma>", [](const TXmlDataSetNFe& p) { return CamposXML(p); });
  return out;
}

std::string TvxnDS_pl009p::ConvPartL1() {
  static const TvxnListaCampos kComb{"L1",
                                     {"cProdANP_LA02", "descANP_LA03", "pGLP_LA03a", "pGNn_LA03b",
                                      "pGNi_LA03c", "vPart_LA03d", "CODIF_LA04", "qTemp_LA05",
                                      "UFCons_LA06"}};
  static const TvxnListaCampos kCIDE{"L1", {"qBCProd_LA08", "vAliqProd_LA09", "vCIDE_LA10"}};
  static const TvxnListaCampos kEncerrante{
      "L1", {"nBico_LA12", "nBomba_LA13", "nTanque_LA14", "vEncIni_LA15", "vEncFin_LA16"}};
  static const TvxnListaCampos kBio{"L1", {"pBio_LA17"}};
  std::string conteudo;
  AppendFields(conteudo, kComb);
  if (conteudo.empty())
    return {};
  std::string grupo;
  AppendFields(grupo, kCIDE);
  AppendGrupo(conteudo, "CIDE", grupo);
  grupo.clear();
  AppendFields(grupo, kEncerrante);
  AppendGrupo(conteudo, "encerrante", grupo);
  AppendFields(conteudo, kBio);
  AppendRepetido(conteudo, "ORIGCOMB", "<origComb>", "</origComb>",
                 [](const TXmlDataSetNFe& p) { return CamposXML(p); });
  return Grupo("comb", conteudo);
}

std::string TvxnDS_pl009p::ConvPartW() {
  static const TvxnListaCampos kICMSTot{"W", {"vBC_W03",         "vICMS_W04",         "vICMSDeson_W04a",
                                              "vFCPUFDest_W04c", "vICMSUFDest_W04e",  "vICMSUFRemet_W04g",
                                              "vFCP_W04h",       "vBCST_W05",         "vST_W06",
                                              "vFCPST_W06a",     "vFCPSTRet_W06b",    "qBCMono_W06c",
                                              "vICMSMono_W06d",  "qBCMonoReten_W06e", "vICMSMonoReten_W06f",
                                              "qBCMonoRet_W06g", "vICMSMonoRet_W06h", "vProd_W07",
                                              "vFrete_W08",      "vSeg_W09",          "vDesc_W10",
                                              "vII_W11",         "vIPI_W12",          "vIPIDevol_W12a",
                                              "vPIS_W13",        "vCOFINS_W14",       "vOutro_W15",
                                              "vNF_W16",         "vTotTrib_W16a"}};
  static const TvxnListaCampos kISSQNtot{"W",
                                         {"vServ_W18", "vBC_W19", "vISS_W20", "vPIS_W21", "vCOFINS_W22",
                                          "dCompet_W22a", "vDeducao_W22b", "vOutro_W22c", "vDescIncond_W22d",
                                          "vDescCond_W22e", "vISSRet_W22f", "cRegTrib_W22g"}};
  static const TvxnListaCampos kRetTrib{"W",
                                        {"vRetPIS_W24", "vRetCOFINS_W25", "vRetCSLL_W26", "vBCIRRF_W27",
                                         "vIRRF_W28", "vBCRetPrev_W29", "vRetPrev_W30"}};
  std::string out = "<total><ICMSTot>";
  AppendFields(out, kICMSTot);
  out += "</ICMSTot>";
  std::string grupo;
  AppendFields(grupo, kISSQNtot);
  AppendGrupo(out, "ISSQNtot", grupo);
  grupo.clear();
  AppendFields(grupo, kRetTrib);
  AppendGrupo(out, "retTrib", grupo);
  out += ConvTotaisReforma();
  out += "</total>";
  return out;
}

std::string TvxnDS_pl009p::ConvPartYA() {
  static const TvxnListaCampos kDetPag{
      "YA",
      {"indPag_YA01b", "tPag_YA02", "xPag_YA02a", "vPag_YA03", "dPag_YA03a", "CNPJPag_YA03b", "UFPag_YA03c"}};
  static const TvxnListaCampos kCard{
      "YA",
      {"tpIntegra_YA04a", "CNPJ_YA05", "tBand_YA06", "cAut_YA07", "CNPJReceb_YA07a", "idTermPag_YA07b"}};
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

// obsItem: one contributor's and one tax authority's observation of the item.
std::string TvxnDS_pl009p::ConvPartVA() {
  TXmlDataSetNFe& va = FindDataSet("VA");
  std::string conteudo;
  for (va.First(); !va.Eof(); va.Next()) {
    conteudo += Observacao(va, "obsCont", "xCampo_VA03", "xTexto_VA04");
    conteudo += Observacao(va, "obsFisco", "xCampo_VA06", "xTexto_VA07");
  }
  return Grupo("obsItem", conteudo);
}

std::string TvxnDS_pl009p::ConvPartZF() {
  static const TvxnListaCampos kSolic{"ZF", {"xSolic_ZF02"}};
  std::string conteudo;
  AppendFields(conteudo, kSolic);
  return Grupo("infSolicNFF", conteudo);
}

} // namespace vxn
