// A web service published in the two layouts of the NF-e messages, 4.00 and 3.10: the version picks the
// schema, the names of the service and, under 3.10, the nfeCabecMsg header of the reply.
#pragma once

#include "sefaz-sim/SimService.h"

#include <string>

namespace vxn::sim {

class TSimLayoutService : public TSimService {
public:
  // Under 3.10 the reply carries the header with the request's cUF; under 4.00 it has none.
  std::string ReplyHeader(const TSimRequest& request) const override;

protected:
  // versao: "4.00" or "3.10".
  explicit TSimLayoutService(std::string versao);

  bool Is400() const { return versao_ == "4.00"; }
  const std::string& Versao() const { return versao_; }

private:
  std::string versao_;
};

} // namespace vxn::sim
