#include "support/TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace vxn::test {

TempDir::TempDir() {
  std::string tmpl = (std::filesystem::temp_directory_path() / "qvx-test-XXXXXX").string();
  if (!::mkdtemp(tmpl.data()))
    throw std::runtime_error("mkdtemp failed");
  path_ = tmpl + "/";
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::string ReadFileOrEmpty(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

std::size_t CountLines(const std::string& text) {
  std::size_t n = 0;
  for (char c : text)
    if (c == '\n')
      ++n;
  return n;
}

} // namespace vxn::test
