// A small HTTPS server on 127.0.0.1 (ephemeral port, self-signed certificate made at start) that serves
// fixed bodies by path and counts the requests, for tests of downloads. Stops when destroyed.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace vxn::test {

class ArquivosHttpsServer {
public:
  ArquivosHttpsServer();
  ~ArquivosHttpsServer();
  ArquivosHttpsServer(const ArquivosHttpsServer&) = delete;
  ArquivosHttpsServer& operator=(const ArquivosHttpsServer&) = delete;

  // Serves `body` at `path` ("/x.zip"); unknown paths answer 404.
  void Serve(const std::string& path, std::string body);
  // "https://127.0.0.1:<port>" + path.
  std::string Url(const std::string& path) const;
  // Requests received so far, all paths.
  int Requests() const;

private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// A ZIP archive with one stored (uncompressed) entry, as the servers files are published.
std::string ZipOneFile(const std::string& name, const std::string& content);

} // namespace vxn::test
