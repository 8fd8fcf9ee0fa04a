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

// Installs the client certificate, its key and the rest of its chain into the TLS context libcurl is
// about to use.
CURLcode InstallClientCertificate(CURL* /*curl*/, void* sslCtx, void* user) {
  auto* cert = static_cast<const TvxnLoadedCertificate*>(user);
  auto* ctx = static_cast<SSL_CTX*>(sslCtx);
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
};

Transfer Perform(const TvxnHttpSettings& s, const TvxnLoadedCertificate* clientCert, std::string_view url,
                 const std::string* postBody, curl_slist* headers, std::string_view logDir) {
  EnsureCurlInitialised();
  std::string urlText(url);
  if (s.SecureConnection && !StartsWithNoCase(url, "https://"))
    throw EvxnSoapException("Conexão segura exigida: o endereço %s não usa HTTPS", {urlText}, logDir);
  CurlPtr curl(curl_easy_init());
  if (!curl)
    throw EvxnSoapException("Não foi possível iniciar a comunicação com %s", {urlText}, logDir);
  CURL* c = curl.get();
  char errbuf[CURL_ERROR_SIZE] = {};
  Transfer t;
  curl_easy_setopt(c, CURLOPT_URL, urlText.c_str());
  curl_easy_setopt(c, CURLOPT_ERRORBUFFER, errbuf);
  curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
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
  } else if (!s.TrustedCAFile.empty()) {
    curl_easy_setopt(c, CURLOPT_CAINFO, s.TrustedCAFile.c_str());
  }
  if (clientCert) {
    curl_easy_setopt(c, CURLOPT_SSL_CTX_FUNCTION, InstallClientCertificate);
    curl_easy_setopt(c, CURLOPT_SSL_CTX_DATA, const_cast<TvxnLoadedCertificate*>(clientCert));
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
  t.Detail = errbuf[0] ? errbuf : curl_easy_strerror(t.Code);
  return t;
}

[[noreturn]] void TransportFailure(const Transfer& t, const TvxnHttpSettings& s, const std::string& url,
                                   bool withClientCert, std::string_view logDir) {
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

std::string TvxnSoapClient::Post(const TvxnHttpSettings& settings, const TvxnLoadedCertificate* clientCert,
                                 std::string_view url, std::string_view envelope, std::string_view soapAction,
                                 std::string_view logDir) {
  std::string contentType = "Content-Type: application/soap+xml; charset=utf-8; action=\"";
  contentType.append(soapAction).append("\"");
  CurlSlistPtr headers(curl_slist_append(nullptr, contentType.c_str()));
  headers.reset(curl_slist_append(headers.release(), "Expect:"));
  const std::string body(envelope);
  Transfer t = Perform(settings, clientCert, url, &body, headers.get(), logDir);
  std::string urlText(url);
  if (t.Code != CURLE_OK)
    TransportFailure(t, settings, urlText, clientCert != nullptr, logDir);
  if (t.Status < 200 || t.Status >= 300) {
    std::string fault = SoapFaultText(t.Body);
    if (!fault.empty())
      throw EvxnSoapException("Erro HTTP %d na comunicação com %s: %s", {t.Status, urlText, fault}, logDir);
    throw EvxnSoapException("Erro HTTP %d na comunicação com %s", {t.Status, urlText}, logDir);
  }
  return std::move(t.Body);
}

TvxnHttpReply TvxnSoapClient::Get(const TvxnHttpSettings& settings, const TvxnLoadedCertificate* clientCert,
                                  std::string_view url, std::string_view logDir) {
  Transfer t = Perform(settings, clientCert, url, nullptr, nullptr, logDir);
  if (t.Code != CURLE_OK)
    TransportFailure(t, settings, std::string(url), clientCert != nullptr, logDir);
  return {t.Status, std::move(t.Body)};
}

} // namespace vxn::outside
