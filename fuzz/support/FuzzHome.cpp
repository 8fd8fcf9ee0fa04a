#include "FuzzHome.h"

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <system_error>
#include <unistd.h>

namespace vxn::fuzz {
namespace {

namespace fs = std::filesystem;

std::string ShippedDataDirectory() {
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (ec)
    throw std::runtime_error("fuzz: the program's own path is unknown");
  return exe.parent_path().string();
}

std::string MakeHome() {
  std::string pattern = (fs::temp_directory_path() / "qvx-fuzz-XXXXXX").string();
  if (!::mkdtemp(pattern.data()))
    throw std::runtime_error("fuzz: cannot make the program directory");
  const fs::path home(pattern);
  for (const fs::directory_entry& entry : fs::directory_iterator(ShippedDataDirectory()))
    if (entry.is_directory())
      fs::create_directory_symlink(entry.path(), home / entry.path().filename());
  for (const char* log : {"nfe_exception.log", "nfeeventos_exception.log"})
    fs::create_symlink("/dev/null", home / log);
  ::setenv("QUORVANT_NFE_HOME", pattern.c_str(), 1);
  return pattern + "/";
}

struct Home {
  std::string path = MakeHome();
  ~Home() {
    std::error_code ec;
    fs::remove_all(path, ec);
  }
};

} // namespace

const std::string& FuzzHome() {
  static const Home home;
  return home.path;
}

bool NamesAFile(std::string_view input) {
  if (input.empty() || input.find_first_of("\r\n") != std::string_view::npos ||
      input.find('\0') != std::string_view::npos)
    return false;
  std::error_code ec;
  return fs::exists(fs::path(std::string(input)), ec) || fs::exists(fs::path(FuzzHome()) / input, ec);
}

} // namespace vxn::fuzz
