#include "sefaz-sim/services/SimStatusServico.h"

#include "sefaz-sim/SimReplies.h"
#include "sefaz-sim/SimSchemas.h"
#include "sefaz-sim/SimStates.h"
#include "vxnFormat.h"
#include "xml/vxnNFeNamespaces.h"

namespace vxn::sim {

TSimStatusServico::TSimStatusServico(std::string versao)
    : TSimLayoutService(
          std::move(versao),
          {"NFeStatusServico4",
           "NfeStatusServico4",
           {{"NFeStatusServico4", "nfeStatusServicoNF"}},
           "nfeResultMsg"},
          // The 3.10 envelope names the older WSDL; both actions reach the same operation.
          {"NfeStatusServico3",
           "NfeStatusServico3",
           {{"NfeStatusServico3", "nfeStatusServicoNF"}, {"NfeStatusServico2", "nfeStatusServicoNF2"}},
           "nfeStatusServicoNFResult"}) {}

std::string TSimStatusServico::Handle(const TSimRequest& request, const TSimContext& context) const {
  const std::string cUF = ElementText(request.DataXml, "cUF");
  const std::string replyUF = context.States.ReplyCode(request.Section, cUF);
  if (!context.Schemas.Validate(request.DataXml, "consStatServ_v" + Versao() + ".xsd").empty())
    return Reply(215, replyUF);
  const std::string tpAmb = ElementText(request.DataXml, "tpAmb");
  return Reply(Decide(request, context, tpAmb, cUF), replyUF);
}

int TSimStatusServico::Decide(const TSimRequest& request, const TSimContext& context, std::string_view tpAmb,
                              std::string_view cUF) const {
  if (tpAmb != "2") // this server is a homologation environment
    return 252;
  if (!context.States.Serves(request.Section, cUF))
    return 226;
  if (const int paralysed = context.ParalysedCode(request.Section))
    return paralysed;
  return context.StatusPaused.value_or(107);
}

std::string TSimStatusServico::Reply(int cStat, std::string_view cUF) const {
  std::string xml =
      Format(R"(<retConsStatServ versao="%s" xmlns="%s"><tpAmb>2</tpAmb><verAplic>%s</verAplic>)"
             R"(<cStat>%d</cStat><xMotivo>%s</xMotivo><cUF>%s</cUF><dhRecbto>%s</dhRecbto>)",
             {Versao(), std::string(uri::kNFe), std::string(kVerAplic), cStat, MotivoOf(cStat),
              std::string(cUF), NowBrasilia()});
  if (cStat == 107)
    xml += "<tMed>1</tMed>";
  xml += "</retConsStatServ>";
  return xml;
}

} // namespace vxn::sim
