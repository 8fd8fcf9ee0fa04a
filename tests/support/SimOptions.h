// The options of a local tax-authority server started by a test: its certificates take the keys of the
// build (support/TestKeys.h). Only for the test programs that link the server.
#pragma once

#include "sefaz-sim/SefazSim.h"
#include "support/DevPki.h"
#include "support/TestKeys.h"

namespace vxn::test {

inline sim::TSefazSimOptions SimOptions() {
  sim::TSefazSimOptions o;
  o.Keys = SharedKeys();
  return o;
}

// The same with the development PKI's authority (support/DevPki.h): the server accepts the clients that
// authority issues, such as a certificate a test put on a token.
inline sim::TSefazSimOptions DevPkiSimOptions() {
  sim::TSefazSimOptions o = SimOptions();
  const dev::TvxnDevIdentity ca = SharedPki().Authority().Identity();
  o.AuthorityCertificatePem = ca.CertificatePem;
  o.AuthorityPrivateKeyPem = ca.PrivateKeyPem;
  return o;
}

} // namespace vxn::test
