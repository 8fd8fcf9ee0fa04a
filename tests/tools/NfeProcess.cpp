#include "NfeProcess.h"

#include "support/Process.h"
#include "support/TempDir.h"

namespace vxn::test {

std::string NfeProgram() {
  return std::string(QVX_BIN_DIR) + "/nfe";
}

NfeRunResult RunNfe(const std::vector<std::string>& args, const NfeRunOptions& o) {
  return RunProgram(NfeProgram(), args, o);
}

NfeRunResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                        const NfeRunOptions& o) {
  std::vector<std::string> argv = {program};
  argv.insert(argv.end(), args.begin(), args.end());
  ProcessOptions p;
  p.env = o.env;
  p.unset = o.unset;
  p.stdinPipe = o.withStdin;
  p.stderrOnTerminal = o.stderrOnTerminal;
  p.workDir = o.workDir;
  ProcessResult r = RunProcess(std::move(argv), p, o.stdinText, std::chrono::seconds(o.timeoutSeconds));
  return {r.exitCode, std::move(r.out), std::move(r.err)};
}

NfeRunOptions InHome(const TempDir& home) {
  NfeRunOptions o;
  o.env["HOME"] = home.Path() + "home";
  o.unset = {"XDG_DATA_HOME", "QUORVANT_NFE_HOME"};
  return o;
}

} // namespace vxn::test
