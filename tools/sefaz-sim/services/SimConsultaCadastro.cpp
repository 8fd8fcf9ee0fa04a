#include "sefaz-sim/services/SimConsultaCadastro.h"

#include "sefaz-sim/SimReplies.h"
#include "sefaz-sim/SimSchemas.h"
#include "sefaz-sim/SimStates.h"
#include "sefaz-sim/SimTaxpayers.h"
#include "vxnFormat.h"
#include "vxnText.h"
#include "xml/vxnNFeNamespaces.h"

namespace vxn::sim {

namespace {

std::string Element(std::string_view name, std::string_view value) {
  const std::string n(name);
  return value.empty() ? std::string() : "<" + n + ">" + std::string(value) + "</" + n + ">";
}

std::string InfCad(const TSimTaxpayer& t) {
  std::string xml = "<infCad>" + Element("IE", t.IE.empty() ? "ISENTO" : t.IE) +
                    (t.CNPJ.empty() ? Element("CPF", t.CPF) : Element("CNPJ", t.CNPJ)) + Element("UF", t.UF) +
                    Element("cSit", t.CSit) + Element("indCredNFe", t.IndCredNFe) +
                    Element("indCredCTe", t.IndCredCTe) + Element("xNome", t.XNome) +
                    Element("xRegApur", t.XRegApur) + Element("CNAE", t.CNAE);
  if (!t.XLgr.empty())
    xml += "<ender>" + Element("xLgr", t.XLgr) + Element("nro", t.Nro) + Element("xBairro", t.XBairro) +
           Element("cMun", t.CMun) + Element("xMun", t.XMun) + Element("CEP", t.CEP) + "</ender>";
  return xml + "</infCad>";
}

// The rejection of an unknown taxpayer, by the kind of document asked for.
int NotRegistered(std::string_view kind) {
  return kind == "CNPJ" ? 259 : kind == "CPF" ? 264 : 261;
}

} // namespace

TSimConsultaCadastro::TSimConsultaCadastro(std::string servico) : servico_(std::move(servico)) {}

std::string TSimConsultaCadastro::WsdlName() const {
  return Is4() ? "CadConsultaCadastro4" : "CadConsultaCadastro2";
}

std::vector<std::string> TSimConsultaCadastro::ServerKeys() const {
  return {Is4() ? "CadConsulta4" : "CadConsulta3"};
}

std::vector<std::string> TSimConsultaCadastro::Actions() const {
  if (Is4())
    return {WsdlNamespace("CadConsultaCadastro4") + "/consultaCadastro"};
  return {WsdlNamespace("CadConsultaCadastro2") + "/consultaCadastro2"};
}

std::string TSimConsultaCadastro::ResultElement() const {
  return Is4() ? "nfeResultMsg" : "consultaCadastro2Result";
}

std::string TSimConsultaCadastro::ReplyHeader(const TSimRequest& request) const {
  // The header form answers with a header, whichever service it reached.
  if (request.HeaderCUF.empty())
    return {};
  return Format(R"(<nfeCabecMsg xmlns="%s"><cUF>%s</cUF><versaoDados>2.00</versaoDados></nfeCabecMsg>)",
                {request.BodyNamespace, request.HeaderCUF});
}

std::string TSimConsultaCadastro::Handle(const TSimRequest& request, const TSimContext& context) const {
  const std::string& xml = request.DataXml;
  const std::string uf = ElementText(xml, "UF");
  std::string kind, number;
  for (const char* k : {"CNPJ", "CPF", "IE"})
    if (number.empty() && !(number = ElementText(xml, k)).empty())
      kind = k;
  const std::string document = Element(kind, number);
  const std::string cUF = context.States.ReplyCode(request.Section, context.States.CodeOf(uf));
  if (!context.Schemas.Validate(xml, "consCad_v2.00.xsd").empty())
    return Reply(215, uf, document, cUF, {});
  if (!context.States.CodeOf(request.Section).empty() && !SameText(request.Section, uf))
    return Reply(265, uf, document, cUF, {});
  if (const auto taxpayer = context.Taxpayers.Find(uf, kind, number))
    return Reply(111, uf, document, cUF, InfCad(*taxpayer));
  return Reply(NotRegistered(kind), uf, document, cUF, {});
}

std::string TSimConsultaCadastro::Reply(int cStat, std::string_view uf, std::string_view documentElement,
                                        std::string_view cUF, std::string_view infCad) const {
  return Format(
      R"(<retConsCad versao="2.00" xmlns="%s"><infCons><verAplic>%s</verAplic><cStat>%d</cStat>)"
      R"(<xMotivo>%s</xMotivo><UF>%s</UF>%s<dhCons>%s</dhCons><cUF>%s</cUF>%s</infCons></retConsCad>)",
      {std::string(uri::kNFe), std::string(kVerAplic), cStat, MotivoOf(cStat), std::string(uf),
       std::string(documentElement), NowBrasilia(), std::string(cUF), std::string(infCad)});
}

} // namespace vxn::sim
