// A small HTTPS server on 127.0.0.1 (an ephemeral port) for tests of the transport: it presents a given
// server certificate, can require a client certificate from a given authority, records what it was sent
// and answers through a handler (status, body, an optional delay).
#pragma once

#include "vxnDevCertificates.h"

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace vxn::test {

struct TlsTestRequest {
  std::string Method;
  std::string Path;
  std::string Body;
  std::multimap<std::string, std::string> Headers; // names in lower case
  std::string ClientSubject;                       // subject of the client certificate ("" without one)
  int ClientPort = 0;                              // the client's end of the connection: one per connection
  bool SessionResumed = false;                     // the connection resumed an earlier TLS session
  std::string Header(const std::string& lowerName) const;
};

struct TlsTestResponse {
  int Status = 200;
  std::string Body;
  std::string ContentType = "application/soap+xml; charset=utf-8";
  int DelayMs = 0; // wait before answering (for time-out tests)
};

using TlsTestHandler = std::function<TlsTestResponse(const TlsTestRequest&)>;

class TlsTestServer {
public:
  // clientCaPem empty: no client certificate is asked for; otherwise one from that authority is required.
  TlsTestServer(const dev::TvxnDevIdentity& serverIdentity, const std::string& clientCaPem,
                TlsTestHandler handler);
  ~TlsTestServer();
  TlsTestServer(const TlsTestServer&) = delete;
  TlsTestServer& operator=(const TlsTestServer&) = delete;

  int Port() const { return port_; }
  // "https://127.0.0.1:<port>" + path
  std::string Url(const std::string& path) const;
  // Requests that reached the handler, in order.
  std::vector<TlsTestRequest> Received() const;
  // Closes the connections clients keep open between requests, as a server does when they stay idle:
  // once no request is being answered, and before it returns.
  void CloseIdleConnections();

private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
  int port_ = 0;
};

} // namespace vxn::test
