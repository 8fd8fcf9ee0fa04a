#include "NfeDataDirectory.h"

#include "NfeToolError.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace vxn::tool {

namespace {

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::string(v) : std::string();
}

} // namespace

std::string NfeDataDirectory() {
  namespace fs = std::filesystem;
  fs::path base;
  // A relative XDG_DATA_HOME is invalid under the XDG rules and is ignored.
  if (const std::string xdg = Env("XDG_DATA_HOME"); !xdg.empty() && fs::path(xdg).is_absolute())
    base = xdg;
  else if (const std::string home = Env("HOME"); !home.empty())
    base = fs::path(home) / ".local" / "share";
  else
    throw ENfeToolError(kExitConfiguracao,
                        "no data folder: neither XDG_DATA_HOME nor HOME is set (or use --config FILE)");
  const fs::path dir = base / "quorvant-nfe";
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (ec || !fs::is_directory(dir))
    throw ENfeToolError(kExitConfiguracao, "cannot create the data folder " + dir.string() + ": " +
                                               (ec ? ec.message() : "not a directory"));
  return dir.string() + "/";
}

} // namespace vxn::tool
