// Runs the nfe program as a person's shell would: its own process, arguments, environment, standard input
// from /dev/null (or a given text), standard output and error captured separately, and standard error
// optionally on a pseudo-terminal (to see what a person at a terminal sees).
#pragma once

#include <map>
#include <string>
#include <vector>

namespace vxn::test {

class TempDir;

struct NfeRunOptions {
  // Variables set (or, with an empty value and `unset`, removed) on top of the test's environment.
  std::map<std::string, std::string> env;
  std::vector<std::string> unset;
  // Sent to standard input; without it standard input is /dev/null.
  std::string stdinText;
  bool withStdin = false;
  // Standard error on a pseudo-terminal instead of a pipe.
  bool stderrOnTerminal = false;
  std::string workDir;
  int timeoutSeconds = 180;
};

struct NfeRunResult {
  int exitCode = -1; // -1 when killed by a signal or the time-out
  std::string out;
  std::string err;
};

// A person's environment whose home folder is "home" inside the test's folder, with no data folder and no
// program directory of its own: the embedded default keeps its files under that home.
NfeRunOptions InHome(const TempDir& home);

// The nfe program of this build.
std::string NfeProgram();
NfeRunResult RunNfe(const std::vector<std::string>& args, const NfeRunOptions& options = {});
// Any other program of this build (the examples), run the same way.
NfeRunResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                        const NfeRunOptions& options = {});

} // namespace vxn::test
