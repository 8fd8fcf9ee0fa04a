#include "support/ProgramHome.h"

#include "vxnNFeException.h"

#include <cstdlib>
#include <filesystem>

namespace vxn::test {

ProgramHome::ProgramHome(bool withData) {
  if (withData)
    for (const auto& entry : std::filesystem::directory_iterator(std::string(QVX_SOURCE_DIR) + "/data")) {
      const std::filesystem::path to = std::filesystem::path(dir_.Path()) / entry.path().filename();
      // The schemas, nine tenths of the shipped files and only ever read, are linked instead of copied:
      // every test case is a process of its own with a program directory of its own.
      if (entry.path().filename() == "Esquemas")
        std::filesystem::create_directory_symlink(entry.path(), to);
      else
        std::filesystem::copy(entry.path(), to, std::filesystem::copy_options::recursive);
    }
  if (const char* old = std::getenv("QUORVANT_NFE_HOME"))
    previous_ = old;
  ::setenv("QUORVANT_NFE_HOME", dir_.Path().c_str(), 1);
}

ProgramHome::~ProgramHome() {
  if (previous_)
    ::setenv("QUORVANT_NFE_HOME", previous_->c_str(), 1);
  else
    ::unsetenv("QUORVANT_NFE_HOME");
  EvxnException::ResetClassState();
}

} // namespace vxn::test
