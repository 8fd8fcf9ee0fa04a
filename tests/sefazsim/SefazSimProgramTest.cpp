// The sefaz-sim program as a person runs it: started with a free port and a configuration folder,
// answering a status query, stopped with SIGTERM.
#include "support/HttpsTestClient.h"
#include "support/Process.h"
#include "support/TempDir.h"
#include "vxnDevCertificates.h"

#include <gtest/gtest.h>

#include <csignal>
#include <string>

namespace vxn {
namespace {

TEST(SefazSimProgram, WriteConfigServeAndStopOnSigterm) {
  test::TempDir dir;
  test::ChildProcess program({std::string(QVX_BIN_DIR) + "/sefaz-sim", "--port", "0", "--write-config",
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
  const test::SoapPeer peer{port, authority.CertificatePem(), client.CertificatePem, client.PrivateKeyPem};
  const auto status = [&] {
    return test::PostSoap(
        peer, "SP", "NFeStatusServico4", "nfeStatusServicoNF",
        R"(<consStatServ xmlns="http://www.portalfiscal.inf.br/nfe" versao="4.00"><tpAmb>2</tpAmb>)"
        R"(<cUF>35</cUF><xServ>STATUS</xServ></consStatServ>)");
  };
  const auto reply = status();
  ASSERT_EQ(reply.Status, 200) << reply.Error;
  EXPECT_NE(reply.Body.find("<cStat>107</cStat>"), std::string::npos);

  EXPECT_EQ(program.Stop(SIGTERM), 0);
  EXPECT_EQ(status().Status, 0); // the port is closed
}

TEST(SefazSimProgram, BadArgumentsExitWithUsage) {
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"--port", "x"},
                                             {"--port", "70000"},
                                             {"--status-paused", "107"},
                                             {"--receipt-processing", "-1"},
                                             {"--dfe-wait", "-1"},
                                             {"--bogus"},
                                             {"--write-config"}}) {
    std::vector<std::string> argv{std::string(QVX_BIN_DIR) + "/sefaz-sim"};
    argv.insert(argv.end(), args.begin(), args.end());
    const test::ProcessResult r = test::RunProcess(argv);
    EXPECT_EQ(r.out, ""); // nothing on standard output, the usage goes to standard error
    EXPECT_NE(r.err, "") << args[0];
    EXPECT_EQ(r.exitCode, 2) << args[0];
  }
}

} // namespace
} // namespace vxn
