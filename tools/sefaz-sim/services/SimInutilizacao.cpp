#include "sefaz-sim/services/SimInutilizacao.h"

#include "sefaz-sim/SimLots.h"
#include "sefaz-sim/SimReplies.h"
#include "sefaz-sim/SimSchemas.h"
#include "sefaz-sim/SimStates.h"
#include "vxnFormat.h"
#include "vxnGovX.h"
#include "xml/vxnNFeNamespaces.h"

namespace vxn::sim {

namespace {

std::string Element(std::string_view name, std::string_view value) {
  const std::string n(name);
  return value.empty() ? std::string() : "<" + n + ">" + std::string(value) + "</" + n + ">";
}

std::string LeftPad14(const std::string& s) {
  return s.size() >= 14 ? s : std::string(14 - s.size(), '0') + s;
}

} // namespace

// Each layout answers the published action, and the one clients build from the servers-file key.
TSimInutilizacao::TSimInutilizacao(std::string versao)
    : TSimLayoutService(
          std::move(versao),
          {"NFeInutilizacao4",
           "NfeInutilizacao4",
           {{"NFeInutilizacao4", "nfeInutilizacaoNF"}},
           "nfeResultMsg"},
          {"NfeInutilizacao2",
           "NfeInutilizacao3",
           {{"NfeInutilizacao2", "nfeInutilizacaoNF2"}, {"NfeInutilizacao3", "nfeInutilizacaoNF"}},
           "nfeInutilizacaoNF2Result"}) {}

int TSimInutilizacao::Check(const TSimRequest& request, const TSimContext& context) const {
  const std::string& xml = request.DataXml;
  // A person issuing NF-e exists only in the states whose schema variant (Mato Grosso's) accepts a CPF.
  const bool cpf = !ElementText(xml, "CPF").empty();
  const std::string schema = Is400() && cpf ? "MT_inutNFe_v4.00.xsd" : "inutNFe_v" + Versao() + ".xsd";
  if (!context.Schemas.Validate(xml, schema).empty())
    return 215;
  if (!context.Verifier.Verify(xml))
    return 297;
  if (ElementText(xml, "tpAmb") != "2") // this server is a homologation environment
    return 252;
  if (!context.States.Serves(request.Section, ElementText(xml, "cUF")))
    return 226;
  const std::string cnpj = ElementText(xml, "CNPJ");
  // The first eight digits of a CNPJ name the company; the certificate must be one of its own.
  if (!cnpj.empty() &&
      (request.ClientCnpj.size() != 14 || cnpj.substr(0, 8) != request.ClientCnpj.substr(0, 8)))
    return 213;
  const TSimNumberRange range{LeftPad14(cnpj.empty() ? ElementText(xml, "CPF") : cnpj),
                              std::stoi(ElementText(xml, "mod")), std::stoi(ElementText(xml, "serie")),
                              std::stoll(ElementText(xml, "nNFIni")), std::stoll(ElementText(xml, "nNFFin"))};
  return context.Lots.Invalidate(range);
}

std::string TSimInutilizacao::Handle(const TSimRequest& request, const TSimContext& context) const {
  const std::string& xml = request.DataXml;
  const std::string requestUF = ElementText(xml, "cUF");
  const std::string cUF =
      context.States.ReplyCode(request.Section, requestUF.empty() ? request.HeaderCUF : requestUF);
  const int cStat = Check(request, context);
  if (cStat == 215)
    return Reply(215, cUF, {}, {});
  const std::string fields =
      Element("ano", ElementText(xml, "ano")) + Element("CNPJ", ElementText(xml, "CNPJ")) +
      Element("mod", ElementText(xml, "mod")) + Element("serie", ElementText(xml, "serie")) +
      Element("nNFIni", ElementText(xml, "nNFIni")) + Element("nNFFin", ElementText(xml, "nNFFin"));
  return Reply(cStat == 0 ? 102 : cStat, cUF, fields, cStat == 0 ? context.Lots.NewProtocol(cUF) : "");
}

std::string TSimInutilizacao::Reply(int cStat, std::string_view cUF, std::string_view fields,
                                    std::string_view nProt) const {
  return Format(R"(<retInutNFe versao="%s" xmlns="%s"><infInut><tpAmb>2</tpAmb><verAplic>%s</verAplic>)"
                R"(<cStat>%d</cStat><xMotivo>%s</xMotivo><cUF>%s</cUF>%s<dhRecbto>%s</dhRecbto>%s)"
                R"(</infInut></retInutNFe>)",
                {Versao(), std::string(uri::kNFe), std::string(kVerAplic), cStat, MotivoOf(cStat),
                 std::string(cUF), std::string(fields), NowBrasilia(), Element("nProt", nProt)});
}

} // namespace vxn::sim
