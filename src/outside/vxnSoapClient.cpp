#include "vxnSoapClient.h"

#include "vxnNFeException.h"
#include "vxnXmlSec.h"

#include <openssl/ssl.h>

#include <mutex>

namespace vxn::outside {

namespace {

void EnsureCurlInitialised() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

size_t AppendBody(char* data, size_t size, size_t count, void* user) {
  static_cast<std::string*>(user)->append(data, size * count);
  return size * count;
}

struct TlsSetup {
  const TvxnLoadedCertificate* ClientCert = nullptr;
  const TvxnTrustStore* Trust = nullptr;
};

// Installs the trusted authorities, and the client certificate with its key and the rest of its chain,
// into the TLS context libcurl is about to use.
CURLcode InstallTls(CURL* /*curl*/, void* sslCtx, void* user) {
  auto* setup = static_cast<const TlsSetup*>(user);
  auto* ctx = static_cast<SSL_CTX*>(sslCtx);
  if (setup->Trust)
    setup->Trust->InstallInto(ctx);
  const TvxnLoadedCertificate* cert = setup->ClientCert;
  if (!cert)
    return CURLE_OK;
  if (SSL_CTX_use_certificate(ctx, cert->Certificate.get()) != 1 ||
      SSL_CTX_use_PrivateKey(ctx, cert->PrivateKey.get()) != 1)
    return CURLE_SSL_CERTPROBLEM;
  for (int i = 0; i < sk_X509_num(cert->Chain.get()); ++i)
    SSL_CTX_add1_chain_cert(ctx, sk_X509_value(cert->Chain.get(), i));
  return CURLE_OK;
}

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
  if (s.size() < prefix.size())
    return false;
  for (std::size_t i = 0; i < prefix.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(s[i])) != prefix[i])
      return false;
  return true;
}

struct Transfer {
  CURLcode Code = CURLE_OK;
  long Status = 0;
  std::string Body;
  std::string Detail;
  bool Sent = false;     // any byte of the request body left
  long VerifyResult = 0; // OpenSSL's verdict on the server's certificate chain
};

void RequireHttps(const TvxnHttpSettings& s, std::string_view url, std::string_view logDir) {
  if (s.SecureConnection && !StartsWithNoCase(url, "https://"))
    throw EvxnSoapException("Conexão segura exigida: o endereço %s não usa HTTPS", {std::string(url)},
                            logDir);
}

// The handle one request runs on: a kept connection's (held for the request), or one made for this
// request alone (null until Perform makes it).
struct CurlHandle {
  std::unique_lock<std::mutex> Lock;
  CurlPtr Own;
  CURL* Handle = nullptr;
};

Transfer Perform(CurlHandle& handle, const TvxnHttpSettings& s, const TlsSetup& tls, std::string_view url,
                 const std::string* postBody, curl_slist* headers, std::string_view logDir) {
  EnsureCurlInitialised();
  std::string urlText(url);
  if (!handle.Handle) {
    handle.Own.reset(curl_easy_init());
    handle.Handle = handle.Own.get();
  }
  if (!handle.Handle)
    throw EvxnSoapException("Não foi possível iniciar a comunicação com %s", {urlText}, logDir);
  CURL* c = handle.Handle;
  char errbuf[CURL_ERROR_SIZE] = {};
  Transfer t;
  curl_easy_setopt(c, CURLOPT_URL, urlText.c_str());
  curl_easy_setopt(c, CURLOPT_ERRORBUFFER, errbuf);
  curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
  // A new connection makes a full handshake: a server that asks for client certificates may fail a
  // resumed session outright (OpenSSL does when it was not given a session context).
  curl_easy_setopt(c, CURLOPT_SSL_SESSIONID_CACHE, 0L);
  curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, AppendBody);
  curl_easy_setopt(c, CURLOPT_WRITEDATA, &t.Body);
  if (s.TimeOut > 0)
    curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, static_cast<long>(s.TimeOut));
  // An empty proxy switches off proxies from the environment as well: only the configured one is used.
  curl_easy_setopt(c, CURLOPT_PROXY, s.Proxy.c_str());
  if (!s.Proxy.empty() && !s.User.empty()) {
    curl_easy_setopt(c, CURLOPT_PROXYUSERNAME, s.User.c_str());
    curl_easy_setopt(c, CURLOPT_PROXYPASSWORD, s.Password.c_str());
  }
  if (s.SecureConnection)
    curl_easy_setopt(c, CURLOPT_SSLVERSION, static_cast<long>(CURL_SSLVERSION_TLSv1_2));
  if (s.IgnoreInvalidCertificates) {
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 0L);
    curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 0L);
  } else if (tls.Trust) {
    // The store replaces whatever libcurl would load; it need not read the system bundle first.
    curl_easy_setopt(c, CURLOPT_CAINFO, nullptr);
    curl_easy_setopt(c, CURLOPT_CAPATH, nullptr);
  }
  if (tls.ClientCert || tls.Trust) {
    curl_easy_setopt(c, CURLOPT_SSL_CTX_FUNCTION, InstallTls);
    curl_easy_setopt(c, CURLOPT_SSL_CTX_DATA, const_cast<TlsSetup*>(&tls));
  }
  if (postBody) {
    curl_easy_setopt(c, CURLOPT_POST, 1L);
    curl_easy_setopt(c, CURLOPT_POSTFIELDS, postBody->data());
    curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(postBody->size()));
  } else {
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(c, CURLOPT_MAXREDIRS, 5L);
  }
  if (headers)
    curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers);
  t.Code = curl_easy_perform(c);
  curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &t.Status);
  curl_off_t sent = 0;
  curl_easy_getinfo(c, CURLINFO_SIZE_UPLOAD_T, &sent);
  t.Sent = sent > 0;
  long verify = 0;
  curl_easy_getinfo(c, CURLINFO_SSL_VERIFYRESULT, &verify);
  t.VerifyResult = verify;

  t.Detail = errbuf[0] ? errbuf : curl_easy_strerror(t.Code);
  return t;
}

