// The TLS connections a server built on cpp-httplib holds open. A client keeps its connection for its
// next request, and the server's stop waits for such an idle connection until its keep-alive time runs
// out (seconds); ending them at stop lets the server stop at once.
#pragma once

#include <openssl/ssl.h>

#include <map>
#include <mutex>

namespace vxn::sim {

class TSimOpenConnections {
public:
  TSimOpenConnections() = default;
  TSimOpenConnections(const TSimOpenConnections&) = delete;
  TSimOpenConnections& operator=(const TSimOpenConnections&) = delete;

  // Follows every connection of the context from its handshake to its end. The object must outlive
  // the context's connections (the server that accepts them).
  void Follow(SSL_CTX& ctx);
  // A request of the connection is being answered (from its handler until its reply is written), so
  // ending the connection waits for the reply. Connections of a context not followed are ignored.
  static void Answering(const SSL* ssl);
  static void Answered(const SSL* ssl);
  // Ends every connection now, but one answering a request once its reply is written.
  void EndAll();

private:
  struct TConnection {
    int Socket = -1;
    bool Answering = false;
    bool End = false; // ended as soon as its reply is written
  };

  static TSimOpenConnections* Of(const SSL* ssl);
  static void OnInfo(const SSL* ssl, int where, int ret);
  static void OnFree(void* ssl, void* self, CRYPTO_EX_DATA* data, int index, long, void*);
  static int ConnectionIndex();
  static int ContextIndex();

  std::mutex mutex_;
  std::map<const SSL*, TConnection> open_;
};

} // namespace vxn::sim
