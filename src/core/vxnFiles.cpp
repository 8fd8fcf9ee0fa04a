#include "vxnFiles.h"

#include "vxnNFeException.h"
#include "vxnPaths.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

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

void AppendToFile(std::string_view text, std::string_view path) {
  std::string p = ToNativePath(path);
  Fd fd(::open(p.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644));
  if (fd.get() < 0)
    Fail("Não foi possível abrir o arquivo", p, errno);
  if (!WriteAll(fd.get(), text))
    Fail("Não foi possível gravar o arquivo", p, errno);
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

void WriteFileAtomic(std::string_view path, std::string_view content) {
  std::string p = ToNativePath(path);
  std::string dir = ExtractFilePath(p);
  if (!dir.empty())
    ForceDirectories(dir);
  static thread_local std::mt19937_64 rng{std::random_device{}()};
  std::string tmp = p + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(rng() % 1000000007ULL);
  Fd fd(::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
  if (fd.get() < 0)
    Fail("Não foi possível criar o arquivo", tmp, errno);
  if (!WriteAll(fd.get(), content) || ::fsync(fd.get()) != 0) {
    int err = errno;
    ::close(fd.release());
    ::unlink(tmp.c_str());
    Fail("Não foi possível gravar o arquivo", p, err);
  }
  if (::close(fd.release()) != 0 || ::rename(tmp.c_str(), p.c_str()) != 0) {
    int err = errno;
    ::unlink(tmp.c_str());
    Fail("Não foi possível gravar o arquivo", p, err);
  }
}

} // namespace vxn
