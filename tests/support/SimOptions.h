// The options of a local tax-authority server started by a test: its certificates take the keys of the
// build (support/TestKeys.h). Only for the test programs that link the server.
#pragma once

#include "sefaz-sim/SefazSim.h"
#include "support/TestKeys.h"

namespace vxn::test {

inline sim::TSefazSimOptions SimOptions() {
  sim::TSefazSimOptions o;
  o.Keys = SharedKeys();
  return o;
}

} // namespace vxn::test
