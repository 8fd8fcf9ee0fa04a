#include "sefaz-sim/SimLayoutService.h"

#include "vxnFormat.h"

#include <utility>

namespace vxn::sim {

TSimLayoutService::TSimLayoutService(std::string versao) : versao_(std::move(versao)) {}

std::string TSimLayoutService::ReplyHeader(const TSimRequest& request) const {
  if (Is400())
    return {};
  return Format(R"(<nfeCabecMsg xmlns="%s"><cUF>%s</cUF><versaoDados>3.10</versaoDados></nfeCabecMsg>)",
                {request.BodyNamespace, request.HeaderCUF});
}

} // namespace vxn::sim
