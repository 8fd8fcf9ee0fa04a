// What a call raised, as class name and message, so that a test can compare a refusal in one step and
// print both when they differ.
#pragma once

#include "vxnNFeException.h"

#include <functional>
#include <ostream>
#include <string>

namespace vxn::test {

struct Refusal {
  std::string className;
  std::string message;
  bool operator==(const Refusal&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const Refusal& r) {
  return os << r.className << ": \"" << r.message << "\"";
}

// {"", ""} when the call raised nothing.
inline Refusal RefusalOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const EvxnException& e) {
    return {e.ClassName(), e.Message()};
  }
  return {};
}

} // namespace vxn::test
