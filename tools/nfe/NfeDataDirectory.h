// The user's data folder of the tool: $XDG_DATA_HOME/quorvant-nfe, or ~/.local/share/quorvant-nfe when
// XDG_DATA_HOME is unset or not absolute (as the XDG base directory rules say). The embedded default
// keeps its test certificate, logs and distribution XML there.
#pragma once

#include <string>

namespace vxn::tool {

// The folder with a trailing "/", created (with its parents) when missing. ENfeToolError with
// kExitConfiguracao when neither variable gives a usable folder or it cannot be created.
std::string NfeDataDirectory();

} // namespace vxn::tool
