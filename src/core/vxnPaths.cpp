#include "vxnPaths.h"

#include <dlfcn.h>
#include <link.h>

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

namespace {

#ifndef QVX_DATA_FROM_LIBDIR
#define QVX_DATA_FROM_LIBDIR "../share/quorvant-nfe"
#endif
#ifndef QVX_DATA_FROM_BINDIR
#define QVX_DATA_FROM_BINDIR "../share/quorvant-nfe"
#endif
#ifndef QVX_INSTALL_DATADIR
#define QVX_INSTALL_DATADIR "/usr/local/share/quorvant-nfe"
#endif

// A folder holds the shipped data when it has the templates.
bool HoldsShippedData(const std::filesystem::path& dir) {
  std::error_code ec;
  return std::filesystem::is_directory(dir / "Templates", ec);
}

// The folder of the file this code was loaded from: the shared library, or the program that linked
// the static library. For the program itself the dynamic linker keeps no path (dladdr then reports
// argv[0], which is only "nfe" when the shell found it on PATH), so its own file stands in.
std::filesystem::path LoadedFromDirectory(const std::filesystem::path& program) {
  Dl_info info{};
  link_map* map = nullptr;
  if (dladdr1(reinterpret_cast<void*>(&ProgramDirectory), &info, reinterpret_cast<void**>(&map),
              RTLD_DL_LINKMAP) == 0)
    return {};
  if (map == nullptr || map->l_name == nullptr || map->l_name[0] == '\0')
    return program.parent_path();
  std::error_code ec;
  const auto file = std::filesystem::canonical(map->l_name, ec);
  return ec ? std::filesystem::path() : file.parent_path();
}

// The data folder of an installed library: share/quorvant-nfe of the prefix it was loaded from, else of
// the prefix it was configured for; empty when neither exists.
std::string InstalledDataDirectory(const std::filesystem::path& program) {
  if (const auto from = LoadedFromDirectory(program); !from.empty())
    for (const char* relative : {QVX_DATA_FROM_LIBDIR, QVX_DATA_FROM_BINDIR})
      if (const auto dir = (from / relative).lexically_normal(); HoldsShippedData(dir))
        return dir.string();
  if (HoldsShippedData(QVX_INSTALL_DATADIR))
    return QVX_INSTALL_DATADIR;
  return {};
}

} // namespace

std::string ProgramDirectory() {
  if (const char* home = std::getenv("QUORVANT_NFE_HOME"); home && *home)
    return IncludeTrailingPathDelimiter(home);
  std::error_code ec;
  auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec)
    return IncludeTrailingPathDelimiter(std::filesystem::current_path().string());
  // A program with the data beside it (a build tree, an application deployed with its own copy) keeps
  // it; otherwise an installed library answers with its data folder, which is found once per process.
  if (HoldsShippedData(exe.parent_path()))
    return IncludeTrailingPathDelimiter(exe.parent_path().string());
  static const std::string installed = InstalledDataDirectory(exe);
  return IncludeTrailingPathDelimiter(installed.empty() ? exe.parent_path().string() : installed);
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
