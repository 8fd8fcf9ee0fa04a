// Development certificates made with OpenSSL at run time: a certification authority, a TLS server
// certificate for 127.0.0.1 and localhost, and e-CNPJ style client certificates as password-protected
// PKCS#12 (company name and CNPJ in the subject, the CNPJ also in the subject alternative name as
// Brazilian e-CNPJ certificates carry it). The tests, the local tax-authority server and the command-line
// tool's embedded default use them; nothing in the project depends on a certificate from outside.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vxn::dev {

// A certificate and its private key, both PEM.
struct TvxnDevIdentity {
  std::string CertificatePem;
  std::string PrivateKeyPem;
};

struct TvxnDevClientOptions {
  std::string CompanyName = "EMPRESA DE TESTE LTDA";
  std::string Cnpj = "11222333000181";
  std::string Password = "1234";
  // Validity relative to now, in days (negative is in the past).
  int ValidFromDays = -1;
  int ValidToDays = 365;
  // Encrypt the PKCS#12 as older Windows exports do (RC2-40 for the certificates, 3DES for the key)
  // instead of AES-256.
  bool LegacyEncryption = false;
  // Leave the private key out of the PKCS#12 (a certificate-only file).
  bool WithPrivateKey = true;
};

// Where an authority takes the RSA-2048 keys of itself and of the certificates it issues. Making a key
// is the slow part of issuing a certificate (a fifth of a second or more); a program that issues many
// short-lived certificates, a test suite above all, may hand out keys made beforehand. Called from any
// thread of the authority's users.
class TvxnDevKeySource {
public:
  virtual ~TvxnDevKeySource() = default;
  // The PEM of a private RSA key this source has not handed out before, or "" to have a new one made.
  virtual std::string NextKeyPem() = 0;
};

class TvxnDevAuthority {
public:
  // A new self-signed RSA-2048 authority; its key and those of what it issues come from `keys` when
  // given, else are made as needed.
  static TvxnDevAuthority Create(std::string_view commonName = "Quorvant NFe Dev CA",
                                 std::shared_ptr<TvxnDevKeySource> keys = nullptr);
  // An authority made earlier (PEM of its certificate and key).
  static TvxnDevAuthority FromPem(std::string_view certificatePem, std::string_view privateKeyPem,
                                  std::shared_ptr<TvxnDevKeySource> keys = nullptr);

  TvxnDevAuthority(TvxnDevAuthority&&) noexcept;
  TvxnDevAuthority& operator=(TvxnDevAuthority&&) noexcept;
  ~TvxnDevAuthority();

  TvxnDevIdentity Identity() const;
  std::string CertificatePem() const;

  // A TLS server certificate for the given DNS names and IP addresses, valid from `validFromDays` to
  // `validToDays` relative to now (negative is in the past).
  TvxnDevIdentity IssueServer(const std::vector<std::string>& dnsNames = {"localhost"},
                              const std::vector<std::string>& ipAddresses = {"127.0.0.1"},
                              int validFromDays = -1, int validToDays = 825) const;
  // An intermediate authority issued by this one (as the tax authorities' servers are, under a root
  // the client trusts): it issues the certificates, and a server sends its certificate along.
  TvxnDevAuthority IssueIntermediate(std::string_view commonName) const;
  // An e-CNPJ style client certificate as PKCS#12 bytes (DER).
  std::string IssueClientPkcs12(const TvxnDevClientOptions& options) const;
  // The same certificate and key as PEM (for a TLS client that is not the library).
  TvxnDevIdentity IssueClient(const TvxnDevClientOptions& options) const;

private:
  struct Impl;
  explicit TvxnDevAuthority(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

} // namespace vxn::dev
