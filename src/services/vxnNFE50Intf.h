// The web-service class of vm50: the services of layout 2.00 unchanged.
#pragma once

#include "services/vxnNFE40Intf.h"

namespace vxn {

class TvxnNFE50Intf : public TvxnNFE40Intf {
public:
  using TvxnNFE40Intf::TvxnNFE40Intf;
};

} // namespace vxn
