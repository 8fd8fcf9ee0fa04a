// The group builders that every layout shares (whole parts and repeated groups whose form never
// changed), the document assembly of the base class and the failure of a builder a layout lacks.
#include "vxnNFeCustomDataSet.h"
#include "vxnNFeException.h"
#include "vxnNFeVersionDataSets.h"

namespace vxn {

void TvxnNFeCustomDataSet::AppendGrupo(std::string& out, std::string_view tag, std::string_view conteudo) {
  if (conteudo.empty())
    return;
  out += '<';
  out += tag;
  out += '>';
  out += conteudo;
  out += "</";
  out += tag;
  out += '>';
}

std::string TvxnNFeCustomDataSet::ConvPartD() {
  static const TvxnModeloXml kAvulsa{"@d(*)"};
  FindDataSet("D").SetTagXML("avulsa");
  std::string out;
  AppendTemplate(out, kAvulsa);
  return out;
}

std::string TvxnNFeCustomDataSet::ConvPartJ() {
  TXmlDataSetNFe& part = FindDataSet("J");
  part.SetTagXML("veicProd");
  return ConvertDataSetParaXML(part);
}

std::string TvxnNFeCustomDataSet::ConvPartL() {
  TXmlDataSetNFe& part = FindDataSet("L");
  part.SetTagXML("arma");
  return ConvertDataSetParaXML(part);
}

std::string TvxnNFeCustomDataSet::ConvPartP() {
  TXmlDataSetNFe& part = FindDataSet("P");
  part.SetTagXML("II");
  return ConvertDataSetParaXML(part);
}

std::string TvxnNFeCustomDataSet::ConvPartU() {
  TXmlDataSetNFe& part = FindDataSet("U");
  part.SetTagXML("ISSQN");
  return ConvertDataSetParaXML(part);
}

// The item's additional information is a plain element of det: no wrapping element.
std::string TvxnNFeCustomDataSet::ConvPartV() {
  TXmlDataSetNFe& part = FindDataSet("V");
  part.SetTagXML("");
  return ConvertDataSetParaXML(part);
}

std::string TvxnNFeCustomDataSet::ConvAutXML() {
  std::string out;
  AppendRepetido(out, "AUTXML", "<autXML>", "</autXML>",
                 [](const TXmlDataSetNFe& p) { return CamposXML(p); });
  return out;
}

std::string TvxnNFeCustomDataSet::ConvDI() {
  std::string out;
  AppendRepetido(out, "DI", "<DI>", "</DI>", [this](const TXmlDataSetNFe& p) {
    std::string campos = CamposXML(p);
    // A declaration whose own fields are empty is left out with its additions.
    return campos.empty() ? campos : campos + ConvADI();
  });
  return out;
}

std::string TvxnNFeCustomDataSet::ConvADI() {
  std::string out;
  AppendRepetido(out, "ADI", "<adi>", "</adi>", [](const TXmlDataSetNFe& p) { return CamposXML(p); });
  return out;
}

std::string TvxnNFeCustomDataSet::ConvDetExport() {
  TXmlDataSetNFe& exportInd = FindDataSet("EXPORTIND");
  exportInd.SetTagXML("exportInd");
  std::string out;
  AppendRepetido(out, "DETEXPORT", "<detExport>", "</detExport>", [&exportInd](const TXmlDataSetNFe& p) {
    std::string campos = CamposXML(p);
    AppendPartXML(campos, exportInd);
    return campos;
  });
  return out;
}

std::string TvxnNFeCustomDataSet::ConvCompra() {
  static const TvxnModeloXml kCompra{"@z(xNEmp_ZB02)@z(xPed_ZB03)@z(xCont_ZB04)"};
  std::string conteudo;
  AppendTemplate(conteudo, kCompra);
  std::string out;
  AppendGrupo(out, "compra", conteudo);
  return out;
}

std::string TvxnNFeCustomDataSet::ConvProcRef() {
  TXmlDataSetNFe& part = FindDataSet("PROCREF");
  part.SetTagXML("procRef");
  std::string out;
  for (part.First(); !part.Eof(); part.Next())
    AppendPartXML(out, part);
  return out;
}

std::string TvxnNFeCustomDataSet::CamposXML(const TXmlDataSetNFe& part) {
  // The record is found once, not once per field.
  const auto record = part.CurrentRecord();
  std::string out;
  for (std::size_t i = 0; i < part.Fields().size(); ++i) {
    const TXmlFieldNFe& field = part.XmlField(i);
    AppendValueXML(out, field, field.ValueIn(record));
  }
  return out;
}

// "<tag attribute>text</tag>" of the current observation record, or "" when it is empty.
std::string TvxnNFeCustomDataSet::Observacao(const TXmlDataSetNFe& part, std::string_view tag,
                                             std::string_view campo, std::string_view texto) {
  const auto record = part.CurrentRecord();
  const auto& campoAtributo = static_cast<const TXmlFieldNFe&>(part.FieldByName(campo));
  const auto& campoElemento = static_cast<const TXmlFieldNFe&>(part.FieldByName(texto));
  std::string atributo;
  AppendValueXML(atributo, campoAtributo, campoAtributo.ValueIn(record));
  std::string elemento;
  AppendValueXML(elemento, campoElemento, campoElemento.ValueIn(record));
  if (atributo.empty() && elemento.empty())
    return {};
  std::string out = "<";
  out.append(tag).append(" ").append(atributo).append(">").append(elemento).append("</").append(tag).append(
      ">");
  return out;
}

std::string TvxnNFeCustomDataSet::ConvObsCont() {
  std::string out;
  TXmlDataSetNFe& part = FindDataSet("OBSCONT");
  for (part.First(); !part.Eof(); part.Next())
    out += Observacao(part, "obsCont", "xCampo_Z05", "xTexto_Z06");
  return out;
}

std::string TvxnNFeCustomDataSet::ConvObsFisco() {
  std::string out;
  TXmlDataSetNFe& part = FindDataSet("OBSFISCO");
  for (part.First(); !part.Eof(); part.Next())
    out += Observacao(part, "obsFisco", "xCampo_Z08", "xTexto_Z09");
  return out;
}

std::string TvxnNFeCustomDataSet::ConvPartM() {
  return {};
}

// ---------------------------------------------------------------- helpers of the layouts' builders

namespace {

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

std::string TvxnNFeCustomDataSet::GrupoICMSDe(const TTabelaICMS& t) {
  const std::string_view cst = Campo("CST_N12").Value();
  // The transfer (repasse) of ICMS charged earlier to the destination state.
  // A layout without the groups does not have their fields either.
  const bool repasse =
      t.icmsST41 && (!Campo("vBCSTDest_N31").Value().empty() || !Campo("vICMSSTDest_N32").Value().empty());
  const bool partilha = t.icmsPart && !Campo("UFST_N24").Value().empty();
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

std::string TvxnNFeCustomDataSet::GrupoICMSSNDe(const TTabelaICMS& t) {
  if (!t.sn101) // a layout before the Simples Nacional groups
    return {};
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

std::string TvxnNFeCustomDataSet::ConvICMS(const TTabelaICMS& tabela) {
  std::string grupo = GrupoICMSSNDe(tabela);
  if (grupo.empty())
    grupo = GrupoICMSDe(tabela);
  std::string out;
  AppendGrupo(out, "ICMS", grupo);
  return out;
}

std::string TvxnNFeCustomDataSet::ConvIPI(const TvxnListaCampos& cabecalho) {
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
  std::string out;
  AppendGrupo(out, "IPI", conteudo);
  return out;
}

// PISST and COFINSST keep the form of the first layout up to 3.10.
std::string TvxnNFeCustomDataSet::ConvPartR() {
  static const TvxnListaCampos kPISST{"R",
                                      {"vBC_R02", "pPIS_R03", "qBCProd_R04", "vAliqProd_R05", "vPIS_R06"}};
  std::string conteudo;
  AppendFields(conteudo, kPISST);
  std::string out;
  AppendGrupo(out, "PISST", conteudo);
  return out;
}

std::string TvxnNFeCustomDataSet::ConvPartT() {
  static const TvxnListaCampos kCOFINSST{
      "T", {"vBC_T02", "pCOFINS_T03", "qBCProd_T04", "vAliqProd_T05", "vCOFINS_T06"}};
  std::string conteudo;
  AppendFields(conteudo, kCOFINSST);
  std::string out;
  AppendGrupo(out, "COFINSST", conteudo);
  return out;
}

std::string TvxnNFeCustomDataSet::ConvTotal(const TvxnListaCampos& icmsTot, const TvxnListaCampos& issqnTot) {
  static const TvxnListaCampos kRetTrib{"W",
                                        {"vRetPIS_W24", "vRetCOFINS_W25", "vRetCSLL_W26", "vBCIRRF_W27",
                                         "vIRRF_W28", "vBCRetPrev_W29", "vRetPrev_W30"}};
  std::string out = "<total><ICMSTot>";
  AppendFields(out, icmsTot);
  out += "</ICMSTot>";
  std::string grupo;
  AppendFields(grupo, issqnTot);
  AppendGrupo(out, "ISSQNtot", grupo);
  grupo.clear();
  AppendFields(grupo, kRetTrib);
  AppendGrupo(out, "retTrib", grupo);
  out += "</total>";
  return out;
}

std::string TvxnNFeCustomDataSet::ConvLocal(std::string_view tag, const TvxnListaCampos& campos) {
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

} // namespace vxn
