#include "vxnGovX.h"

#include "vxnCertificateStore.h"
#include "vxnDataSignature.h"
#include "vxnFiles.h"
#include "vxnNFeException.h"
#include "vxnOpenSsl.h"
#include "vxnPaths.h"
#include "vxnSmtpClient.h"
#include "vxnSoapClient.h"
#include "vxnStringList.h"
#include "vxnTrustStore.h"
#include "vxnXmlSigner.h"
#include "vxnZipArchive.h"

namespace vxn {

using namespace vxn::outside;

struct TvxnGovX::Impl {
  TvxnHttpSettings http;
  TvxnSignerSettings signer;
  TvxnPrintSettings print;
  TvxnEmailSettings email;
  std::map<std::string, std::string, std::less<>> configuration;
  bool diagnosticMode = false;
  std::string logDir;
  TvxnCertificateStore store;
  TvxnXmlSigner xmlSigner;
  std::shared_ptr<const TvxnTrustStore> trust;
  // Kept between requests: a lot, its receipt and the next lot go over one connection.
  TvxnHttpConnection connection;

  // The trust of the HTTP settings, read again only when they name other sources.
  std::shared_ptr<const TvxnTrustStore> Trust() {
    TvxnTrustSources sources{http.TrustedCAFile, http.ShippedRootsDir, http.AdditionalCAFile,
                             http.ShippedRootsOnly};
    if (http.IgnoreInvalidCertificates)
      return nullptr;
    if (!trust || !(trust->Sources() == sources))
      trust = std::make_shared<const TvxnTrustStore>(std::move(sources), logDir);
    return trust;
  }

  // The certificate of the given settings, asking the host to choose or confirm its name first whenever
  // it is about to be opened (once per configuration).
  std::shared_ptr<const TvxnLoadedCertificate> Certificate(TvxnCertificateSettings& s,
                                                           const TOnCheckCertificateEventNFe& onCheck) {
    store.SetLogDir(logDir);
    if (onCheck && !store.IsCached(s)) {
      std::string name = s.CertificateName;
      onCheck(name);
      if (name != s.CertificateName) {
        signer.CertificateName = name;
        http.CertificateName = name;
      }
    }
    return store.Load(s);
  }