// The host of a URL ("https://host:port/path" gives "host").
std::string HostOf(const std::string& url) {
  std::size_t start = url.find("://");
  start = start == std::string::npos ? 0 : start + 3;
  std::size_t end = url.find_first_of(":/?", start);
  if (start < url.size() && url[start] == '[')
    end = url.find(']', start) + 1;
  return url.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

// Why the server's certificate was refused, in words: the chain, the name or the dates.
std::string CertificateRefusal(const Transfer& t, const std::string& host) {
  // libcurl checks the name itself, after OpenSSL accepted the chain.
  if (t.Detail.find("host name") != std::string::npos || t.VerifyResult == X509_V_ERR_HOSTNAME_MISMATCH ||
      t.VerifyResult == X509_V_ERR_IP_ADDRESS_MISMATCH)
    return "o certificado não foi emitido para o nome " + host;
  switch (t.VerifyResult) {
  case X509_V_ERR_CERT_HAS_EXPIRED:
    return "o certificado expirou";
  case X509_V_ERR_CERT_NOT_YET_VALID:
    return "o certificado ainda não é válido";
  case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
  case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
  case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
  case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
  case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
    return "o certificado não se liga a uma autoridade certificadora confiável";
  default:
    return std::string("o certificado não é válido: ") + X509_verify_cert_error_string(t.VerifyResult);
  }
}

[[noreturn]] void TransportFailure(const Transfer& t, const TvxnHttpSettings& s, const std::string& url,
                                   bool withClientCert, std::string_view logDir) {
  if (t.Code == CURLE_PEER_FAILED_VERIFICATION) {
    const std::string host = HostOf(url);
    throw EvxnSoapException("Servidor %s recusado: %s (%s); nada foi enviado a %s",
                            {host, CertificateRefusal(t, host), t.Detail, url}, logDir);
  }
  if (t.Code == CURLE_OPERATION_TIMEDOUT)
    throw EvxnSoapException("Tempo limite de %d ms esgotado na comunicação com %s: %s",
                            {s.TimeOut, url, t.Detail}, logDir);
  // A server that requires a client certificate drops the connection during or right after the
  // handshake, which libcurl reports as a plain send or receive error: the likely cause is named.
  const bool handshakeDrop =
      t.Code == CURLE_SEND_ERROR || t.Code == CURLE_RECV_ERROR || t.Code == CURLE_SSL_CONNECT_ERROR;
  if (handshakeDrop && !withClientCert)
    throw EvxnSoapException(
        "Falha na comunicação com %s: %s (%s); nenhum certificado cliente foi configurado",
        {url, curl_easy_strerror(t.Code), t.Detail}, logDir);
  throw EvxnSoapException("Falha na comunicação com %s: %s (%s)", {url, curl_easy_strerror(t.Code), t.Detail},
                          logDir);
}

xmlNodePtr FindByLocalName(xmlNodePtr node, std::string_view name) {
  for (; node; node = node->next) {
    if (node->type != XML_ELEMENT_NODE)
      continue;
    if (name == reinterpret_cast<const char*>(node->name))
      return node;
    if (xmlNodePtr found = FindByLocalName(node->children, name))
      return found;
  }
  return nullptr;
}

} // namespace

struct TvxnHttpConnection::Impl {
  std::mutex mutex;
  CurlPtr curl; // its connection cache and TLS session cache are what is kept
  // What the kept connection was made with.
  std::shared_ptr<const TvxnLoadedCertificate> clientCert;
  std::shared_ptr<const TvxnTrustStore> trust;
  std::string proxy, user, password;
  bool ignoreInvalidCertificates = false;
  bool secureConnection = false;

  bool MadeWith(const TvxnHttpSettings& s, const std::shared_ptr<const TvxnLoadedCertificate>& cert,
                const std::shared_ptr<const TvxnTrustStore>& t) const {
    return clientCert == cert && trust == t && proxy == s.Proxy && user == s.User && password == s.Password &&
           ignoreInvalidCertificates == s.IgnoreInvalidCertificates && secureConnection == s.SecureConnection;
  }

