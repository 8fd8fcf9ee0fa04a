#include "sefaz-sim/SimLots.h"
#include "sefaz-sim/SimStore.h"

#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <string>
#include <thread>

namespace {

using vxn::sim::TSimLots;

bool AllDigits(const std::string& s) {
  return s.find_first_not_of("0123456789") == std::string::npos;
}

// Clients name their log files after receipt numbers: a server started again (the embedded server of
// the command-line tool starts with every run) must not hand out a number an earlier one gave.
TEST(SefazSimLots, AServerStartedAgainRepeatsNoReceiptOrProtocol) {
  std::set<std::string> receipts;
  std::set<std::string> protocols;
  for (int run = 0; run < 3; ++run) {
    vxn::sim::TSimStore store(""); // in memory: only the clock carries the sequences over
    TSimLots lots(store);
    for (int i = 0; i < 20; ++i) {
      const std::string receipt = lots.NewReceipt("35");
      const std::string protocol = lots.NewProtocol("31");
      ASSERT_EQ(receipt.size(), 15u) << receipt;
      ASSERT_EQ(protocol.size(), 15u) << protocol;
      EXPECT_TRUE(AllDigits(receipt) && AllDigits(protocol)) << receipt << " " << protocol;
      EXPECT_EQ(receipt.substr(0, 2), "35");
      EXPECT_EQ(protocol.substr(0, 3), "231"); // homologation, then the state
      EXPECT_TRUE(receipts.insert(receipt).second) << "receipt given twice: " << receipt;
      EXPECT_TRUE(protocols.insert(protocol).second) << "protocol given twice: " << protocol;
    }
    // Twenty numbers were taken; the clock must move past them before the next server starts.
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
}

} // namespace
