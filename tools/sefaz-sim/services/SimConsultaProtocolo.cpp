#include "sefaz-sim/services/SimConsultaProtocolo.h"

#include "sefaz-sim/SimEvents.h"
#include "sefaz-sim/SimLots.h"
#include "sefaz-sim/SimReplies.h"
#include "sefaz-sim/SimSchemas.h"
#include "sefaz-sim/SimStates.h"
#include "vxnFormat.h"
#include "xml/vxnNFeNamespaces.h"

namespace vxn::sim {

// Each layout answers the published action, and the one clients build from the servers-file key.
TSimConsultaProtocolo::TSimConsultaProtocolo(std::string versao)
    : TSimLayoutService(std::move(versao),
                        {"NFeConsultaProtocolo4",
                         "NfeConsulta4",
                         {{"NFeConsultaProtocolo4", "nfeConsultaNF"}, {"NfeConsulta4", "nfeConsultaNF"}},
                         "nfeResultMsg"},
                        {"NfeConsulta2",
                         "NfeConsulta3",
                         {{"NfeConsulta2", "nfeConsultaNF2"}, {"NfeConsulta3", "nfeConsultaNF"}},
                         "nfeConsultaNF2Result"}) {}

std::string TSimConsultaProtocolo::Handle(const TSimRequest& request, const TSimContext& context) const {
  const std::string chNFe = ElementText(request.DataXml, "chNFe");
  const std::string keyUF = chNFe.size() >= 2 ? chNFe.substr(0, 2) : request.HeaderCUF;
  const std::string cUF = context.States.ReplyCode(request.Section, keyUF);
  if (!context.Schemas.Validate(request.DataXml, "consSitNFe_v" + Versao() + ".xsd").empty())
    return Reply(215, cUF, chNFe, {});
  if (ElementText(request.DataXml, "tpAmb") != "2") // this server is a homologation environment
    return Reply(252, cUF, chNFe, {});
  // A key of another state is not this authority's to answer.
  if (!context.States.Serves(request.Section, keyUF))
    return Reply(226, cUF, chNFe, {});
  if (const auto authorised = context.Lots.Authorised(chNFe)) {
    // The document's events follow its protocol, each joined with its answer; a cancelled document
    // answers 101.
    std::string events;
    bool cancelled = false;
    for (const TSimEvent& e : context.Events.OfKey(chNFe)) {
      events += R"(<procEventoNFe versao="1.00">)" + e.Evento + e.RetEvento + "</procEventoNFe>";
      cancelled = cancelled || e.TpEvento == "110111" || e.TpEvento == "110112";
    }
    return Reply(cancelled ? 101 : 100, cUF, chNFe, authorised->ProtNFe + events);
  }
  return Reply(217, cUF, chNFe, {});
}

std::string TSimConsultaProtocolo::Reply(int cStat, std::string_view cUF, std::string_view chNFe,
                                         std::string_view protNFe) const {
  return Format(R"(<retConsSitNFe versao="%s" xmlns="%s"><tpAmb>2</tpAmb><verAplic>%s</verAplic>)"
                R"(<cStat>%d</cStat><xMotivo>%s</xMotivo><cUF>%s</cUF><dhRecbto>%s</dhRecbto>)"
                R"(<chNFe>%s</chNFe>%s</retConsSitNFe>)",
                {Versao(), std::string(uri::kNFe), std::string(kVerAplic), cStat, MotivoOf(cStat),
                 std::string(cUF), NowBrasilia(), std::string(chNFe), std::string(protNFe)});
}

} // namespace vxn::sim
