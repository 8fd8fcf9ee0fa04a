#include "vxnPaths.h"

#include <cstdlib>
#include <filesystem>
#include <vector>

namespace vxn {

std::string ToNativePath(std::string_view path) {
  std::string p(path);
  for (char& c : p)
    if (c == '\\')
      c = '/';
  return p;
}

std::string IncludeTrailingPathDelimiter(std::string_view path) {
  std::string p = ToNativePath(path);
  if (!p.empty() && p.back() != '/')
    p += '/';
  return p;
}

std::string ExcludeTrailingPathDelimiter(std::string_view path) {
  std::string p = ToNativePath(path);
  while (p.size() > 1 && p.back() == '/')
    p.pop_back();
  return p;
}

bool IsAbsolutePath(std::string_view path) {
  return !path.empty() && (path[0] == '/' || path[0] == '\\');
}

std::string ProgramDirectory() {
  if (const char* home = std::getenv("QUORVANT_NFE_HOME"); home && *home)
    return IncludeTrailingPathDelimiter(home);
  std::error_code ec;
  auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec)
    return IncludeTrailingPathDelimiter(std::filesystem::current_path().string());
  return IncludeTrailingPathDelimiter(exe.parent_path().string());
}

std::string ExpandPath(std::string_view path) {
  if (path.empty())
    return {};
  std::string p = ToNativePath(path);
  bool trailing = p.back() == '/';
  if (!IsAbsolutePath(p))
    p = ProgramDirectory() + p;
  // Fold "." and ".." without touching the file system: the path need not exist yet.
  std::vector<std::string> parts;
  std::size_t i = 0;
  while (i <= p.size()) {
    std::size_t e = p.find('/', i);
    if (e == std::string::npos)
      e = p.size();
    std::string seg = p.substr(i, e - i);
    if (seg == "..") {
      if (!parts.empty())
        parts.pop_back();
    } else if (!seg.empty() && seg != ".") {
      parts.push_back(seg);
    }
    i = e + 1;
  }
  std::string out;
  for (const auto& s : parts) {
    out.push_back('/');
    out.append(s);
  }
  if (out.empty())
    out = "/";
  if (trailing && out.back() != '/')
    out += '/';
  return out;
}

std::string ExtractFilePath(std::string_view path) {
  std::string p = ToNativePath(path);
  std::size_t s = p.rfind('/');
  return s == std::string::npos ? std::string() : p.substr(0, s + 1);
}

std::string ExtractFileName(std::string_view path) {
  std::string p = ToNativePath(path);
  std::size_t s = p.rfind('/');
  return s == std::string::npos ? p : p.substr(s + 1);
}

} // namespace vxn