  // Whether the HTTP settings name a client certificate at all (a plain endpoint needs none).
  bool HttpHasCertificate() const { return http.CertificateKind != ckFile || !http.CertificatePath.empty(); }
};

TvxnGovX::TvxnGovX() : impl_(std::make_unique<Impl>()) {}
TvxnGovX::~TvxnGovX() = default;
TvxnGovX::TvxnGovX(TvxnGovX&&) noexcept = default;
TvxnGovX& TvxnGovX::operator=(TvxnGovX&&) noexcept = default;

TvxnHttpSettings& TvxnGovX::Get_HttpSettings() {
  return impl_->http;
}
TvxnSignerSettings& TvxnGovX::Get_SignerSettings() {
  return impl_->signer;
}
TvxnPrintSettings& TvxnGovX::Get_PrintSettings() {
  return impl_->print;
}
TvxnEmailSettings& TvxnGovX::Get_EmailSettings() {
  return impl_->email;
}

void TvxnGovX::Configure(std::string_view name, std::string_view value) {
  impl_->configuration[std::string(name)] = std::string(value);
}

std::string TvxnGovX::Get_Configuration(std::string_view name) const {
  auto it = impl_->configuration.find(name);
  return it == impl_->configuration.end() ? std::string() : it->second;
}

void TvxnGovX::Set_DiagnosticMode(bool on) {
  impl_->diagnosticMode = on;
}
bool TvxnGovX::Get_DiagnosticMode() const {
  return impl_->diagnosticMode;
}
void TvxnGovX::Set_ErrorLogDirectory(std::string_view dir) {
  impl_->logDir = std::string(dir);
}

const std::string& TvxnGovX::Get_ErrorLogDirectory() const {
  return impl_->logDir;
}

std::vector<std::string> TvxnGovX::ListCertificates() {
  return impl_->store.List(impl_->signer);
}

void TvxnGovX::CheckCertificate() {
  auto cert = impl_->Certificate(impl_->signer, OnCheckCertificate);
  impl_->store.CheckUsable(*cert);
}

std::chrono::system_clock::time_point TvxnGovX::CertificateExpiration() {
  auto cert = impl_->Certificate(impl_->signer, OnCheckCertificate);
  return ToTimePoint(X509_get0_notAfter(cert->Certificate.get()));
}

std::chrono::system_clock::time_point TvxnGovX::CertificateValidFrom() {
  auto cert = impl_->Certificate(impl_->signer, OnCheckCertificate);
  return ToTimePoint(X509_get0_notBefore(cert->Certificate.get()));
}

bool TvxnGovX::RemoveCertificate(std::string_view name) {
  return impl_->store.Remove(impl_->signer, name);
}

std::string TvxnGovX::SignXmlById(std::string_view xml, std::string_view id) {
  if (xml.empty())
    throw EvxnSignatureException("XML informado está vazio ou inválido", impl_->logDir);
  auto cert = impl_->Certificate(impl_->signer, OnCheckCertificate);
  impl_->store.CheckUsable(*cert);
  return impl_->xmlSigner.Sign(xml, id, impl_->signer, cert, impl_->logDir);
}

std::string TvxnGovX::SignDataSha1Base64(std::string_view data) {
  auto cert = impl_->Certificate(impl_->signer, OnCheckCertificate);
  impl_->store.CheckUsable(*cert);
  std::string signature = RsaSha1Base64(cert->PrivateKey.get(), data);
  if (signature.empty())
    throw EvxnSignatureException("Não foi possível assinar os dados com o certificado: " + OpenSslErrors(),
                                 impl_->logDir);
  return signature;
}

std::string TvxnGovX::PostSOAP(std::string_view url, std::string_view envelope, std::string_view soapAction,
                               std::string_view /*resultElement*/, std::string_view /*serviceNamespace*/) {
  // The reply goes back whole: the caller unwraps the result element of the service itself.
  std::shared_ptr<const TvxnLoadedCertificate> cert;
  if (impl_->HttpHasCertificate()) {
    cert = impl_->Certificate(impl_->http, OnCheckCertificate);
    impl_->store.CheckUsable(*cert);
  }
  const auto trust = impl_->Trust();
  std::string notDelivered;
  try {
    std::string reply = TvxnSoapClient::Post(&impl_->connection, impl_->http, cert, trust, url, envelope,
                                             soapAction, impl_->logDir, &notDelivered);
    if (OnDelivery)
      OnDelivery(true, std::string(url), {});
    return reply;
  } catch (const EvxnSoapException& e) {
    if (OnDelivery)
      OnDelivery(notDelivered.empty(), std::string(url), notDelivered);
    throw;
  }
}

void TvxnGovX::SendEmail(std::string_view recipient, std::string_view attachments) {
  TvxnStringList anexos;
  anexos.SetText(attachments);
  std::vector<std::string> arquivos;
  for (const std::string& a : anexos)
    if (!a.empty())
      arquivos.push_back(a);
  TvxnSmtpClient::Send(impl_->email, impl_->http, recipient, arquivos, impl_->logDir);
}

bool TvxnGovX::UpdateResource(std::string_view url, std::string_view file) {
  try {
    std::shared_ptr<const TvxnLoadedCertificate> cert;
    if (impl_->HttpHasCertificate())
      cert = impl_->Certificate(impl_->http, OnCheckCertificate);
    const auto trust = impl_->Trust();
    TvxnHttpReply reply =
        TvxnSoapClient::Get(&impl_->connection, impl_->http, cert, trust, url, impl_->logDir);
    if (reply.Status < 200 || reply.Status >= 300 || reply.Body.empty())
      return false;
    std::string content = std::move(reply.Body);
    if (LooksLikeZip(content)) {
      std::string unpacked;
      if (!UnzipFirstEntry(content, unpacked))
        return false;
      content = std::move(unpacked);
    }
    WriteFileAtomic(ExpandPath(file), content);
    return true;
  } catch (const std::exception&) {
    // The caller keeps its previous file; the reason is already in the error log.
    return false;
  }
}

} // namespace vxn
