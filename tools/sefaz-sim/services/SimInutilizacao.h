// The invalidation web service (inutNFe), layouts 4.00 (NFeInutilizacao4) and 3.10 (NfeInutilizacao2):
// checks the signed request and grants ranges of numbers that were neither authorised nor invalidated
// before.
#pragma once

#include "sefaz-sim/SimLayoutService.h"

namespace vxn::sim {

class TSimInutilizacao : public TSimLayoutService {
public:
  // versao: "4.00" or "3.10".
  explicit TSimInutilizacao(std::string versao);

  std::string Handle(const TSimRequest& request, const TSimContext& context) const override;

private:
  // The rejection code of a request, 0 when nothing stands against it.
  int Check(const TSimRequest& request, const TSimContext& context) const;
  // The reply; `fields` are the request's range fields (ano to nNFFin), "" after a schema failure.
  std::string Reply(int cStat, std::string_view cUF, std::string_view fields, std::string_view nProt) const;
};

} // namespace vxn::sim
