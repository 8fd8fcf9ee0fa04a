// sefaz-sim: runs the local tax-authority server until interrupted (Ctrl-C or SIGTERM).
//
//   sefaz-sim [--port N] [--write-config DIR] [--data DIR] [--schemas DIR] [--status-paused 108|109]
//             [--receipt-processing N] [--dfe-wait SECONDS] [--dfe-damaged-nsu N] [--date-delay]
//             [--single-sync] [--fault SERVICE=KIND]... [--paralysed UF=108|109]... [--quiet]
#include "sefaz-sim/SefazSim.h"
#include "sefaz-sim/SimStates.h"
#include "vxnText.h"

#include "vxnFiles.h"
#include "vxnPaths.h"

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace {

constexpr std::string_view kUsage =
    "usage: sefaz-sim [--port N] [--write-config DIR] [--data DIR] [--schemas DIR] "
    "[--status-paused 108|109] [--receipt-processing N] [--dfe-wait SECONDS] [--dfe-damaged-nsu N] "
    "[--intermediate-ca] [--date-delay] [--single-sync] [--fault SERVICE=KIND]... [--paralysed "
    "UF=108|109]... "
    "[--quiet]\n"
    "  --port N              port on 127.0.0.1 (0, the default, picks a free one)\n"
    "  --write-config DIR    write a servers file, a component INI file and a client certificate into DIR\n"
    "                        (an authority kept there from an earlier run is reused)\n"
    "  --data DIR            folder of the server's state (sefaz-sim.db); default: the --write-config DIR,\n"
    "                        or memory only without either\n"
    "  --schemas DIR         folder of the official XML Schemas (default: Esquemas/ beside the program)\n"
    "  --status-paused CODE  answer the status query with 108 or 109 (service paused)\n"
    "  --receipt-processing N  answer each lot's first N receipt queries with 105 (in processing)\n"
    "  --dfe-wait SECONDS    after the distribution service found nothing (137), refuse the same CNPJ's\n"
    "                        queries with 656 for this long (default 3600, as the authority; 0: no wait)\n"
    "  --dfe-damaged-nsu N   a fault: send the distribution document of NSU N as a docZip that does not\n"
    "                        decompress (to try a client's handling of it)\n"
    "  --intermediate-ca     present the server certificate as the tax authorities do: issued by an\n"
    "                        intermediate authority that the server sends along, under the test authority\n"
    "  --date-delay          apply the issue-date delay control: an NF-e dated more than 7 days ago is\n"
    "                        authorised late (150), more than 30 days ago refused (228)\n"
    "  --single-sync         refuse a lot of one document sent for an asynchronous answer (452)\n"
    "  --fault SERVICE=KIND  a fault of the service of that WSDL name (NFeAutorizacao4, ...), repeatable;\n"
    "                        KIND: timeout, closed, http500, http503, soap-fault, malformed, truncated,\n"
    "                        bad-signature, wrong-certificate\n"
    "  --paralysed UF=CODE   the authoriser of that state (SP, ...) is paralysed: its status and\n"
    "                        authorisation services answer CODE (108 or 109), and its contingency\n"
    "                        authoriser (SVC-AN or SVC-RS) takes the state's documents; repeatable\n"
    "  --quiet               do not print a line per request\n";

struct Args {
  vxn::sim::TSefazSimOptions options;
  std::string configDir;
  std::optional<int> paused;
  std::map<std::string, int> paralysed; // state -> 108 or 109
  int receiptProcessing = 0;
  bool quiet = false;
  // The authority's own wait after "nothing found"; the library's default (tests, the embedded server)
  // is none.
  int dfeWait = 3600;
};

[[noreturn]] void Usage(std::string_view error) {
  std::cerr << "sefaz-sim: " << error << "\n" << kUsage;
  std::exit(2);
}

int ParseInt(std::string_view text, std::string_view what) {
  try {
    std::size_t used = 0;
    const int value = std::stoi(std::string(text), &used);
    if (used == text.size())
      return value;
  } catch (const std::exception&) {
  }
  Usage(std::string(what) + " must be a number");
}

Args Parse(int argc, char** argv) {
  Args a;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    auto value = [&]() -> std::string_view {
      if (i + 1 >= argc)
        Usage(std::string(arg) + " needs a value");
      return argv[++i];
    };
    if (arg == "--port")
      a.options.Port = ParseInt(value(), "--port");
    else if (arg == "--write-config")
      a.configDir = value();
    else if (arg == "--data")
      a.options.DataDir = value();
    else if (arg == "--schemas")
      a.options.SchemasDir = value();
    else if (arg == "--status-paused")
      a.paused = ParseInt(value(), "--status-paused");
    else if (arg == "--receipt-processing")
      a.receiptProcessing = ParseInt(value(), "--receipt-processing");
    else if (arg == "--dfe-wait")
      a.dfeWait = ParseInt(value(), "--dfe-wait");
    else if (arg == "--dfe-damaged-nsu")
      a.options.DFeDamagedNsu = ParseInt(value(), "--dfe-damaged-nsu");
    else if (arg == "--intermediate-ca")
      a.options.ServerViaIntermediate = true;
    else if (arg == "--date-delay")
      a.options.IssueDateDelay = true;
    else if (arg == "--single-sync")
      a.options.SingleDocumentSynchronous = true;
    else if (arg == "--fault") {
      const std::string_view text = value();
      const std::size_t equals = text.find('=');
      const auto fault = equals == std::string_view::npos
                             ? std::nullopt
                             : vxn::sim::SimFaultFromText(text.substr(equals + 1));
      if (!fault || equals == 0)
        Usage("--fault needs SERVICE=KIND with a known KIND: " + std::string(text));
      a.options.Faults[std::string(text.substr(0, equals))] = *fault;
    } else if (arg == "--paralysed") {
      const std::string_view text = value();
      const std::size_t equals = text.find('=');
      const std::string uf = vxn::AsciiUpper(text.substr(0, equals == std::string_view::npos ? 0 : equals));
      if (equals == std::string_view::npos || !vxn::sim::TSimStates::IsState(uf))
        Usage("--paralysed needs UF=CODE with a state's abbreviation: " + std::string(text));
      a.paralysed[uf] = ParseInt(text.substr(equals + 1), "the code of --paralysed");
      if (a.paralysed[uf] != 108 && a.paralysed[uf] != 109)
        Usage("the code of --paralysed must be 108 or 109");
    } else if (arg == "--quiet")
      a.quiet = true;
    else if (arg == "--help" || arg == "-h") {
      std::cout << kUsage;
      std::exit(0);
    } else
      Usage("unknown option " + std::string(arg));
  }
  // The configuration folder keeps the state too, so that a server started again on it remembers what
  // it authorised.
  if (a.options.DataDir.empty())
    a.options.DataDir = a.configDir;
  if (a.options.Port < 0 || a.options.Port > 65535)
    Usage("--port must be between 0 and 65535");
  if (a.paused && *a.paused != 108 && *a.paused != 109)
    Usage("--status-paused must be 108 or 109");
  if (a.receiptProcessing < 0)
    Usage("--receipt-processing must not be negative");
  if (a.dfeWait < 0)
    Usage("--dfe-wait must not be negative");
  a.options.DFeWaitSeconds = a.dfeWait;
  return a;
}

