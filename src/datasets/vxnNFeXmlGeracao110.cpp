// The group builders of the first layout, 1.10 (pl_005a ... pl_005f), which every later layout inherits
// and overrides where its group changed.
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

const TvxnListaCampos k110ICMSTot{"W",
                                  {"vBC_W03", "vICMS_W04", "vBCST_W05", "vST_W06", "vProd_W07", "vFrete_W08",
                                   "vSeg_W09", "vDesc_W10", "vII_W11", "vIPI_W12", "vPIS_W13", "vCOFINS_W14",
                                   "vOutro_W15", "vNF_W16"}};
const TvxnListaCampos k110ISSQNtot{"W", {"vServ_W18", "vBC_W19", "vISS_W20", "vPIS_W21", "vCOFINS_W22"}};

// The ICMS groups of 1.10: no Simples Nacional, no partition, no transfer of ICMS charged earlier.
const TvxnListaCampos k110ICMS00{"N",
                                 {"orig_N11", "CST_N12", "modBC_N13", "vBC_N15", "pICMS_N16", "vICMS_N17"}};
const TvxnListaCampos k110ICMS10{"N",
                                 {"orig_N11", "CST_N12", "modBC_N13", "vBC_N15", "pICMS_N16", "vICMS_N17",
                                  "modBCST_N18", "pMVAST_N19", "pRedBCST_N20", "vBCST_N21", "pICMSST_N22",
                                  "vICMSST_N23"}};
const TvxnListaCampos k110ICMS20{
    "N", {"orig_N11", "CST_N12", "modBC_N13", "pRedBC_N14", "vBC_N15", "pICMS_N16", "vICMS_N17"}};
const TvxnListaCampos k110ICMS30{"N",
                                 {"orig_N11", "CST_N12", "modBCST_N18", "pMVAST_N19", "pRedBCST_N20",
                                  "vBCST_N21", "pICMSST_N22", "vICMSST_N23"}};
const TvxnListaCampos k110ICMS40{"N", {"orig_N11", "CST_N12"}};
const TvxnListaCampos k110ICMS60{"N", {"orig_N11", "CST_N12", "vBCST_N21", "vICMSST_N23"}};
const TvxnListaCampos k110ICMS60c{"N", {"orig_N11", "CST_N12", "vBCSTRet_N26", "vICMSSTRet_N27"}};
const TvxnListaCampos k110ICMS70{"N",
                                 {"orig_N11", "CST_N12", "modBC_N13", "pRedBC_N14", "vBC_N15", "pICMS_N16",
                                  "vICMS_N17", "modBCST_N18", "pMVAST_N19", "pRedBCST_N20", "vBCST_N21",
                                  "pICMSST_N22", "vICMSST_N23"}};
const TvxnListaCampos k110ICMS90{"N",
                                 {"orig_N11", "CST_N12", "modBC_N13", "vBC_N15", "pRedBC_N14", "pICMS_N16",
                                  "vICMS_N17", "modBCST_N18", "pMVAST_N19", "pRedBCST_N20", "vBCST_N21",
                                  "pICMSST_N22", "vICMSST_N23"}};

// ICMS51 has the fields of ICMS20; from pl_005c ICMS60 holds the ST charged earlier (vBCSTRet, vICMSSTRet).
const TvxnNFeCustomDataSet::TTabelaICMS kTabela110{
    &k110ICMS00, &k110ICMS10, &k110ICMS20, &k110ICMS30, &k110ICMS40, nullptr,
    &k110ICMS20, &k110ICMS60, nullptr,     &k110ICMS70, &k110ICMS90, nullptr,
    nullptr,     nullptr,     nullptr,     nullptr,     nullptr,     nullptr};
const TvxnNFeCustomDataSet::TTabelaICMS kTabela110c{
    &k110ICMS00, &k110ICMS10,  &k110ICMS20, &k110ICMS30, &k110ICMS40, nullptr,
    &k110ICMS20, &k110ICMS60c, nullptr,     &k110ICMS70, &k110ICMS90, nullptr,
    nullptr,     nullptr,      nullptr,     nullptr,     nullptr,     nullptr};

using TGrupoPIS = TvxnNFeCustomDataSet::TGrupoPIS;

