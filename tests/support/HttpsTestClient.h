// A plain HTTPS client for tests that talk to the local tax-authority server from outside the library:
// it shows what any client sees, whatever the library's own transport does.
#pragma once

#include <string>

namespace vxn::test {

struct HttpsTestReply {
  int Status = 0; // HTTP status; 0 when no HTTP exchange happened
  std::string Body;
  std::string Error; // transport error ("" after an HTTP exchange)
};

struct HttpsTestRequest {
  int Port = 0;
  std::string Path;
  std::string Body;
  std::string ContentType = "application/soap+xml; charset=utf-8";
  std::string SoapAction; // added to the Content-Type as action="..." when not empty
  // Client certificate and key (PEM); empty sends none.
  std::string ClientCertificatePem;
  std::string ClientKeyPem;
  // Authority the server certificate must chain to (PEM); empty skips the check.
  std::string TrustedCaPem;
  std::string Method = "POST";
};

HttpsTestReply HttpsSend(const HttpsTestRequest& request);

} // namespace vxn::test
