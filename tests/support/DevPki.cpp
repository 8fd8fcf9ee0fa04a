#include "DevPki.h"

#include "vxnFiles.h"

#include <array>
#include <cstdio>
#include <sys/wait.h>

namespace vxn::test {

DevPki::DevPki() : ca_(dev::TvxnDevAuthority::Create("Quorvant NFe Test CA")) {
  caFile_ = dir_.File("ca.pem");
  WriteFileAtomic(caFile_, ca_.CertificatePem());
  validClient_ = WriteClient("valido.pfx", {});
  server_ = ca_.IssueServer();
}

std::string DevPki::WriteClient(const std::string& name, const dev::TvxnDevClientOptions& options) const {
  std::string path = dir_.File(name);
  WriteFileAtomic(path, ca_.IssueClientPkcs12(options));
  return path;
}

const DevPki& SharedPki() {
  static const DevPki pki;
  return pki;
}

int RunCommand(const std::string& command, std::string& output) {
  output.clear();
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (!pipe)
    return -1;
  std::array<char, 4096> buf{};
  while (std::size_t n = std::fread(buf.data(), 1, buf.size(), pipe))
    output.append(buf.data(), n);
  int status = pclose(pipe);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace vxn::test
