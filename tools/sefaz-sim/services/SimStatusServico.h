// The service-status web service, layouts 4.00 (NFeStatusServico4) and 3.10 (NfeStatusServico3).
#pragma once

#include "sefaz-sim/SimLayoutService.h"

namespace vxn::sim {

class TSimStatusServico : public TSimLayoutService {
public:
  // versao: "4.00" or "3.10".
  explicit TSimStatusServico(std::string versao);

  std::string Handle(const TSimRequest& request, const TSimContext& context) const override;

private:
  // The cStat for a request whose message passed the schema.
  int Decide(const TSimRequest& request, const TSimContext& context, std::string_view tpAmb,
             std::string_view cUF) const;
  std::string Reply(int cStat, std::string_view cUF) const;
};

} // namespace vxn::sim
