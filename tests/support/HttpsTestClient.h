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

// A SOAP 1.2 envelope around `message` in the nfeDadosMsg (or, compressed, nfeDadosMsgZip with the message
// gzipped in base64) of the web service `wsdl` ("NFeAutorizacao4").
std::string SoapEnvelope(const std::string& wsdl, const std::string& message, bool compressed = false);

// A local tax-authority server as a client outside the library reaches it: its port, the authority its
// certificate chains to, and the client certificate presented.
struct SoapPeer {
  int Port = 0;
  std::string TrustedCaPem;
  std::string ClientCertificatePem;
  std::string ClientKeyPem;
};

// Posts `message` to operation `operation` of web service `wsdl` published for `section` ("SP"), with
// the SOAP action of that operation.
HttpsTestReply PostSoap(const SoapPeer& peer, const std::string& section, const std::string& wsdl,
                        const std::string& operation, const std::string& message, bool compressed = false);

} // namespace vxn::test