// The PIS and COFINS groups of a CST in 1.10: taxed by rate (01, 02) or quantity (03), not taxed (04, 06 to
// 09), other operations (99); from pl_005f CST 05 is not taxed too. The comparison is exact.
TGrupoPIS GrupoPorCST110(std::string_view cst, bool com05) {
  if (cst == "01" || cst == "02")
    return TGrupoPIS::Aliq;
  if (cst == "03")
    return TGrupoPIS::Qtde;
  if (cst == "04" || cst == "06" || cst == "07" || cst == "08" || cst == "09" || (com05 && cst == "05"))
    return TGrupoPIS::NT;
  return cst == "99" ? TGrupoPIS::Outr : TGrupoPIS::Nenhum;
}

TGrupoPIS GrupoPorCST110(std::string_view cst) {
  return GrupoPorCST110(cst, false);
}

TGrupoPIS GrupoPorCST110f(std::string_view cst) {
  return GrupoPorCST110(cst, true);
}

} // namespace

std::string TvxnNFeCustomDataSet::ConvPISDe(TClassificaCST classifica) {
  static const TvxnModeloXml kAliq{"<PISAliq>@q(CST_Q06)@q(VBC_Q07)@q(PPIS_Q08)@q(VPIS_Q09)</PISAliq>"};
  static const TvxnModeloXml kQtde{
      "<PISQtde>@q(CST_Q06)@q(QBCPROD_Q10)@q(VALIQPROD_Q11)@q(VPIS_Q09)</PISQtde>"};
  static const TvxnModeloXml kNT{"<PISNT>@q(CST_Q06)</PISNT>"};
  static const TvxnModeloXml kOutr{
      "<PISOutr>@q(CST_Q06)@q(VBC_Q07)@q(PPIS_Q08)@q(QBCPROD_Q10)@q(VALIQPROD_Q11)@q(VPIS_Q09)</PISOutr>"};
  const TvxnModeloXml* modelos[] = {nullptr, &kAliq, &kQtde, &kNT, &kOutr};
  const TvxnModeloXml* modelo = modelos[static_cast<int>(classifica(Campo("CST_Q06").Value()))];
  if (!modelo)
    return {};
  std::string out = "<PIS>";
  AppendTemplate(out, *modelo);
  out += "</PIS>";
  return out;
}

std::string TvxnNFeCustomDataSet::ConvCOFINSDe(TClassificaCST classifica) {
  static const TvxnModeloXml kAliq{
      "<COFINSAliq>@s(CST_S06)@s(VBC_S07)@s(PCOFINS_S08)@s(VCOFINS_S11)</COFINSAliq>"};
  static const TvxnModeloXml kQtde{
      "<COFINSQtde>@s(CST_S06)@s(QBCPROD_S09)@s(VALIQPROD_S10)@s(VCOFINS_S11)</COFINSQtde>"};
  static const TvxnModeloXml kNT{"<COFINSNT>@s(CST_S06)</COFINSNT>"};
  static const TvxnModeloXml kOutr{"<COFINSOutr>@s(CST_S06)@s(VBC_S07)@s(PCOFINS_S08)@s(QBCPROD_S09)"
                                   "@s(VALIQPROD_S10)@s(VCOFINS_S11)</COFINSOutr>"};
  const TvxnModeloXml* modelos[] = {nullptr, &kAliq, &kQtde, &kNT, &kOutr};
  const TvxnModeloXml* modelo = modelos[static_cast<int>(classifica(Campo("CST_S06").Value()))];
  if (!modelo)
    return {};
  std::string out = "<COFINS>";
  AppendTemplate(out, *modelo);
  out += "</COFINS>";
  return out;
}

std::string TvxnNFeCustomDataSet::ConvPartQ() {
  return ConvPISDe(GrupoPorCST110);
}

std::string TvxnNFeCustomDataSet::ConvPartS() {
  return ConvCOFINSDe(GrupoPorCST110);
}

std::string TvxnDS_pl005f::ConvPartQ() {
  return ConvPISDe(GrupoPorCST110f);
}

std::string TvxnDS_pl005f::ConvPartS() {
  return ConvCOFINSDe(GrupoPorCST110f);
}

std::string TvxnNFeCustomDataSet::ConverterAuto() {
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
  out += ConvPartItens();
  out += ConvPartW();
  out += ConvPartX();
  out += ConvPartY();
  out += ConvPartZ();
  out += "</infNFe>";
  return out;
}

