#include "support/HttpsTestClient.h"

#include "vxnGovUtils.h"

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

std::string SoapEnvelope(const std::string& wsdl, const std::string& message, bool compressed) {
  const std::string element = compressed ? "nfeDadosMsgZip" : "nfeDadosMsg";
  return R"(<soap12:Envelope xmlns:soap12="http://www.w3.org/2003/05/soap-envelope"><soap12:Body><)" +
         element + R"( xmlns="http://www.portalfiscal.inf.br/nfe/wsdl/)" + wsdl + R"(">)" +
         (compressed ? TvxnGovUtils().CompressBase64Gz(message) : message) + "</" + element +
         "></soap12:Body></soap12:Envelope>";
}

HttpsTestReply PostSoap(const SoapPeer& peer, const std::string& section, const std::string& wsdl,
                        const std::string& operation, const std::string& message, bool compressed) {
  HttpsTestRequest r;
  r.Port = peer.Port;
  r.Path = "/" + section + "/ws/" + wsdl + ".asmx";
  r.Body = SoapEnvelope(wsdl, message, compressed);
  r.SoapAction = "http://www.portalfiscal.inf.br/nfe/wsdl/" + wsdl + "/" + operation;
  r.ClientCertificatePem = peer.ClientCertificatePem;
  r.ClientKeyPem = peer.ClientKeyPem;
  r.TrustedCaPem = peer.TrustedCaPem;
  return HttpsSend(r);
}

} // namespace vxn::test