// An authority kept in the configuration folder makes the client certificates of earlier runs valid.
void ReuseAuthority(Args& a) {
  if (a.configDir.empty())
    return;
  const std::string dir = vxn::IncludeTrailingPathDelimiter(a.configDir);
  if (vxn::FileExists(dir + "sefaz-sim-ca.pem") && vxn::FileExists(dir + "sefaz-sim-ca.key")) {
    a.options.AuthorityCertificatePem = vxn::ReadWholeFile(dir + "sefaz-sim-ca.pem");
    a.options.AuthorityPrivateKeyPem = vxn::ReadWholeFile(dir + "sefaz-sim-ca.key");
  }
}

} // namespace

int main(int argc, char** argv) {
  Args args = Parse(argc, argv);
  // Block the stop signals before any thread starts, so that only sigwait below receives them.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  try {
    ReuseAuthority(args);
    if (!args.quiet)
      args.options.OnRequest = [](const std::string& line) {
        std::cerr << "sefaz-sim: " << line << std::endl;
      };
    vxn::sim::TSefazSim sim(args.options);
    sim.SetStatusPaused(args.paused);
    for (const auto& [uf, code] : args.paralysed)
      sim.SetStateParalysed(uf, code);
    sim.SetQueriesInProcessing(args.receiptProcessing);
    sim.Start();
    // The configuration is written before anything is printed, so that a script that waits for the
    // first line finds the files in place.
    std::optional<vxn::sim::TSefazSimConfigFiles> files;
    if (!args.configDir.empty()) {
      files = sim.WriteConfig(args.configDir);
      const std::string dir = vxn::ExtractFilePath(files->ConfigFile);
      vxn::WriteFileAtomic(dir + "sefaz-sim-ca.key", sim.Authority().Identity().PrivateKeyPem);
      // A test authority, but still a private key: readable by its owner only.
      std::filesystem::permissions(dir + "sefaz-sim-ca.key",
                                   std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);
    }
    std::cout << "sefaz-sim listening on " << sim.BaseUrl() << "\nport " << sim.Port() << "\n";
    if (files)
      std::cout << "config " << files->ConfigFile << "\nservers " << files->ServersFile << "\ncertificate "
                << files->ClientCertificate << " (password " << files->ClientPassword << ")\nrecipient "
                << files->RecipientConfigFile << " (CNPJ " << files->RecipientCnpj << ")\n";
    std::cout << "state " << (sim.StatePath().empty() ? "(memory only)" : sim.StatePath()) << "\n";
    std::cout.flush();
    int signal = 0;
    sigwait(&stopSignals, &signal);
    sim.Stop();
    std::cout << "sefaz-sim stopped" << std::endl;
    return 0;
  } catch (const std::exception& e) {
    std::cerr << "sefaz-sim: " << e.what() << std::endl;
    return 1;
  }
}
