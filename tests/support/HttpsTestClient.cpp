#include "support/HttpsTestClient.h"

#include <httplib.h>
#include <openssl/pem.h>
#include <openssl/x509.h>

#include <memory>

namespace vxn::test {

namespace {

struct BioFree {
  void operator()(BIO* b) const { BIO_free(b); }
};
struct X509Free {
  void operator()(X509* x) const { X509_free(x); }
};
struct KeyFree {
  void operator()(EVP_PKEY* k) const { EVP_PKEY_free(k); }
};

std::unique_ptr<BIO, BioFree> Bio(const std::string& pem) {
  return std::unique_ptr<BIO, BioFree>(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())));
}

std::unique_ptr<X509, X509Free> Cert(const std::string& pem) {
  auto bio = Bio(pem);
  return std::unique_ptr<X509, X509Free>(PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr));
}

std::unique_ptr<EVP_PKEY, KeyFree> Key(const std::string& pem) {
  auto bio = Bio(pem);
  return std::unique_ptr<EVP_PKEY, KeyFree>(PEM_read_bio_PrivateKey(bio.get(), nullptr, nullptr, nullptr));
}

} // namespace

HttpsTestReply HttpsSend(const HttpsTestRequest& r) {
  std::unique_ptr<httplib::SSLClient> client;
  if (!r.ClientCertificatePem.empty()) {
    auto cert = Cert(r.ClientCertificatePem);
    auto key = Key(r.ClientKeyPem);
    client = std::make_unique<httplib::SSLClient>("127.0.0.1", r.Port, cert.get(), key.get());
  } else {
    client = std::make_unique<httplib::SSLClient>("127.0.0.1", r.Port);
  }
  if (!r.TrustedCaPem.empty()) {
    X509_STORE* store = X509_STORE_new(); // the client takes ownership
    auto ca = Cert(r.TrustedCaPem);
    X509_STORE_add_cert(store, ca.get());
    client->set_ca_cert_store(store);
    client->enable_server_certificate_verification(true);
  } else {
    client->enable_server_certificate_verification(false);
  }
  client->set_connection_timeout(10);
  client->set_read_timeout(30);
  std::string contentType = r.ContentType;
  if (!r.SoapAction.empty())
    contentType += "; action=\"" + r.SoapAction + "\"";
  httplib::Result result = r.Method == "GET" ? client->Get(r.Path.c_str())
                                             : client->Post(r.Path.c_str(), r.Body, contentType.c_str());
  HttpsTestReply reply;
  if (!result) {
    reply.Error = httplib::to_string(result.error());
    return reply;
  }
  reply.Status = result->status;
  reply.Body = result->body;
  return reply;
}

} // namespace vxn::test