  // The kept handle for a request made with these, its options cleared (its connections and TLS
  // sessions stay); a new one, the old closed, when it was made with others. None while another
  // request holds it.
  CurlHandle Take(const TvxnHttpSettings& s, const std::shared_ptr<const TvxnLoadedCertificate>& cert,
                  const std::shared_ptr<const TvxnTrustStore>& t) {
    std::unique_lock lock(mutex, std::try_to_lock);
    if (!lock.owns_lock())
      return {};
    EnsureCurlInitialised();
    if (curl && MadeWith(s, cert, t)) {
      curl_easy_reset(curl.get());
    } else {
      curl.reset(); // the connection made with the others is closed before anything else is sent
      curl.reset(curl_easy_init());
      clientCert = cert;
      trust = t;
      proxy = s.Proxy;
      user = s.User;
      password = s.Password;
      ignoreInvalidCertificates = s.IgnoreInvalidCertificates;
      secureConnection = s.SecureConnection;
    }
    if (!curl)
      return {};
    CurlHandle handle;
    handle.Lock = std::move(lock);
    handle.Handle = curl.get();
    return handle;
  }
};

TvxnHttpConnection::TvxnHttpConnection() : impl_(std::make_unique<Impl>()) {}
TvxnHttpConnection::~TvxnHttpConnection() = default;

std::string TvxnSoapClient::SoapFaultText(std::string_view reply) {
  TvxnXmlErrorCapture quiet;
  XmlDocPtr doc = ParseUntrustedXml(reply);
  if (!doc)
    return {};
  xmlNodePtr fault = FindByLocalName(xmlDocGetRootElement(doc.get()), "Fault");
  if (!fault)
    return {};
  xmlNodePtr text = nullptr;
  if (xmlNodePtr reason = FindByLocalName(fault->children, "Reason"))
    text = FindByLocalName(reason->children, "Text");
  if (!text)
    text = FindByLocalName(fault->children, "faultstring");
  if (!text)
    return {};
  XmlCharPtr content(xmlNodeGetContent(text));
  return content ? reinterpret_cast<const char*>(content.get()) : "";
}

std::string TvxnSoapClient::Post(TvxnHttpConnection* connection, const TvxnHttpSettings& settings,
                                 const std::shared_ptr<const TvxnLoadedCertificate>& clientCert,
                                 const std::shared_ptr<const TvxnTrustStore>& trust, std::string_view url,
                                 std::string_view envelope, std::string_view soapAction,
                                 std::string_view logDir, std::string* notDelivered) {
  RequireHttps(settings, url, logDir);
  std::string contentType = "Content-Type: application/soap+xml; charset=utf-8; action=\"";
  contentType.append(soapAction).append("\"");
  CurlSlistPtr headers(curl_slist_append(nullptr, contentType.c_str()));
  headers.reset(curl_slist_append(headers.release(), "Expect:"));
  const std::string body(envelope);
  const TlsSetup tls{clientCert.get(), trust.get()};
  CurlHandle handle = connection ? connection->impl_->Take(settings, clientCert, trust) : CurlHandle{};
  Transfer t = Perform(handle, settings, tls, url, &body, headers.get(), logDir);
  std::string urlText(url);
  if (t.Code != CURLE_OK) {
    try {
      TransportFailure(t, settings, urlText, clientCert != nullptr, logDir);
    } catch (const EvxnSoapException& e) {
      if (notDelivered && !t.Sent)
        *notDelivered = e.Message();
      throw;
    }
  }
  if (t.Status < 200 || t.Status >= 300) {
    std::string fault = SoapFaultText(t.Body);
    if (!fault.empty())
      throw EvxnSoapException("Erro HTTP %d na comunicação com %s: %s", {t.Status, urlText, fault}, logDir);
    throw EvxnSoapException("Erro HTTP %d na comunicação com %s", {t.Status, urlText}, logDir);
  }
  return std::move(t.Body);
}

TvxnHttpReply TvxnSoapClient::Get(TvxnHttpConnection* connection, const TvxnHttpSettings& settings,
                                  const std::shared_ptr<const TvxnLoadedCertificate>& clientCert,
                                  const std::shared_ptr<const TvxnTrustStore>& trust, std::string_view url,
                                  std::string_view logDir) {
  RequireHttps(settings, url, logDir);
  const TlsSetup tls{clientCert.get(), trust.get()};
  CurlHandle handle = connection ? connection->impl_->Take(settings, clientCert, trust) : CurlHandle{};
  Transfer t = Perform(handle, settings, tls, url, nullptr, nullptr, logDir);
  if (t.Code != CURLE_OK)
    TransportFailure(t, settings, std::string(url), clientCert != nullptr, logDir);
  return {t.Status, std::move(t.Body)};
}

} // namespace vxn::outside
