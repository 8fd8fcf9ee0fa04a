// HTTPS transport on libcurl: SOAP 1.2 posts with the client certificate and plain downloads. The
// certificate and key already loaded by the certificate store are handed to OpenSSL directly, so no
// password travels to libcurl and nothing is read from disk per request.
#pragma once

#include "vxnCertificateStore.h"
#include "vxnGovX.h"
#include "vxnTrustStore.h"

#include <memory>
#include <string>
#include <string_view>

namespace vxn::outside {

struct TvxnHttpReply {
  long Status = 0;
  std::string Body;
};

// A connection kept open between requests, with its TLS session for when the server has closed it.
// It serves one client certificate, one trust and one set of transport settings: a request made with
// any other closes it and opens its own, so a connection (or session) made with one certificate never
// carries a request meant to be made with another. One request at a time uses it; a request that finds
// it busy makes a connection of its own, as a request without one does.
class TvxnHttpConnection {
public:
  TvxnHttpConnection();
  ~TvxnHttpConnection();
  TvxnHttpConnection(const TvxnHttpConnection&) = delete;
  TvxnHttpConnection& operator=(const TvxnHttpConnection&) = delete;

private:
  friend class TvxnSoapClient;
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

class TvxnSoapClient {
public:
  // Posts the envelope; raises EvxnSoapException on a transport failure or an HTTP error status (with
  // the status and the SOAP fault text when the reply carries one). `trust`: whom the server's
  // certificate must chain to (null when the settings ignore invalid certificates). A failure before
  // any byte of the request was sent (no connection, a refused handshake) also sets `notDelivered` to
  // the reason. `connection`: the connection to keep between requests (null: one for this request only).
  static std::string Post(TvxnHttpConnection* connection, const TvxnHttpSettings& settings,
                          const std::shared_ptr<const TvxnLoadedCertificate>& clientCert,
                          const std::shared_ptr<const TvxnTrustStore>& trust, std::string_view url,
                          std::string_view envelope, std::string_view soapAction, std::string_view logDir,
                          std::string* notDelivered = nullptr);
  // GET; raises EvxnSoapException on a transport failure, returns the status and body otherwise.
  static TvxnHttpReply Get(TvxnHttpConnection* connection, const TvxnHttpSettings& settings,
                           const std::shared_ptr<const TvxnLoadedCertificate>& clientCert,
                           const std::shared_ptr<const TvxnTrustStore>& trust, std::string_view url,
                           std::string_view logDir);
  // The text of a SOAP 1.1 or 1.2 fault in a reply ("" when there is none).
  static std::string SoapFaultText(std::string_view reply);
};

} // namespace vxn::outside
