// A SoftHSM2 token for tests, made as a person makes one: a SoftHSM2 configuration in a temporary folder
// (SOFTHSM2_CONF of this process names it while the object lives), a token initialised with
// softhsm2-util, the holder's key imported with softhsm2-util and the certificates written with
// pkcs11-tool. The library then reaches it through the real SoftHSM2 module.
#pragma once

#include "support/TempDir.h"
#include "vxnDevCertificates.h"

#include <map>
#include <string>

namespace vxn::test {

class SoftHsmToken {
public:
  static constexpr const char* kModule = "/usr/lib/softhsm/libsofthsm2.so";
  static constexpr const char* kLabel = "Token NFe";
  static constexpr const char* kPin = "735906";

  // A token holding the holder's key and certificate (object label "empresa", id 01) and, when given, the
  // authority's certificate (label "autoridade").
  SoftHsmToken(const dev::TvxnDevIdentity& holder, const std::string& authorityPem = {});
  // A configuration whose only slot holds no initialised token.
  SoftHsmToken();
  ~SoftHsmToken();
  SoftHsmToken(const SoftHsmToken&) = delete;
  SoftHsmToken& operator=(const SoftHsmToken&) = delete;

  const std::string& ConfFile() const { return conf_; }
  // The variable a child process needs to see this token.
  std::map<std::string, std::string> Environment() const { return {{"SOFTHSM2_CONF", conf_}}; }

  // Marks the user PIN locked in the token's stored flags, as a card does after its last wrong PIN:
  // SoftHSM2 counts wrong PINs but never locks by itself, and reports the stored flags as they are.
  void LockUserPin() const;
  // Changes the user PIN from kPin to `pin` with pkcs11-tool.
  void ChangePin(const std::string& pin) const;

private:
  TempDir dir_;
  std::string conf_;
  std::string previousConf_;
  bool hadPreviousConf_ = false;
};

} // namespace vxn::test
