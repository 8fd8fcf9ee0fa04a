#include "support/ProgramHome.h"

#include "vxnNFeException.h"

#include <cstdlib>
#include <filesystem>

namespace vxn::test {

ProgramHome::ProgramHome(bool withData) {
  if (withData)
    std::filesystem::copy(std::string(QVX_SOURCE_DIR) + "/data", dir_.Path(),
                          std::filesystem::copy_options::recursive);
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
