#include "vxnDevCertificates.h"

#include "vxnNFeException.h"
#include "vxnOpenSsl.h"

#include <openssl/pkcs12.h>
#include <openssl/rand.h>

namespace vxn::dev {

using namespace vxn::outside;

namespace {

constexpr long kDay = 24L * 60 * 60;

[[noreturn]] void Fail(std::string_view what) {
  throw EvxnNFeCertificationException("Falha ao gerar certificado de teste (%s): %s",
                                      {what, OpenSslErrors()});
}

// A key from the source when it has one, else a new one.
EvpPkeyPtr NewRsaKey(TvxnDevKeySource* source) {
  const std::string pem = source ? source->NextKeyPem() : std::string();
  EvpPkeyPtr key = pem.empty() ? EvpPkeyPtr(EVP_RSA_gen(2048)) : KeyFromPem(pem);
  if (!key || EVP_PKEY_get_base_id(key.get()) != EVP_PKEY_RSA)
    Fail("chave RSA");
  return key;
}

void AddNameEntry(X509_NAME* name, const char* field, std::string_view value) {
  if (!X509_NAME_add_entry_by_txt(name, field, MBSTRING_UTF8,
                                  reinterpret_cast<const unsigned char*>(value.data()),
                                  static_cast<int>(value.size()), -1, 0))
    Fail(field);
}

void AddExtension(X509* cert, X509* issuer, int nid, const std::string& value) {
  X509V3_CTX ctx;
  X509V3_set_ctx_nodb(&ctx);
  X509V3_set_ctx(&ctx, issuer, cert, nullptr, nullptr, 0);
  X509ExtensionPtr ext(X509V3_EXT_conf_nid(nullptr, &ctx, nid, value.c_str()));
  if (!ext || !X509_add_ext(cert, ext.get(), -1))
    Fail(OBJ_nid2sn(nid));
}

// A certificate for `key` with the validity given in days relative to now; the subject is filled by the
// caller, the issuer and signature come from Sign().
X509Ptr NewCertificate(EVP_PKEY* key, int fromDays, int toDays) {
  X509Ptr cert(X509_new());
  X509_set_version(cert.get(), 2);
  BignumPtr serial(BN_new());
  BN_rand(serial.get(), 63, BN_RAND_TOP_ANY, BN_RAND_BOTTOM_ANY);
  BN_to_ASN1_INTEGER(serial.get(), X509_get_serialNumber(cert.get()));
  X509_gmtime_adj(X509_getm_notBefore(cert.get()), fromDays * kDay);
  X509_gmtime_adj(X509_getm_notAfter(cert.get()), toDays * kDay);
  X509_set_pubkey(cert.get(), key);
  return cert;
}

void Sign(X509* cert, X509* issuer, EVP_PKEY* issuerKey) {
  X509_set_issuer_name(cert, X509_get_subject_name(issuer));
  if (!X509_sign(cert, issuerKey, EVP_sha256()))
    Fail("assinatura");
}

} // namespace

struct TvxnDevAuthority::Impl {
  X509Ptr cert;
  EvpPkeyPtr key;
  std::shared_ptr<TvxnDevKeySource> keys;
};

TvxnDevAuthority::TvxnDevAuthority(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
TvxnDevAuthority::TvxnDevAuthority(TvxnDevAuthority&&) noexcept = default;
TvxnDevAuthority& TvxnDevAuthority::operator=(TvxnDevAuthority&&) noexcept = default;
TvxnDevAuthority::~TvxnDevAuthority() = default;

TvxnDevAuthority TvxnDevAuthority::Create(std::string_view commonName,
                                          std::shared_ptr<TvxnDevKeySource> keys) {
  EnsureOpenSslProviders();
  auto impl = std::make_unique<Impl>();
  impl->keys = std::move(keys);
  impl->key = NewRsaKey(impl->keys.get());
  impl->cert = NewCertificate(impl->key.get(), -1, 3650);
  X509_NAME* name = X509_get_subject_name(impl->cert.get());
  AddNameEntry(name, "C", "BR");
  AddNameEntry(name, "O", "Quorvant NFe Desenvolvimento");
  AddNameEntry(name, "CN", commonName);
  X509* c = impl->cert.get();
  AddExtension(c, c, NID_basic_constraints, "critical,CA:TRUE");
  AddExtension(c, c, NID_key_usage, "critical,keyCertSign,cRLSign");
  AddExtension(c, c, NID_subject_key_identifier, "hash");
  Sign(c, c, impl->key.get());
  return TvxnDevAuthority(std::move(impl));
}

TvxnDevAuthority TvxnDevAuthority::FromPem(std::string_view certificatePem, std::string_view privateKeyPem,
                                           std::shared_ptr<TvxnDevKeySource> keys) {
  EnsureOpenSslProviders();
  auto impl = std::make_unique<Impl>();
  impl->keys = std::move(keys);
  impl->cert = X509FromPem(certificatePem);
  impl->key = KeyFromPem(privateKeyPem);
  if (!impl->cert || !impl->key || X509_check_private_key(impl->cert.get(), impl->key.get()) != 1)
    Fail("autoridade certificadora inválida");
  return TvxnDevAuthority(std::move(impl));
}

TvxnDevIdentity TvxnDevAuthority::Identity() const {
  return {ToPem(impl_->cert.get()), ToPem(impl_->key.get())};
}

std::string TvxnDevAuthority::CertificatePem() const {
  return ToPem(impl_->cert.get());
}

TvxnDevAuthority TvxnDevAuthority::IssueIntermediate(std::string_view commonName) const {
  auto impl = std::make_unique<Impl>();
  impl->keys = impl_->keys;
  impl->key = NewRsaKey(impl->keys.get());
  impl->cert = NewCertificate(impl->key.get(), -1, 1825);
  X509_NAME* name = X509_get_subject_name(impl->cert.get());
  AddNameEntry(name, "C", "BR");
  AddNameEntry(name, "O", "Quorvant NFe Desenvolvimento");
  AddNameEntry(name, "CN", commonName);
  X509* c = impl->cert.get();
  X509* issuer = impl_->cert.get();
  AddExtension(c, issuer, NID_basic_constraints, "critical,CA:TRUE,pathlen:0");
  AddExtension(c, issuer, NID_key_usage, "critical,keyCertSign,cRLSign");
  AddExtension(c, issuer, NID_subject_key_identifier, "hash");
  AddExtension(c, issuer, NID_authority_key_identifier, "keyid");
  Sign(c, issuer, impl_->key.get());
  return TvxnDevAuthority(std::move(impl));
}

TvxnDevIdentity TvxnDevAuthority::IssueServer(const std::vector<std::string>& dnsNames,
                                              const std::vector<std::string>& ipAddresses, int validFromDays,
                                              int validToDays) const {
  EvpPkeyPtr key = NewRsaKey(impl_->keys.get());
  X509Ptr cert = NewCertificate(key.get(), validFromDays, validToDays);
  X509_NAME* name = X509_get_subject_name(cert.get());
  AddNameEntry(name, "C", "BR");
  AddNameEntry(name, "O", "Quorvant NFe Desenvolvimento");
  AddNameEntry(name, "CN", dnsNames.empty() ? std::string_view("localhost") : dnsNames.front());
  std::string san;
  for (const auto& d : dnsNames)
    san += (san.empty() ? "" : ",") + std::string("DNS:") + d;
  for (const auto& ip : ipAddresses)
    san += (san.empty() ? "" : ",") + std::string("IP:") + ip;
  X509* issuer = impl_->cert.get();
  if (!san.empty())
    AddExtension(cert.get(), issuer, NID_subject_alt_name, san);
  AddExtension(cert.get(), issuer, NID_basic_constraints, "critical,CA:FALSE");
  AddExtension(cert.get(), issuer, NID_key_usage, "critical,digitalSignature,keyEncipherment");
  AddExtension(cert.get(), issuer, NID_ext_key_usage, "serverAuth");
  AddExtension(cert.get(), issuer, NID_authority_key_identifier, "keyid");
  Sign(cert.get(), issuer, impl_->key.get());
  return {ToPem(cert.get()), ToPem(key.get())};
}

namespace {

// The client certificate and its key, as an e-CNPJ carries them: the common name is the company name and
// the CNPJ joined by a colon, and the CNPJ is also in the subject alternative name under the ICP-Brasil
// identifier 2.16.76.1.3.3.
std::pair<X509Ptr, EvpPkeyPtr> MakeClient(X509* issuer, EVP_PKEY* issuerKey, TvxnDevKeySource* keys,
                                          const TvxnDevClientOptions& o) {
  EvpPkeyPtr key = NewRsaKey(keys);
  X509Ptr cert = NewCertificate(key.get(), o.ValidFromDays, o.ValidToDays);
  X509_NAME* name = X509_get_subject_name(cert.get());
  AddNameEntry(name, "C", "BR");
  AddNameEntry(name, "O", "ICP-Brasil");
  AddNameEntry(name, "ST", "SP");
  AddNameEntry(name, "L", "SAO PAULO");
  AddNameEntry(name, "OU", "Certificado PJ A1");
  AddNameEntry(name, "CN", o.CompanyName + ":" + o.Cnpj);
  AddExtension(cert.get(), issuer, NID_subject_alt_name, "otherName:2.16.76.1.3.3;PRINTABLESTRING:" + o.Cnpj);
  AddExtension(cert.get(), issuer, NID_basic_constraints, "critical,CA:FALSE");
  AddExtension(cert.get(), issuer, NID_key_usage, "critical,digitalSignature,nonRepudiation,keyEncipherment");
  AddExtension(cert.get(), issuer, NID_ext_key_usage, "clientAuth,emailProtection");
  AddExtension(cert.get(), issuer, NID_authority_key_identifier, "keyid");
  Sign(cert.get(), issuer, issuerKey);
  return {std::move(cert), std::move(key)};
}

} // namespace

std::string TvxnDevAuthority::IssueClientPkcs12(const TvxnDevClientOptions& o) const {
  auto [cert, key] = MakeClient(impl_->cert.get(), impl_->key.get(), impl_->keys.get(), o);
  X509StackPtr chain(sk_X509_new_null());
  X509_up_ref(impl_->cert.get());
  sk_X509_push(chain.get(), impl_->cert.get());
  int nidKey = o.LegacyEncryption ? NID_pbe_WithSHA1And3_Key_TripleDES_CBC : 0;
  int nidCert = o.LegacyEncryption ? NID_pbe_WithSHA1And40BitRC2_CBC : 0;
  const std::string friendly = o.CompanyName;
  Pkcs12Ptr p12(PKCS12_create(o.Password.c_str(), friendly.c_str(), o.WithPrivateKey ? key.get() : nullptr,
                              cert.get(), chain.get(), nidKey, nidCert, 0, 0, 0));
  if (!p12)
    Fail("PKCS#12");
  BioPtr bio(BIO_new(BIO_s_mem()));
  if (i2d_PKCS12_bio(bio.get(), p12.get()) != 1)
    Fail("PKCS#12");
  char* data = nullptr;
  long len = BIO_get_mem_data(bio.get(), &data);
  return std::string(data, static_cast<std::size_t>(len));
}

TvxnDevIdentity TvxnDevAuthority::IssueClient(const TvxnDevClientOptions& o) const {
  auto [cert, key] = MakeClient(impl_->cert.get(), impl_->key.get(), impl_->keys.get(), o);
  return {ToPem(cert.get()), ToPem(key.get())};
}

} // namespace vxn::dev