// The taxes of an item in the order of their groups (ISSQN last).
std::string TvxnNFeCustomDataSet::ConvPartItens() {
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
    out += ConvPartQ();
    out += ConvPartR();
    out += ConvPartS();
    out += ConvPartT();
    out += ConvPartU();
    out += "</imposto>";
    out += ConvPartV();
    out += "</det>";
  }
  return out;
}

std::string TvxnNFeCustomDataSet::ConvPartK() {
  static const TvxnListaCampos kMed{"K", {"nLote_K02", "qLote_K03", "dFab_K04", "dVal_K05", "vPMC_K06"}};
  std::string out;
  AppendRepetido(out, "K", "<med>", "</med>", [this](const TXmlDataSetNFe&) {
    std::string med;
    AppendFields(med, kMed);
    return med;
  });
  return out;
}

// The RECOPI number came with 3.10.
std::string TvxnNFeCustomDataSet::ConvPartL2() {
  return {};
}

std::string TvxnNFeCustomDataSet::ConvPartO() {
  static const TvxnListaCampos kIPI{"O", {"clEnq_O02", "CNPJProd_O03", "cSelo_O04", "qSelo_O05", "cEnq_O06"}};
  return ConvIPI(kIPI);
}

std::string TvxnNFeCustomDataSet::ConvPartW() {
  return ConvTotal(k110ICMSTot, k110ISSQNtot);
}

std::string TvxnNFeCustomDataSet::ConvExporta() {
  static const TvxnModeloXml kExporta{"@z(UFEmbarq_ZA02)@z(xLocEmbarq_ZA03)"};
  std::string conteudo;
  AppendTemplate(conteudo, kExporta);
  return Grupo("exporta", conteudo);
}

