// The log of the requests the local tax-authority server answered, as the integration tests observe it.
#pragma once

#include "sefaz-sim/SefazSim.h"
#include "support/SimOptions.h"

#include <chrono>
#include <cstddef>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vxn::test {

// The server's request log lines ("POST <path> 200 <action>"), filled by the options it is started with.
class TSimRequestLog {
public:
  // Server options that record each request line here; the log must outlive the server.
  sim::TSefazSimOptions Options() {
    sim::TSefazSimOptions o = SimOptions();
    o.OnRequest = [this](const std::string& line) {
      std::lock_guard lock(mutex_);
      lines_.push_back(line);
    };
    return o;
  }

  std::vector<std::string> Lines() {
    std::lock_guard lock(mutex_);
    return lines_;
  }

  // The action of every request, awaited until the server reported `count` of them (it writes its line
  // after the reply has gone out).
  std::vector<std::string> Actions(std::size_t count) {
    for (int i = 0; i < 500 && Lines().size() < count; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::vector<std::string> actions;
    for (const std::string& line : Lines())
      actions.push_back(line.substr(line.rfind(' ') + 1));
    return actions;
  }

private:
  std::mutex mutex_;
  std::vector<std::string> lines_;
};

} // namespace vxn::test
