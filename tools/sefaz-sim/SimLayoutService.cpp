#include "sefaz-sim/SimLayoutService.h"

#include "vxnFormat.h"
#include "xml/vxnNFeNamespaces.h"

#include <utility>

namespace vxn::sim {

TSimLayoutService::TSimLayoutService(std::string versao) : versao_(std::move(versao)) {}

TSimLayoutService::TSimLayoutService(std::string versao, TSimNomesDoLeiaute nomes400,
                                     TSimNomesDoLeiaute nomes310)
    : versao_(std::move(versao)), nomes400_(std::move(nomes400)), nomes310_(std::move(nomes310)) {}

std::vector<std::string> TSimLayoutService::Actions() const {
  std::vector<std::string> actions;
  for (const auto& [wsdl, operacao] : Nomes().Actions)
    actions.push_back(WsdlNamespace(wsdl) + "/" + operacao);
  return actions;
}

std::string TSimLayoutService::ReplyHeader(const TSimRequest& request) const {
  if (Is400())
    return {};
  return Format(R"(<nfeCabecMsg xmlns="%s"><cUF>%s</cUF><versaoDados>3.10</versaoDados></nfeCabecMsg>)",
                {request.BodyNamespace, request.HeaderCUF});
}

} // namespace vxn::sim
