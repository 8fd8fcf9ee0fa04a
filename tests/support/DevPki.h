// A development PKI for tests: one authority and the files made from it in a temporary folder (the
// authority's PEM, e-CNPJ style PKCS#12 client certificates, a TLS server identity), with the keys of the
// build (support/TestKeys.h).
#pragma once

#include "TempDir.h"
#include "support/Process.h"
#include "vxnDevCertificates.h"

#include <string>

namespace vxn::test {

class DevPki {
public:
  DevPki();

  const dev::TvxnDevAuthority& Authority() const { return ca_; }
  const std::string& Folder() const { return dir_.Path(); }
  // PEM file of the authority.
  const std::string& CaFile() const { return caFile_; }
  std::string CaPem() const { return ca_.CertificatePem(); }

  // Writes a PKCS#12 made with the options to Folder() + name and returns its path.
  std::string WriteClient(const std::string& name, const dev::TvxnDevClientOptions& options) const;

  // A valid client certificate, password "1234", made once.
  const std::string& ValidClientFile() const { return validClient_; }
  const dev::TvxnDevIdentity& Server() const { return server_; }

private:
  TempDir dir_;
  dev::TvxnDevAuthority ca_;
  std::string caFile_;
  std::string validClient_;
  dev::TvxnDevIdentity server_;
};

// The development PKI of this test program, made at first use and shared by every test in it: tests only
// read its files, and each program then pays for its RSA keys once.
const DevPki& SharedPki();

} // namespace vxn::test
