#include "vxnFiles.h"

#include "vxnNFeException.h"
#include "vxnPaths.h"

#include <cerrno>
#include <cstring>
#include <exception>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace vxn {
namespace fs = std::filesystem;

namespace {

[[noreturn]] void Fail(std::string_view what, std::string_view path, int err) {
  throw EvxnException(std::string(what) + " " + std::string(path) + ": " + std::strerror(err));
}

// Writes all of data to fd, retrying short writes and interrupted calls.
bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR)
        continue;
      return false;
    }
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

class Fd {
public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0)
      ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  int release() {
    int f = fd_;
    fd_ = -1;
    return f;
  }

private:
  int fd_;
};

} // namespace

bool FileExists(std::string_view path) {
  std::error_code ec;
  return !path.empty() && fs::is_regular_file(ToNativePath(path), ec);
}

bool DirectoryExists(std::string_view path) {
  std::error_code ec;
  return !path.empty() && fs::is_directory(ToNativePath(path), ec);
}

bool ForceDirectories(std::string_view path) {
  if (path.empty())
    return false;
  std::error_code ec;
  fs::create_directories(ExcludeTrailingPathDelimiter(path), ec);
  return DirectoryExists(path);
}

bool DeleteFileIfExists(std::string_view path) {
  std::error_code ec;
  return fs::remove(ToNativePath(path), ec);
}

std::string TryAppendToFile(std::string_view text, std::string_view path) {
  const std::string p = ToNativePath(path);
  Fd fd(::open(p.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644));
  if (fd.get() < 0)
    return "Não foi possível abrir o arquivo " + p + ": " + std::strerror(errno);
  if (!WriteAll(fd.get(), text))
    return "Não foi possível gravar o arquivo " + p + ": " + std::strerror(errno);
  return {};
}

void AppendToFile(std::string_view text, std::string_view path) {
  const std::string failure = TryAppendToFile(text, path);
  if (!failure.empty())
    throw EvxnException(failure);
}

std::string ReadWholeFile(std::string_view path) {
  std::string p = ToNativePath(path);
  Fd fd(::open(p.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0)
    Fail("Não foi possível abrir o arquivo", p, errno);
  std::string out;
  char buf[65536];
  for (;;) {
    ssize_t n = ::read(fd.get(), buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR)
        continue;
      Fail("Não foi possível ler o arquivo", p, errno);
    }
    if (n == 0)
      break;
    out.append(buf, static_cast<std::size_t>(n));
  }
  return out;
}

namespace {

// A new temporary name beside the target, so that the rename stays inside one file system.
std::string TemporaryNameFor(const std::string& path) {
  static thread_local std::mt19937_64 rng{std::random_device{}()};
  return path + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(rng() % 1000000007ULL);
}

// Writes content to a new temporary file beside `path`, flushed to the disk when `flush`; returns its
// name. Nothing is left behind when it fails.
std::string WriteTemporary(const std::string& path, std::string_view content, bool flush) {
  const std::string dir = ExtractFilePath(path);
  if (!dir.empty())
    ForceDirectories(dir);
  const std::string tmp = TemporaryNameFor(path);
  Fd fd(::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
  if (fd.get() < 0)
    Fail("Não foi possível criar o arquivo", tmp, errno);
  if (!WriteAll(fd.get(), content) || (flush && ::fsync(fd.get()) != 0) || ::close(fd.release()) != 0) {
    const int err = errno;
    ::unlink(tmp.c_str());
    Fail("Não foi possível gravar o arquivo", path, err);
  }
  return tmp;
}

void RenameInto(const std::string& tmp, const std::string& path) {
  if (::rename(tmp.c_str(), path.c_str()) != 0) {
    const int err = errno;
    ::unlink(tmp.c_str());
    Fail("Não foi possível gravar o arquivo", path, err);
  }
}

// Flushes the file system that holds `dir` (everything written to it so far, data and metadata) when
// `wholeFileSystem`, else the folder itself (the names renamed into it).
void FlushFolder(const std::string& dir, bool wholeFileSystem) {
  const std::string name = dir.empty() ? std::string(".") : dir;
  Fd fd(::open(name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (fd.get() < 0)
    Fail("Não foi possível abrir a pasta", name, errno);
  if ((wholeFileSystem ? ::syncfs(fd.get()) : ::fsync(fd.get())) != 0)
    Fail("Não foi possível gravar a pasta", name, errno);
}

// The temporary files of a group, removed unless they were renamed into place.
class TemporaryFiles {
public:
  ~TemporaryFiles() {
    for (const std::string& tmp : names_)
      if (!tmp.empty())
        ::unlink(tmp.c_str());
  }
  void Add(std::string tmp) { names_.push_back(std::move(tmp)); }
  std::string Take(std::size_t i) { return std::exchange(names_[i], std::string()); }

private:
  std::vector<std::string> names_;
};

} // namespace

void WriteFileAtomic(std::string_view path, std::string_view content) {
  const std::string p = ToNativePath(path);
  RenameInto(WriteTemporary(p, content, true), p);
}

void WriteFilesAtomic(std::span<const FileToWrite> files, const std::function<void(std::size_t)>& placed) {
  const bool flushEach = files.size() == 1;
  std::vector<std::string> paths;
  std::set<std::string> folders;
  TemporaryFiles temporaries;
  std::exception_ptr failure;
  // Written in order up to the first that fails: the files before it are still put in place.
  for (const FileToWrite& f : files) {
    try {
      std::string path = ToNativePath(f.path);
      temporaries.Add(WriteTemporary(path, f.content, flushEach));
      folders.insert(ExtractFilePath(path));
      paths.push_back(std::move(path));
    } catch (...) {
      failure = std::current_exception();
      break;
    }
  }
  if (!flushEach) {
    std::set<dev_t> flushed;
    for (const std::string& dir : folders) {
      struct stat st {};
      if (::stat(dir.empty() ? "." : dir.c_str(), &st) != 0 || flushed.insert(st.st_dev).second)
        FlushFolder(dir, true);
    }
  }
  // Every temporary file made is renamed in order, up to a rename that fails.
  std::size_t inPlace = 0;
  for (; inPlace < paths.size(); ++inPlace) {
    try {
      RenameInto(temporaries.Take(inPlace), paths[inPlace]);
    } catch (...) {
      failure = std::current_exception();
      break;
    }
  }
  if (!flushEach && inPlace > 0)
    for (const std::string& dir : folders)
      FlushFolder(dir, false);
  if (placed)
    for (std::size_t i = 0; i < inPlace; ++i)
      placed(i);
  if (failure)
    std::rethrow_exception(failure);
}

} // namespace vxn
