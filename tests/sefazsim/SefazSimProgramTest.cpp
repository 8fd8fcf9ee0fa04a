// The sefaz-sim program as a person runs it: started with a free port and a configuration folder,
// answering a status query, stopped with SIGTERM.
#include "support/HttpsTestClient.h"
#include "support/TempDir.h"
#include "vxnDevCertificates.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace vxn {
namespace {

// A child process whose standard output the test reads line by line.
class Program {
public:
  explicit Program(std::vector<std::string> args) {
    int fds[2];
    if (pipe(fds) != 0)
      throw std::runtime_error("pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    std::vector<char*> argv;
    for (auto& a : args)
      argv.push_back(a.data());
    argv.push_back(nullptr);
    const int rc = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (rc != 0)
      throw std::runtime_error("posix_spawn failed");
    out_ = fdopen(fds[0], "r");
  }
  ~Program() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (out_)
      fclose(out_);
  }
  // The next line of output without its line end; "" at the end of the output.
  std::string ReadLine() {
    char buf[4096];
    if (!fgets(buf, sizeof buf, out_))
      return {};
    std::string line(buf);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
      line.pop_back();
    return line;
  }
  // Sends SIGTERM and returns the exit status (-1 when it did not exit normally).
  int Terminate() {
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

private:
  pid_t pid_ = -1;
  FILE* out_ = nullptr;
};

TEST(SefazSimProgram, WriteConfigServeAndStopOnSigterm) {
  test::TempDir dir;
  Program program({std::string(QVX_BIN_DIR) + "/sefaz-sim", "--port", "0", "--write-config",
                   dir.Path() + "cfg", "--quiet"});
  const std::string listening = program.ReadLine();
  ASSERT_TRUE(listening.starts_with("sefaz-sim listening on https://127.0.0.1:")) << listening;
  const std::string portLine = program.ReadLine();
  ASSERT_TRUE(portLine.starts_with("port ")) << portLine;
  const int port = std::stoi(portLine.substr(5));
  EXPECT_EQ(listening, "sefaz-sim listening on https://127.0.0.1:" + std::to_string(port));
  EXPECT_EQ(program.ReadLine(), "config " + dir.Path() + "cfg/nfeConfig.ini");

  const std::string servers = test::ReadFileOrEmpty(dir.Path() + "cfg/nfeServidoresSim.ini");
  EXPECT_NE(servers.find("NfeStatusServico4=https://127.0.0.1:" + std::to_string(port) +
                         "/SP/ws/NFeStatusServico4.asmx"),
            std::string::npos);

  // The authority kept in the folder issues certificates the running server accepts.
  const auto authority =
      dev::TvxnDevAuthority::FromPem(test::ReadFileOrEmpty(dir.Path() + "cfg/sefaz-sim-ca.pem"),
                                     test::ReadFileOrEmpty(dir.Path() + "cfg/sefaz-sim-ca.key"));
  const auto client = authority.IssueClient({});
  test::HttpsTestRequest r;
  r.Port = port;
  r.Path = "/SP/ws/NFeStatusServico4.asmx";
  r.SoapAction = "http://www.portalfiscal.inf.br/nfe/wsdl/NFeStatusServico4/nfeStatusServicoNF";
  r.Body =
      R"(<soap:Envelope xmlns:soap="http://www.w3.org/2003/05/soap-envelope"><soap:Body>)"
      R"(<nfeDadosMsg xmlns="http://www.portalfiscal.inf.br/nfe/wsdl/NFeStatusServico4">)"
      R"(<consStatServ xmlns="http://www.portalfiscal.inf.br/nfe" versao="4.00"><tpAmb>2</tpAmb><cUF>35</cUF>)"
      R"(<xServ>STATUS</xServ></consStatServ></nfeDadosMsg></soap:Body></soap:Envelope>)";
  r.ClientCertificatePem = client.CertificatePem;
  r.ClientKeyPem = client.PrivateKeyPem;
  r.TrustedCaPem = authority.CertificatePem();
  const auto reply = test::HttpsSend(r);
  ASSERT_EQ(reply.Status, 200) << reply.Error;
  EXPECT_NE(reply.Body.find("<cStat>107</cStat>"), std::string::npos);

  EXPECT_EQ(program.Terminate(), 0);
  EXPECT_EQ(test::HttpsSend(r).Status, 0); // the port is closed
}

TEST(SefazSimProgram, BadArgumentsExitWithUsage) {
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"--port", "x"},
                                             {"--port", "70000"},
                                             {"--status-paused", "107"},
                                             {"--receipt-processing", "-1"},
                                             {"--bogus"},
                                             {"--write-config"}}) {
    std::vector<std::string> argv{std::string(QVX_BIN_DIR) + "/sefaz-sim"};
    argv.insert(argv.end(), args.begin(), args.end());
    Program program(argv);
    EXPECT_EQ(program.ReadLine(), ""); // nothing on standard output, the usage goes to standard error
    EXPECT_EQ(program.Terminate(), 2) << args[0];
  }
}

} // namespace
} // namespace vxn
