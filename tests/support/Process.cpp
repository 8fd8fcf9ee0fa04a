#include "support/Process.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace vxn::test {
namespace {

std::vector<std::string> Environment(const ProcessOptions& o) {
  std::map<std::string, std::string> vars;
  for (char** e = environ; *e; ++e) {
    const std::string kv = *e;
    const std::size_t eq = kv.find('=');
    if (eq != std::string::npos)
      vars[kv.substr(0, eq)] = kv.substr(eq + 1);
  }
  for (const auto& name : o.unset)
    vars.erase(name);
  for (const auto& [k, v] : o.env)
    vars[k] = v;
  std::vector<std::string> result;
  for (const auto& [k, v] : vars)
    result.push_back(k + "=" + v);
  return result;
}

std::vector<char*> CPointers(std::vector<std::string>& strings) {
  std::vector<char*> p;
  for (auto& s : strings)
    p.push_back(s.data());
  p.push_back(nullptr);
  return p;
}

void Pipe(int fds[2]) {
  if (::pipe2(fds, O_CLOEXEC) != 0)
    throw std::runtime_error("pipe failed");
}

void CloseFd(int& fd) {
  if (fd >= 0)
    ::close(fd);
  fd = -1;
}

// Appends what the descriptor has to `sink`; false at its end (EIO on a terminal whose child has gone).
bool ReadSome(int fd, std::string& sink) {
  char buf[4096];
  const ssize_t n = ::read(fd, buf, sizeof buf);
  if (n > 0) {
    sink.append(buf, static_cast<std::size_t>(n));
    return true;
  }
  return n < 0 && errno == EINTR;
}

} // namespace

ChildProcess::ChildProcess(std::vector<std::string> argv, const ProcessOptions& o) {
  std::vector<std::string> envp = Environment(o);
  auto argvP = CPointers(argv);
  auto envpP = CPointers(envp);
  int inPipe[2] = {-1, -1}, outPipe[2], errRead = -1, errWrite = -1;
  Pipe(outPipe);
  if (o.stdinPipe)
    Pipe(inPipe);
  if (o.stderrOnTerminal) {
    if (::openpty(&errRead, &errWrite, nullptr, nullptr, nullptr) != 0)
      throw std::runtime_error("openpty failed");
    ::fcntl(errRead, F_SETFD, FD_CLOEXEC);
    ::fcntl(errWrite, F_SETFD, FD_CLOEXEC);
  } else if (!o.stderrToStdout) {
    int errPipe[2];
    Pipe(errPipe);
    errRead = errPipe[0];
    errWrite = errPipe[1];
  }
  pid_ = ::fork();
  if (pid_ < 0)
    throw std::runtime_error("fork failed");
  if (pid_ == 0) {
    const int input = o.stdinPipe ? inPipe[0] : ::open("/dev/null", O_RDONLY);
    ::dup2(input, STDIN_FILENO);
    ::dup2(outPipe[1], STDOUT_FILENO);
    ::dup2(o.stderrToStdout ? outPipe[1] : errWrite, STDERR_FILENO);
    if (!o.workDir.empty() && ::chdir(o.workDir.c_str()) != 0)
      ::_exit(127);
    ::execve(argvP[0], argvP.data(), envpP.data());
    ::_exit(127);
  }
  ::close(outPipe[1]);
  CloseFd(errWrite);
  CloseFd(inPipe[0]);
  in_ = inPipe[1];
  out_ = outPipe[0];
  err_ = errRead;
}

ChildProcess::~ChildProcess() {
  CloseFd(in_);
  if (Reap(false) < 0 && status_ < 0 && pid_ > 0) {
    ::kill(pid_, SIGKILL);
    Reap(true);
  }
  CloseFd(out_);
  CloseFd(err_);
}

int ChildProcess::Reap(bool block) {
  if (pid_ <= 0 || status_ >= 0)
    return status_;
  int status = 0;
  if (::waitpid(pid_, &status, block ? 0 : WNOHANG) != pid_)
    return -1;
  status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 255 + 1; // 256: ended by a signal
  return status_;
}

void ChildProcess::WriteStdin(std::string_view text) {
  while (!text.empty() && in_ >= 0) {
    const ssize_t n = ::write(in_, text.data(), text.size());
    if (n <= 0)
      break;
    text.remove_prefix(static_cast<std::size_t>(n));
  }
}

void ChildProcess::CloseStdin() {
  CloseFd(in_);
}

std::string ChildProcess::ReadLine(std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (outBuffer_.find('\n') == std::string::npos && out_ >= 0) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0)
      return {};
    pollfd p{out_, POLLIN, 0};
    if (::poll(&p, 1, static_cast<int>(left.count())) > 0 && !ReadSome(out_, outBuffer_))
      CloseFd(out_);
  }
  const std::size_t end = outBuffer_.find('\n');
  std::string line = outBuffer_.substr(0, end);
  outBuffer_.erase(0, end == std::string::npos ? end : end + 1);
  while (!line.empty() && line.back() == '\r')
    line.pop_back();
  return line;
}

ProcessResult ChildProcess::Finish(std::chrono::seconds timeout) {
  CloseFd(in_);
  ProcessResult r;
  r.out = std::move(outBuffer_);
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  pollfd fds[2] = {{out_, POLLIN, 0}, {err_, POLLIN, 0}};
  std::string* sinks[2] = {&r.out, &r.err};
  bool killed = false;
  while (fds[0].fd >= 0 || fds[1].fd >= 0) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      ::kill(pid_, SIGKILL);
      killed = true;
      break;
    }
    if (::poll(fds, 2, static_cast<int>(left.count())) < 0 && errno != EINTR)
      break;
    for (int i = 0; i < 2; ++i)
      if (fds[i].fd >= 0 && (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) &&
          !ReadSome(fds[i].fd, *sinks[i]))
        fds[i].fd = -1;
  }
  CloseFd(out_);
  CloseFd(err_);
  const int status = Reap(true);
  r.exitCode = (killed || status > 255) ? -1 : status;
  return r;
}

int ChildProcess::Stop(int signal) {
  if (Reap(false) < 0)
    ::kill(pid_, signal);
  const int status = Reap(true);
  return status > 255 ? -1 : status;
}

int ChildProcess::StopByClosingStdin(std::chrono::milliseconds grace) {
  CloseFd(in_);
  const auto deadline = std::chrono::steady_clock::now() + grace;
  while (Reap(false) < 0 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  return Stop(SIGKILL);
}

ProcessResult RunProcess(std::vector<std::string> argv, const ProcessOptions& options,
                         std::string_view stdinText, std::chrono::seconds timeout) {
  ChildProcess child(std::move(argv), options);
  // Small texts only: written whole before the output is read.
  child.WriteStdin(stdinText);
  return child.Finish(timeout);
}

int RunCommand(const std::string& command, std::string& output) {
  ProcessOptions o;
  o.stderrToStdout = true;
  ProcessResult r = RunProcess({"/bin/sh", "-c", command}, o);
  output = std::move(r.out);
  return r.exitCode;
}

} // namespace vxn::test
