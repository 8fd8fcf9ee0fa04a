// A fresh folder under the system temporary directory, removed with everything in it at scope end.
#pragma once

#include <string>

namespace vxn::test {

class TempDir {
public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The folder with a trailing "/".
  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + name; }

private:
  std::string path_;
};

// Whole content of a file ("" when it does not exist).
std::string ReadFileOrEmpty(const std::string& path);
// Lines of a file split on LF, CR removed.
std::size_t CountLines(const std::string& text);

} // namespace vxn::test
