#include "DevPki.h"

#include "support/TestKeys.h"
#include "vxnFiles.h"

namespace vxn::test {

DevPki::DevPki() : ca_(dev::TvxnDevAuthority::Create("Quorvant NFe Test CA", SharedKeys())) {
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

} // namespace vxn::test
