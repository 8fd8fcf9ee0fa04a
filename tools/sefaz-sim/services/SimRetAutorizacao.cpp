#include "sefaz-sim/services/SimRetAutorizacao.h"

#include "sefaz-sim/SimLots.h"
#include "sefaz-sim/SimReplies.h"
#include "sefaz-sim/SimSchemas.h"
#include "sefaz-sim/SimStates.h"
#include "vxnFormat.h"
#include "xml/vxnNFeNamespaces.h"

namespace vxn::sim {

TSimRetAutorizacao::TSimRetAutorizacao(std::string versao) : TSimLayoutService(std::move(versao)) {}

std::string TSimRetAutorizacao::WsdlName() const {
  return Is400() ? "NFeRetAutorizacao4" : "NfeRetAutorizacao";
}

std::vector<std::string> TSimRetAutorizacao::ServerKeys() const {
  return {Is400() ? "NfeRetRecepcao4" : "NfeRetRecepcao3"};
}

std::vector<std::string> TSimRetAutorizacao::Actions() const {
  const std::string ns = WsdlNamespace(WsdlName());
  // The operation as published, and the service's own name, which some clients send as the operation.
  return {ns + "/nfeRetAutorizacaoLote", ns + "/" + WsdlName()};
}

std::string TSimRetAutorizacao::ResultElement() const {
  return Is400() ? "nfeResultMsg" : "nfeRetAutorizacaoLoteResult";
}

std::string TSimRetAutorizacao::Handle(const TSimRequest& request, const TSimContext& context) const {
  const std::string nRec = ElementText(request.DataXml, "nRec");
  const std::string sectionUF = context.States.ReplyCode(request.Section, request.HeaderCUF);
  if (!context.Schemas.Validate(request.DataXml, "consReciNFe_v" + Versao() + ".xsd").empty())
    return Reply(nRec, 215, sectionUF, {});
  if (ElementText(request.DataXml, "tpAmb") != "2") // this server is a homologation environment
    return Reply(nRec, 252, sectionUF, {});
  const TSimLots::TQuery lot = context.Lots.Query(nRec);
  if (!lot.Found)
    return Reply(nRec, 106, sectionUF, {});
  if (lot.Processing)
    return Reply(nRec, 105, lot.CUF, {});
  std::string protocols;
  for (const std::string& p : lot.Protocols)
    protocols += p;
  return Reply(nRec, 104, lot.CUF, protocols);
}

std::string TSimRetAutorizacao::Reply(std::string_view nRec, int cStat, std::string_view cUF,
                                      std::string_view protocols) const {
  return Format(R"(<retConsReciNFe versao="%s" xmlns="%s"><tpAmb>2</tpAmb><verAplic>%s</verAplic>)"
                R"(<nRec>%s</nRec><cStat>%d</cStat><xMotivo>%s</xMotivo><cUF>%s</cUF><dhRecbto>%s</dhRecbto>)"
                R"(%s</retConsReciNFe>)",
                {Versao(), std::string(uri::kNFe), std::string(kVerAplic), std::string(nRec), cStat,
                 MotivoOf(cStat), std::string(cUF), NowBrasilia(), std::string(protocols)});
}

} // namespace vxn::sim
