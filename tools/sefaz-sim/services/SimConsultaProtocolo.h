// The document query web service (consSitNFe), layouts 4.00 (NFeConsultaProtocolo4) and 3.10
// (NfeConsulta2): the situation of an access key, with the protocol of a document this server
// authorised.
#pragma once

#include "sefaz-sim/SimLayoutService.h"

namespace vxn::sim {

class TSimConsultaProtocolo : public TSimLayoutService {
public:
  // versao: "4.00" or "3.10".
  explicit TSimConsultaProtocolo(std::string versao);

  std::string Handle(const TSimRequest& request, const TSimContext& context) const override;

private:
  std::string Reply(int cStat, std::string_view cUF, std::string_view chNFe, std::string_view protNFe) const;
};

} // namespace vxn::sim
