// A failure the tool itself detects (a missing input file, an unusable data folder, a bad value on the
// command line that the parser cannot see), with the exit code it ends the program with. Failures of the
// library travel as its own exceptions and are reported with their class name.
#pragma once

#include "NfeExitCodes.h"

#include <stdexcept>
#include <string>

namespace vxn::tool {

class ENfeToolError : public std::runtime_error {
public:
  ENfeToolError(TNfeExitCode code, const std::string& message) : std::runtime_error(message), code_(code) {}
  TNfeExitCode Code() const noexcept { return code_; }

private:
  TNfeExitCode code_;
};

} // namespace vxn::tool
