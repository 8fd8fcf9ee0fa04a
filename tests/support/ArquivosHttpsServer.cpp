#include "ArquivosHttpsServer.h"

#include "TempDir.h"

#include <httplib.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <fstream>
#include <stdexcept>
#include <thread>

namespace vxn::test {

namespace {

void WriteText(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

// A self-signed certificate for 127.0.0.1, written as PEM files into dir.
void MakeServerIdentity(const std::string& certFile, const std::string& keyFile) {
  std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(EVP_RSA_gen(2048), EVP_PKEY_free);
  std::unique_ptr<X509, decltype(&X509_free)> cert(X509_new(), X509_free);
  if (!key || !cert)
    throw std::runtime_error("cannot create the test server identity");
  X509_set_version(cert.get(), 2);
  ASN1_INTEGER_set(X509_get_serialNumber(cert.get()), 1);
  X509_gmtime_adj(X509_getm_notBefore(cert.get()), -3600);
  X509_gmtime_adj(X509_getm_notAfter(cert.get()), 86400);
  X509_set_pubkey(cert.get(), key.get());
  X509_NAME* name = X509_get_subject_name(cert.get());
  X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("127.0.0.1"),
                             -1, -1, 0);
  X509_set_issuer_name(cert.get(), name);
  if (X509_sign(cert.get(), key.get(), EVP_sha256()) <= 0)
    throw std::runtime_error("cannot sign the test server certificate");
  std::unique_ptr<BIO, decltype(&BIO_free)> c(BIO_new(BIO_s_mem()), BIO_free),
      k(BIO_new(BIO_s_mem()), BIO_free);
  PEM_write_bio_X509(c.get(), cert.get());
  PEM_write_bio_PrivateKey(k.get(), key.get(), nullptr, nullptr, 0, nullptr, nullptr);
  auto text = [](BIO* b) {
    char* data = nullptr;
    long n = BIO_get_mem_data(b, &data);
    return std::string(data, static_cast<std::size_t>(n));
  };
  WriteText(certFile, text(c.get()));
  WriteText(keyFile, text(k.get()));
}

std::uint32_t Crc32(const std::string& s) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char ch : s) {
    crc ^= ch;
    for (int i = 0; i < 8; ++i)
      crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

void Le16(std::string& out, std::uint32_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void Le32(std::string& out, std::uint32_t v) {
  Le16(out, v & 0xFFFF);
  Le16(out, v >> 16);
}

} // namespace

struct ArquivosHttpsServer::Impl {
  TempDir dir;
  std::unique_ptr<httplib::SSLServer> server;
  std::thread thread;
  int port = 0;
  mutable std::mutex mutex;
  std::map<std::string, std::string> bodies;
  std::atomic<int> requests{0};
};

ArquivosHttpsServer::ArquivosHttpsServer() : impl_(std::make_unique<Impl>()) {
  std::string cert = impl_->dir.File("server.pem"), key = impl_->dir.File("server.key");
  MakeServerIdentity(cert, key);
  impl_->server = std::make_unique<httplib::SSLServer>(cert.c_str(), key.c_str());
  if (!impl_->server->is_valid())
    throw std::runtime_error("cannot start the test HTTPS server");
  impl_->server->Get(R"(/.*)", [this](const httplib::Request& req, httplib::Response& res) {
    ++impl_->requests;
    std::lock_guard lock(impl_->mutex);
    auto it = impl_->bodies.find(req.path);
    if (it == impl_->bodies.end()) {
      res.status = 404;
      return;
    }
    res.set_content(it->second, "application/zip");
  });
  impl_->port = impl_->server->bind_to_any_port("127.0.0.1");
  impl_->thread = std::thread([this] { impl_->server->listen_after_bind(); });
  // Bounded wait for the listening thread (the socket is bound already, so connections queue anyway).
  for (int i = 0; i < 500 && !impl_->server->is_running(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
}

ArquivosHttpsServer::~ArquivosHttpsServer() {
  impl_->server->stop();
  if (impl_->thread.joinable())
    impl_->thread.join();
}

void ArquivosHttpsServer::Serve(const std::string& path, std::string body) {
  std::lock_guard lock(impl_->mutex);
  impl_->bodies[path] = std::move(body);
}

std::string ArquivosHttpsServer::Url(const std::string& path) const {
  return "https://127.0.0.1:" + std::to_string(impl_->port) + path;
}

int ArquivosHttpsServer::Requests() const {
  return impl_->requests.load();
}

std::string ZipOneFile(const std::string& name, const std::string& content) {
  std::uint32_t crc = Crc32(content);
  auto size = static_cast<std::uint32_t>(content.size());
  auto nameLen = static_cast<std::uint32_t>(name.size());
  std::string zip;
  // Local file header, stored (method 0).
  Le32(zip, 0x04034b50);
  Le16(zip, 20);
  Le16(zip, 0);
  Le16(zip, 0);
  Le16(zip, 0);
  Le16(zip, 0);
  Le32(zip, crc);
  Le32(zip, size);
  Le32(zip, size);
  Le16(zip, nameLen);
  Le16(zip, 0);
  zip += name + content;
  auto centralOffset = static_cast<std::uint32_t>(zip.size());
  Le32(zip, 0x02014b50);
  Le16(zip, 20);
  Le16(zip, 20);
  Le16(zip, 0);
  Le16(zip, 0);
  Le16(zip, 0);
  Le16(zip, 0);
  Le32(zip, crc);
  Le32(zip, size);
  Le32(zip, size);
  Le16(zip, nameLen);
  Le16(zip, 0);
  Le16(zip, 0);
  Le16(zip, 0);
  Le16(zip, 0);
  Le32(zip, 0);
  Le32(zip, 0);
  zip += name;
  auto centralSize = static_cast<std::uint32_t>(zip.size()) - centralOffset;
  Le32(zip, 0x06054b50);
  Le16(zip, 0);
  Le16(zip, 0);
  Le16(zip, 1);
  Le16(zip, 1);
  Le32(zip, centralSize);
  Le32(zip, centralOffset);
  Le16(zip, 0);
  return zip;
}

} // namespace vxn::test
