// A fresh folder under the system temporary directory, removed with everything in it at scope end.
#pragma once

#include <set>
#include <string>
#include <string_view>
#include <vector>

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
// Number of LF-terminated lines of a text.
std::size_t CountLines(const std::string& text);
// The lines of a text split on LF, without their CR; no empty last line for a final LF.
std::vector<std::string> Lines(const std::string& text);
// The names of the files of a folder that end with `suffix` (none when the folder does not exist).
std::set<std::string> FileNames(const std::string& dir, std::string_view suffix = "");
// The rows of a table file of the tests (tests/<path>): tab-separated columns, CR, LF, tab and backslash
// written as "\r", "\n", "\t" and "\\", lines that are empty or start with "#" skipped.
std::vector<std::vector<std::string>> ReadTable(const std::string& testsPath);

} // namespace vxn::test
