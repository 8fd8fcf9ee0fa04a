#include "NfeProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <stdexcept>

extern char** environ;

namespace vxn::test {

namespace {

std::vector<std::string> Environment(const NfeRunOptions& o) {
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

} // namespace

std::string NfeProgram() {
  return std::string(QVX_BIN_DIR) + "/nfe";
}

NfeRunResult RunNfe(const std::vector<std::string>& args, const NfeRunOptions& o) {
  std::vector<std::string> argv = {NfeProgram()};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<std::string> envp = Environment(o);
  auto argvP = CPointers(argv);
  auto envpP = CPointers(envp);

  int outPipe[2], errPipe[2], inPipe[2];
  if (pipe2(outPipe, O_CLOEXEC) != 0 || pipe2(inPipe, O_CLOEXEC) != 0)
    throw std::runtime_error("pipe failed");
  int errRead = -1, errWrite = -1;
  if (o.stderrOnTerminal) {
    if (openpty(&errRead, &errWrite, nullptr, nullptr, nullptr) != 0)
      throw std::runtime_error("openpty failed");
  } else {
    if (pipe2(errPipe, O_CLOEXEC) != 0)
      throw std::runtime_error("pipe failed");
    errRead = errPipe[0];
    errWrite = errPipe[1];
  }

  const pid_t pid = fork();
  if (pid < 0)
    throw std::runtime_error("fork failed");
  if (pid == 0) {
    if (o.withStdin)
      dup2(inPipe[0], STDIN_FILENO);
    else {
      const int devNull = open("/dev/null", O_RDONLY);
      dup2(devNull, STDIN_FILENO);
    }
    dup2(outPipe[1], STDOUT_FILENO);
    dup2(errWrite, STDERR_FILENO);
    if (!o.workDir.empty() && chdir(o.workDir.c_str()) != 0)
      _exit(127);
    execve(argvP[0], argvP.data(), envpP.data());
    _exit(127);
  }
  close(outPipe[1]);
  close(errWrite);
  close(inPipe[0]);
  if (o.withStdin) {
    // Small texts only: written whole before the output is read.
    std::size_t done = 0;
    while (done < o.stdinText.size()) {
      const ssize_t n = write(inPipe[1], o.stdinText.data() + done, o.stdinText.size() - done);
      if (n <= 0)
        break;
      done += static_cast<std::size_t>(n);
    }
  }
  close(inPipe[1]);

  NfeRunResult r;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(o.timeoutSeconds);
  pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errRead, POLLIN, 0}};
  std::string* sinks[2] = {&r.out, &r.err};
  int open = 2;
  bool killed = false;
  while (open > 0) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now())
            .count();
    if (left <= 0) {
      kill(pid, SIGKILL);
      killed = true;
      break;
    }
    if (poll(fds, 2, static_cast<int>(left)) < 0 && errno != EINTR)
      break;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
        continue;
      char buf[4096];
      const ssize_t n = read(fds[i].fd, buf, sizeof buf);
      if (n > 0) {
        sinks[i]->append(buf, static_cast<std::size_t>(n));
      } else {
        // End of the pipe, or EIO on the terminal once the child has gone.
        close(fds[i].fd);
        fds[i].fd = -1;
        --open;
      }
    }
  }
  for (auto& f : fds)
    if (f.fd >= 0)
      close(f.fd);
  int status = 0;
  waitpid(pid, &status, 0);
  r.exitCode = (!killed && WIFEXITED(status)) ? WEXITSTATUS(status) : -1;
  return r;
}

} // namespace vxn::test
