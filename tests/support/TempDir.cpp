#include "support/TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string_view>

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

std::set<std::string> FileNames(const std::string& dir, std::string_view suffix) {
  std::set<std::string> names;
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator(dir, ec))
    if (e.path().filename().string().ends_with(suffix))
      names.insert(e.path().filename().string());
  return names;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  std::size_t i = 0;
  while (i < text.size()) {
    std::size_t e = text.find('\n', i);
    if (e == std::string::npos)
      e = text.size();
    std::string line = text.substr(i, e - i);
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    out.push_back(std::move(line));
    i = e + 1;
  }
  return out;
}

std::vector<std::vector<std::string>> ReadTable(const std::string& testsPath) {
  const std::string text = ReadFileOrEmpty(std::string(QVX_SOURCE_DIR) + "/tests/" + testsPath);
  if (text.empty())
    throw std::runtime_error("no table " + testsPath);
  std::vector<std::vector<std::string>> rows;
  for (const std::string& line : Lines(text)) {
    if (line.empty() || line[0] == '#')
      continue;
    std::vector<std::string> row(1);
    for (std::size_t i = 0; i < line.size(); ++i) {
      if (line[i] == '\t')
        row.emplace_back();
      else if (line[i] == '\\' && i + 1 < line.size() &&
               std::string_view("rnt\\").find(line[i + 1]) != std::string_view::npos)
        row.back() += "\r\n\t\\"[std::string_view("rnt\\").find(line[++i])];
      else
        row.back() += line[i];
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

} // namespace vxn::test
