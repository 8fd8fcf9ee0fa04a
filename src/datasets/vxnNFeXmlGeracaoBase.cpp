// The group builders that every layout shares (whole parts and repeated groups whose form never
// changed), the document assembly of the base class and the failure of a builder a layout lacks.
#include "vxnNFeCustomDataSet.h"
#include "vxnNFeException.h"

namespace vxn {

void TvxnNFeCustomDataSet::SemGerador(std::string_view builder) const {
  throw EvxnNFeException("O grupo %s não tem gerador de XML nesta versão de esquema.", {builder},
                         GetDiretorioLogErro());
}

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

// The builders whose form depends on the layout: the first layouts' forms are not available here.
std::string TvxnNFeCustomDataSet::ConvPartA() {
  SemGerador("ConvPartA");
}
std::string TvxnNFeCustomDataSet::ConvPartB() {
  SemGerador("ConvPartB");
}
std::string TvxnNFeCustomDataSet::ConvPartC() {
  SemGerador("ConvPartC");
}
std::string TvxnNFeCustomDataSet::ConvPartE() {
  SemGerador("ConvPartE");
}
std::string TvxnNFeCustomDataSet::ConvPartF() {
  SemGerador("ConvPartF");
}
std::string TvxnNFeCustomDataSet::ConvPartG() {
  SemGerador("ConvPartG");
}
std::string TvxnNFeCustomDataSet::ConvPartItens() {
  SemGerador("ConvPartItens");
}
std::string TvxnNFeCustomDataSet::ConvPartK() {
  SemGerador("ConvPartK");
}
std::string TvxnNFeCustomDataSet::ConvPartL1() {
  SemGerador("ConvPartL1");
}
std::string TvxnNFeCustomDataSet::ConvPartL2() {
  SemGerador("ConvPartL2");
}
std::string TvxnNFeCustomDataSet::ConvPartN() {
  SemGerador("ConvPartN");
}
std::string TvxnNFeCustomDataSet::ConvPartO() {
  SemGerador("ConvPartO");
}
std::string TvxnNFeCustomDataSet::ConvPartQ() {
  SemGerador("ConvPartQ");
}
std::string TvxnNFeCustomDataSet::ConvPartR() {
  SemGerador("ConvPartR");
}
std::string TvxnNFeCustomDataSet::ConvPartS() {
  SemGerador("ConvPartS");
}
std::string TvxnNFeCustomDataSet::ConvPartT() {
  SemGerador("ConvPartT");
}
std::string TvxnNFeCustomDataSet::ConvPartI() {
  SemGerador("ConvPartI");
}
std::string TvxnNFeCustomDataSet::ConvPartW() {
  SemGerador("ConvPartW");
}
std::string TvxnNFeCustomDataSet::ConvPartX() {
  SemGerador("ConvPartX");
}
std::string TvxnNFeCustomDataSet::ConvPartY() {
  SemGerador("ConvPartY");
}
std::string TvxnNFeCustomDataSet::ConvPartZ() {
  SemGerador("ConvPartZ");
}
std::string TvxnNFeCustomDataSet::ConvPartRef() {
  SemGerador("ConvPartRef");
}
std::string TvxnNFeCustomDataSet::ICMSComb() {
  SemGerador("ICMSComb");
}
std::string TvxnNFeCustomDataSet::ConvExporta() {
  SemGerador("ConvExporta");
}
std::string TvxnNFeCustomDataSet::ConverterAuto() {
  SemGerador("ConverterAuto");
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

} // namespace vxn
