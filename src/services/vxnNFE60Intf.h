// The web-service class of layout 4.00 (vm60).
#pragma once

#include "services/vxnNFE50aIntf.h"

namespace vxn {

class TvxnNFE60Intf : public TvxnNFE50aIntf {
public:
  using TvxnNFE50aIntf::TvxnNFE50aIntf;

  std::string StatusDoServico() override;
  std::string NFe_DesenveloparSOAP(std::string_view reply) const override;
};

} // namespace vxn
