// What the integration tests observe of the local tax-authority server: the text of an element of its
// replies and the log of the requests it answered.
#pragma once

#include "sefaz-sim/SefazSim.h"

#include <chrono>
#include <cstddef>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vxn::test {

// The text of the first element `name` of `s` ("" when there is none).
inline std::string Tag(const std::string& s, const std::string& name) {
  const auto a = s.find("<" + name + ">");
  const auto b = s.find("</" + name + ">", a == std::string::npos ? 0 : a);
  if (a == std::string::npos || b == std::string::npos)
    return {};
  return s.substr(a + name.size() + 2, b - a - name.size() - 2);
}

// The server's request log lines ("POST <path> 200 <action>"), filled by the options it is started with.
class TSimRequestLog {
public:
  // Server options that record each request line here; the log must outlive the server.
  sim::TSefazSimOptions Options() {
    sim::TSefazSimOptions o;
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