std::string TvxnNFeCustomDataSet::ConvPartY() {
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

std::string TvxnNFeCustomDataSet::AbreInfNFe(std::string_view campoData, bool comTpEmis, int digitosCNF) {
  TXmlDataSetNFe& b = FindDataSet("B");
  b.First();
  TXmlDataSetNFe& a = FindDataSet("A");
  if (!Editing(a))
    a.Edit();
  std::string documento(Campo("CNPJ_D02").Value());
  if (documento.empty())
    documento = Campo("CPF_C02a").Value();
  if (documento.empty())
    documento = Campo("CNPJ_C02").Value();
  if (Utf8Length(documento) == 11)
    documento = "000" + documento;
  const std::string cNF(Campo("cNF_B03").Value());
  const std::string_view data = Campo(campoData).Value();
  const TvxnLogDir logDir{GetDiretorioLogErro()};
  const std::string chave =
      comTpEmis ? CalculaChave(data, Campo("cUF_B02").Value(), documento, Campo("mod_B06").Value(),
                               Campo("serie_B07").Value(), Campo("nNF_B08").Value(),
                               Campo("tpEmis_B22").Value(), cNF, logDir)
                : CalculaChave(data, Campo("cUF_B02").Value(), documento, Campo("mod_B06").Value(),
                               Campo("serie_B07").Value(), Campo("nNF_B08").Value(), cNF, logDir);
  TXmlFieldNFe& id = Campo("Id_A03");
  id.SetAsString("NFe" + chave);
  a.Post();
  if (!Editing(b))
    b.Edit();
  Campo("cNF_B03").SetAsString(TvxnGovUtils().Czro(cNF, digitosCNF));
  Campo("cDV_B23").SetAsString(chave.substr(chave.size() - 1));
  b.Post();
  std::string out = "<infNFe ";
  AppendFieldXML(out, id);
  out += ' ';
  AppendFieldXML(out, Campo("versao_A02"));
  out += '>';
  return out;
}

// The key of 1.10 has no issue type and a 9-digit cNF.
std::string TvxnNFeCustomDataSet::ConvPartA() {
  return AbreInfNFe("dEmi_B09", false, 9);
}

std::string TvxnNFeCustomDataSet::Grupo(std::string_view tag, std::string_view conteudo) {
  if (conteudo.empty())
    return {};
  std::string out;
  out.reserve(conteudo.size() + 2 * tag.size() + 5);
  out.append("<").append(tag).append(">").append(conteudo).append("</").append(tag).append(">");
  return out;
}

std::string TvxnNFeCustomDataSet::ConvPartB() {
  static const TvxnListaCampos kInicio{"B",
                                       {"cUF_B02", "cNF_B03", "natOp_B04", "indPag_B05", "mod_B06",
                                        "serie_B07", "nNF_B08", "dEmi_B09", "dSaiEnt_B10", "tpNF_B11",
                                        "cMunFG_B12"}};
  static const TvxnListaCampos kFim{
      "B", {"tpImp_B21", "tpEmis_B22", "cDV_B23", "tpAmb_B24", "finNFe_B25", "procEmi_B26", "verProc_B27"}};
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

std::string TvxnNFeCustomDataSet::ConvPartRef() {
  static const TvxnListaCampos kRefNFe{"NREF", {"refNFe_BA02"}};
  static const TvxnListaCampos kRefNF{
      "NREF", {"cUF_BA04", "AAMM_BA05", "CNPJ_BA06", "mod_BA07", "serie_BA08", "nNF_BA09"}};
  std::string out;
  AppendRepetido(out, "NREF", "<NFref>", "</NFref>", [this](const TXmlDataSetNFe&) {
    std::string conteudo;
    AppendFields(conteudo, kRefNFe);
    std::string grupo;
    AppendFields(grupo, kRefNF);
    AppendGrupo(conteudo, "refNF", grupo);
    return conteudo;
  });
  return out;
}

std::string TvxnNFeCustomDataSet::ConvPartC() {
  static const TvxnListaCampos kEmit{"C", {"CNPJ_C02", "Cpf_C02a", "xNome_C03", "xFant_C04"}};
  static const TvxnListaCampos kEnder{"C",
                                      {"xLgr_C06", "nro_C07", "xCpl_C08", "xBairro_C09", "cMun_C10",
                                       "xMun_C11", "UF_C12", "CEP_C13", "cPais_C14", "xPais_C15",
                                       "fone_C16"}};
  static const TvxnListaCampos kFim{"C", {"IE_C17", "IEST_C18", "IM_C19", "CNAE_C20"}};
  std::string out = "<emit>";
  AppendFields(out, kEmit);
  out += "<enderEmit>";
  AppendFields(out, kEnder);
  out += "</enderEmit>";
  AppendFields(out, kFim);
  out += "</emit>";
  return out;
}

std::string TvxnNFeCustomDataSet::ConvPartE() {
  static const TvxnListaCampos kDest{"E", {"CNPJ_E02", "CPF_E03", "xNome_E04"}};
  static const TvxnListaCampos kEnder{"E",
                                      {"xLgr_E06", "nro_E07", "xCpl_E08", "xBairro_E09", "cMun_E10",
                                       "xMun_E11", "UF_E12", "CEP_E13", "cPais_E14", "xPais_E15",
                                       "fone_E16"}};
  static const TvxnListaCampos kFim{"E", {"IE_E17", "ISUF_E18"}};
  std::string out = "<dest>";
  AppendFields(out, kDest);
  out += "<enderDest>";
  AppendFields(out, kEnder);
  out += "</enderDest>";
  AppendFields(out, kFim);
  out += "</dest>";
  return out;
}

std::string TvxnNFeCustomDataSet::ConvPartF() {
  static const TvxnListaCampos kRetirada{
      "F", {"CNPJ_F02", "xLgr_F03", "nro_F04", "xCpl_F05", "xBairro_F06", "cMun_F07", "xMun_F08", "UF_F09"}};
  return Grupo("retirada", [this] {
    std::string conteudo;
    AppendFields(conteudo, kRetirada);
    return conteudo;
  }());
}

std::string TvxnNFeCustomDataSet::ConvPartG() {
  static const TvxnListaCampos kEntrega{
      "G", {"CNPJ_G02", "xLgr_G03", "nro_G04", "xCpl_G05", "xBairro_G06", "cMun_G07", "xMun_G08", "UF_G09"}};
  return Grupo("entrega", [this] {
    std::string conteudo;
    AppendFields(conteudo, kEntrega);
    return conteudo;
  }());
}

std::string TvxnNFeCustomDataSet::ConvPartI() {
  static const TvxnListaCampos kProd{"I",
                                     {"cProd_I02", "cEAN_I03", "xProd_I04", "NCM_I05", "EXTIPI_I06",
                                      "genero_I07", "CFOP_I08", "uCom_I09", "qCom_I10", "vUnCom_I10a",
                                      "vProd_I11", "cEANTrib_I12", "uTrib_I13", "qTrib_I14", "vUnTrib_I14a",
                                      "vFrete_I15", "vSeg_I16", "vDesc_I17"}};
  std::string out = "<prod>";
  AppendFields(out, kProd);
  out += ConvDI();
  out += ConvPartJ();
  out += ConvPartK();
  out += ConvPartL();
  out += ConvPartL1();
  out += "</prod>";
  return out;
}

// The fuel group of 1.10 with the ICMS of the fuel, of the interstate operation and of consumption.
std::string TvxnNFeCustomDataSet::ConvPartL1() {
  static const TvxnListaCampos kComb{"L1", {"cProdANP_L102", "CODIF_L103", "qTemp_L104"}};
  static const TvxnListaCampos kCIDE{"L1", {"qBCProd_L106", "vAliqProd_L107", "vCIDE_L108"}};
  static const TvxnListaCampos kInter{"L1", {"vBCICMSSTDest_L115", "vICMSSTDest_L116"}};
  static const TvxnListaCampos kCons{"L1", {"vBCICMSSTCons_L118", "vICMSSTCons_L119", "UFCons_L120"}};
  std::string conteudo;
  AppendFields(conteudo, kComb);
  std::string grupo;
  AppendFields(grupo, kCIDE);
  AppendGrupo(conteudo, "CIDE", grupo);
  conteudo += ICMSComb();
  grupo.clear();
  AppendFields(grupo, kInter);
  AppendGrupo(conteudo, "ICMSInter", grupo);
  grupo.clear();
  AppendFields(grupo, kCons);
  AppendGrupo(conteudo, "ICMSCons", grupo);
  return Grupo("comb", conteudo);
}

std::string TvxnNFeCustomDataSet::ICMSComb() {
  static const TvxnListaCampos kICMSComb{"L1",
                                         {"vBCICMS_L110", "vICMS_L111", "vBCICMSST_L112", "vICMSST_L113"}};
  std::string grupo;
  AppendFields(grupo, kICMSComb);
  return Grupo("ICMSComb", grupo);
}

std::string TvxnNFeCustomDataSet::ConvPartN() {
  return ConvICMS(kTabela110);
}

std::string TvxnDS_pl005c::ConvPartN() {
  return ConvICMS(kTabela110c);
}

// The transport group; `vagaoBalsa` (from 2.00) is written after the trailers.
std::string TvxnNFeCustomDataSet::ConvTransp(const TvxnModeloXml* vagaoBalsa) {
  static const TvxnModeloXml kModFrete{"@x(modFrete_X02)"};
  static const TvxnModeloXml kTransporta{
      "@x(CNPJ_X04)@x(CPF_X05)@x(xNome_X06)@x(IE_X07)@x(xEnder_X08)@x(xMun_X09)@x(UF_X10)"};
  static const TvxnModeloXml kRetTransp{
      "@x(vServ_X12)@x(vBCRet_X13)@x(pICMSRet_X14)@x(vICMSRet_X15)@x(CFOP_X16)@x(cMunFG_X17)"};
  static const TvxnModeloXml kVeicTransp{"@x(placa_X19)@x(UF_X20)@x(RNTC_X21)"};
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
  if (vagaoBalsa)
    AppendTemplate(out, *vagaoBalsa);
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

std::string TvxnNFeCustomDataSet::ConvPartX() {
  return ConvTransp(nullptr);
}

// infAdic, then exporta and compra.
std::string TvxnNFeCustomDataSet::ConvPartZ() {
  static const TvxnModeloXml kInfAdic{"@z(infAdFisco_Z02)@z(infCpl_Z03)"};
  std::string conteudo;
  AppendTemplate(conteudo, kInfAdic);
  conteudo += ConvObsCont();
  conteudo += ConvObsFisco();
  conteudo += ConvProcRef();
  std::string out = Grupo("infAdic", conteudo);
  out += ConvExporta();
  out += ConvCompra();
  return out;
}

} // namespace vxn
