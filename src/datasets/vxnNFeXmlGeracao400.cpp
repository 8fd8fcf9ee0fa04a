// The group builders that the 4.00 layout uses, each in the class of the layout where its group took
// the form it still has, and the document assembly of 4.00.
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

// One value of the "<tag>content</tag>" groups, concatenated as the builders need.
std::string Grupo(std::string_view tag, std::string_view conteudo) {
  if (conteudo.empty())
    return {};
  std::string out;
  out.reserve(conteudo.size() + 2 * tag.size() + 5);
  out.append("<").append(tag).append(">").append(conteudo).append("</").append(tag).append(">");
  return out;
}

} // namespace

// ---------------------------------------------------------------- layout 2.00 (pl_006e)

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
  static const TvxnModeloXml kModFrete{"@x(modFrete_X02)"};
  static const TvxnModeloXml kTransporta{
      "@x(CNPJ_X04)@x(CPF_X05)@x(xNome_X06)@x(IE_X07)@x(xEnder_X08)@x(xMun_X09)@x(UF_X10)"};
  static const TvxnModeloXml kRetTransp{
      "@x(vServ_X12)@x(vBCRet_X13)@x(pICMSRet_X14)@x(vICMSRet_X15)@x(CFOP_X16)@x(cMunFG_X17)"};
  static const TvxnModeloXml kVeicTransp{"@x(placa_X19)@x(UF_X20)@x(RNTC_X21)"};
  static const TvxnModeloXml kVagaoBalsa{"@x(vagao_X25a)@x(balsa_X25b)"};
  std::string out = "<transp>";
  AppendTemplate(out, kModFrete);
  for (const auto& [tag, modelo] :
       {std::pair{"transporta", &kTransporta}, std::pair{"retTransp", &kRetTransp},
        std::pair{"veicTransp", &kVeicTransp}}) {
    std::string conteudo;
    AppendTemplate(conteudo, *modelo);
    AppendGrupo(out, tag, conteudo);
  }
  TXmlDataSetNFe& reboque = FindDataSet("REBOQUE");
  reboque.SetTagXML("reboque");
  for (reboque.First(); !reboque.Eof(); reboque.Next())
    AppendPartXML(out, reboque);
  AppendTemplate(out, kVagaoBalsa);
  TXmlDataSetNFe& lacre = FindDataSet("LACRE");
  lacre.SetTagXML("lacres");
  AppendRepetido(out, "VOL", "<vol>", "</vol>", [&lacre](const TXmlDataSetNFe& vol) {
    std::string conteudo = CamposXML(vol);
    for (lacre.First(); !lacre.Eof(); lacre.Next())
      AppendPartXML(conteudo, lacre);
    return conteudo;
  });
  out += "</transp>";
  return out;
}

std::string TvxnDS_pl006e::ConvPartZ() {
  static const TvxnModeloXml kInfAdic{"@z(infAdFisco_Z02)@z(infCpl_Z03)"};
  std::string conteudo;
  AppendTemplate(conteudo, kInfAdic);
  conteudo += ConvObsCont();
  conteudo += ConvObsFisco();
  conteudo += ConvProcRef();
  std::string out = Grupo("infAdic", conteudo);
  out += ConvExporta();
  out += ConvCompra();
  out += ConvPartZCCana();
  return out;
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

// ---------------------------------------------------------------- layout 3.10 (pl_008a)

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

std::string TvxnDS_pl008g::ConvPartItens() {
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

std::string TvxnDS_pl008g::convPartNA() {
  SemGerador("convPartNA");
}

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

std::string TvxnDS_pl009::ConvPartA() {
  TXmlDataSetNFe& b = FindDataSet("B");
  b.First();
  TXmlDataSetNFe& a = FindDataSet("A");
  if (!Editing(a))
    a.Edit();
  // The issuer's document: the fiscal agency's CNPJ for a loose invoice, else the CPF, else the CNPJ.
  std::string documento(Campo("CNPJ_D02").Value());
  if (documento.empty())
    documento = Campo("CPF_C02a").Value();
  if (documento.empty())
    documento = Campo("CNPJ_C02").Value();
  if (Utf8Length(documento) == 11)
    documento = "000" + documento;
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

std::string TvxnDS_pl009::ConvPartB() {
  TXmlDataSetNFe& b = FindDataSet("B");
  if (b.RecordCount() == 0 && !Editing(b))
    throw EvxnNFeDataSetException("Parte B - Identificaçãcão da Nota Fiscal eletrônica não foi preenchida.",
                                  GetDiretorioLogErro());
  std::string out = "<ide>";
  AppendCamposIde(out);
  out += "</ide>";
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

std::string TvxnDS_pl009::ConvLocal(std::string_view tag, const TvxnListaCampos& campos) {
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
  AppendFields(conteudo, kIPI);
  if (grupo) {
    std::string campos;
    AppendFields(campos, *grupo);
    AppendGrupo(conteudo, tag, campos);
  }
  return Grupo("IPI", conteudo);
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
  out += "</total>";
  return out;
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
