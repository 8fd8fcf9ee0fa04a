// Child processes for tests, started as a person's shell would start them: their own arguments and
// environment, standard input from /dev/null (or a pipe the test writes to), standard output and error
// captured separately (standard error optionally on a pseudo-terminal, to see what a person at a terminal
// sees). Used to run nfe, sefaz-sim, xmlsec1 and the SMTP test server.
#pragma once

#include <chrono>
#include <map>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

namespace vxn::test {

struct ProcessOptions {
  // Variables set on top of the test's environment, and variables removed from it.
  std::map<std::string, std::string> env;
  std::vector<std::string> unset;
  bool stdinPipe = false;        // standard input from WriteStdin instead of /dev/null
  bool stderrOnTerminal = false; // standard error on a pseudo-terminal instead of a pipe
  bool stderrToStdout = false;   // both outputs in one pipe, in the order written
  std::string workDir;           // "" keeps the test's working directory
};

struct ProcessResult {
  int exitCode = -1; // -1 when killed by a signal or the time-out
  std::string out;
  std::string err;
};

class ChildProcess {
public:
  ChildProcess(std::vector<std::string> argv, const ProcessOptions& options = {});
  // Kills a child still running.
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  pid_t Pid() const { return pid_; }
  void WriteStdin(std::string_view text);
  void CloseStdin();
  // The next line of standard output without its line end; "" at its end or after the time-out.
  std::string ReadLine(std::chrono::milliseconds timeout = std::chrono::seconds(30));
  // Reads both outputs to their end and waits for the child; kills it after the time-out. `out` holds what
  // ReadLine did not take.
  ProcessResult Finish(std::chrono::seconds timeout = std::chrono::seconds(180));
  // Sends the signal, waits for the child and returns its exit status (-1 when it did not exit normally).
  int Stop(int signal);
  // Closes standard input and waits up to the grace time for the child to end by itself, then kills it.
  int StopByClosingStdin(std::chrono::milliseconds grace = std::chrono::seconds(5));

private:
  int Reap(bool block);
  pid_t pid_ = -1;
  int status_ = -1; // exit status once reaped
  int in_ = -1, out_ = -1, err_ = -1;
  std::string outBuffer_;
};

// Runs the program to its end with `stdinText` on standard input (when options.stdinPipe is set).
ProcessResult RunProcess(std::vector<std::string> argv, const ProcessOptions& options = {},
                         std::string_view stdinText = {},
                         std::chrono::seconds timeout = std::chrono::seconds(180));

// Runs a shell command; returns its exit status and puts its output (stdout and stderr) in `output`.
int RunCommand(const std::string& command, std::string& output);

} // namespace vxn::test
