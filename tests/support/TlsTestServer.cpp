#include "TlsTestServer.h"

#include "sefaz-sim/SimOpenConnections.h"

#include <httplib.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

#include <algorithm>
#include <condition_variable>
#include <set>
#include <stdexcept>
#include <thread>

namespace vxn::test {

namespace {

template <class T, void (*Free)(T*)> struct OsslFree {
  void operator()(T* p) const { Free(p); }
};
using X509Own = std::unique_ptr<X509, OsslFree<X509, X509_free>>;
using KeyOwn = std::unique_ptr<EVP_PKEY, OsslFree<EVP_PKEY, EVP_PKEY_free>>;
using BioOwn = std::unique_ptr<BIO, OsslFree<BIO, BIO_free_all>>;

X509Own ReadCert(const std::string& pem) {
  BioOwn bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
  return X509Own(PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr));
}

KeyOwn ReadKey(const std::string& pem) {
  BioOwn bio(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
  return KeyOwn(PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, nullptr));
}

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
  return s;
}

std::string PeerSubject(const httplib::Request& req) {
  if (!req.ssl)
    return {};
  X509Own peer(SSL_get1_peer_certificate(req.ssl));
  if (!peer)
    return {};
  char buf[512];
  X509_NAME_oneline(X509_get_subject_name(peer.get()), buf, sizeof buf);
  return buf;
}

} // namespace

std::string TlsTestRequest::Header(const std::string& lowerName) const {
  auto it = Headers.find(lowerName);
  return it == Headers.end() ? std::string() : it->second;
}

struct TlsTestServer::Impl {
  sim::TSimOpenConnections connections; // outlives the server's connections
  X509Own cert;
  KeyOwn key;
  std::unique_ptr<httplib::SSLServer> server;
  std::thread thread;
  TlsTestHandler handler;
  mutable std::mutex mutex;
  std::vector<TlsTestRequest> received;
  // The requests between their routing and their logged reply (a reply the server makes up itself, to a
  // request it could not read, is logged without being routed).
  std::set<const httplib::Request*> answering;
  std::condition_variable answered;

  void Serve(const httplib::Request& req, httplib::Response& res) {
    TlsTestRequest r;
    r.Method = req.method;
    r.Path = req.path;
    r.Body = req.body;
    for (const auto& [name, value] : req.headers)
      r.Headers.emplace(Lower(name), value);
    r.ClientSubject = PeerSubject(req);
    r.ClientPort = req.remote_port;
    r.SessionResumed = req.ssl && SSL_session_reused(req.ssl) == 1;
    {
      std::lock_guard lock(mutex);
      received.push_back(r);
    }
    TlsTestResponse answer = handler(r);
    if (answer.DelayMs > 0)
      std::this_thread::sleep_for(std::chrono::milliseconds(answer.DelayMs));
    res.status = answer.Status;
    res.set_content(answer.Body, answer.ContentType.c_str());
  }
};

TlsTestServer::TlsTestServer(const dev::TvxnDevIdentity& identity, const std::string& clientCaPem,
                             TlsTestHandler handler)
    : impl_(std::make_unique<Impl>()) {
  impl_->handler = std::move(handler);
  impl_->cert = ReadCert(identity.CertificatePem);
  impl_->key = ReadKey(identity.PrivateKeyPem);
  X509_STORE* store = nullptr; // handed to the server's TLS context, which owns it
  if (!clientCaPem.empty()) {
    store = X509_STORE_new();
    X509Own ca = ReadCert(clientCaPem);
    X509_STORE_add_cert(store, ca.get());
  }
  impl_->server = std::make_unique<httplib::SSLServer>(impl_->cert.get(), impl_->key.get(), store);
  if (!impl_->server->is_valid())
    throw std::runtime_error("TLS test server: invalid certificate or key");
  impl_->connections.Follow(*impl_->server->ssl_context());
  auto serve = [this](const httplib::Request& req, httplib::Response& res) { impl_->Serve(req, res); };
  impl_->server->Post(".*", serve);
  impl_->server->Get(".*", serve);
  impl_->server->set_pre_routing_handler([this](const httplib::Request& req, httplib::Response&) {
    {
      std::lock_guard lock(impl_->mutex);
      impl_->answering.insert(&req);
    }
    sim::TSimOpenConnections::Answering(req.ssl);
    return httplib::Server::HandlerResponse::Unhandled;
  });
  impl_->server->set_logger([this](const httplib::Request& req, const httplib::Response&) {
    sim::TSimOpenConnections::Answered(req.ssl);
    {
      std::lock_guard lock(impl_->mutex);
      impl_->answering.erase(&req);
    }
    impl_->answered.notify_all();
  });
  port_ = impl_->server->bind_to_any_port("127.0.0.1");
  if (port_ <= 0)
    throw std::runtime_error("TLS test server: cannot bind to 127.0.0.1");
  impl_->thread = std::thread([this] { impl_->server->listen_after_bind(); });
  for (int i = 0; i < 500 && !impl_->server->is_running(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
}

TlsTestServer::~TlsTestServer() {
  impl_->server->stop();
  impl_->connections.EndAll(); // a client keeps its connection: the stop would wait for it to time out
  if (impl_->thread.joinable())
    impl_->thread.join();
}

std::string TlsTestServer::Url(const std::string& path) const {
  return "https://127.0.0.1:" + std::to_string(port_) + path;
}

void TlsTestServer::CloseIdleConnections() {
  {
    // A reply reaches the client before the server is done with its request: the client may already
    // hold it and be sending the next request over that connection, which the server would still read
    // if it ended the connection only now. Wait until every request is done, so that what is ended
    // is idle and the server's end reaches the client before its next request.
    std::unique_lock lock(impl_->mutex);
    impl_->answered.wait(lock, [this] { return impl_->answering.empty(); });
  }
  impl_->connections.EndAll();
}

std::vector<TlsTestRequest> TlsTestServer::Received() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->received;
}

} // namespace vxn::test
