#include "NfeTestCertificate.h"

#include "NfeToolError.h"
#include "vxnDevCertificates.h"
#include "vxnFiles.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <system_error>

namespace vxn::tool {

namespace {

namespace fs = std::filesystem;

constexpr const char* kFolder = "certificado-teste";
constexpr const char* kAuthorityCertificate = "autoridade-teste.pem";
constexpr const char* kAuthorityKey = "autoridade-teste.key";
constexpr const char* kClient = "cliente-teste.pfx";
constexpr const char* kPassword = "1234";
constexpr const char* kCnpj = "11222333000181";
constexpr const char* kCompany = "EMPRESA DE TESTE LTDA";
constexpr const char* kRecipient = "destinatario-teste.pfx";
constexpr const char* kRecipientCnpj = "17444555000125";
constexpr const char* kRecipientCompany = "COMERCIAL MINEIRA DE TESTE LTDA";
// An issuer registered after July 2026: its CNPJ is alphanumeric (the published example 12.ABC.345/01DE-35).
constexpr const char* kAlphanumericIssuer = "emitente-alfanumerico-teste.pfx";
constexpr const char* kAlphanumericCnpj = "12ABC34501DE35";
constexpr const char* kAlphanumericCompany = "EMPRESA ALFANUMERICA DE TESTE LTDA";
constexpr const char* kServerCertificate = "servidor-teste.pem";
constexpr const char* kServerKey = "servidor-teste.key";
// The client certificate is valid for a year; a new one is issued a month before it runs out.
constexpr auto kClientRenewal = std::chrono::hours(24 * 335);

// An exclusive lock on a file of the folder for the life of the object.
class TFolderLock {
public:
  explicit TFolderLock(const fs::path& file) : fd_(::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600)) {
    if (fd_ < 0 || ::flock(fd_, LOCK_EX) != 0)
      throw ENfeToolError(kExitConfiguracao, "cannot lock " + file.string());
  }
  ~TFolderLock() {
    if (fd_ >= 0)
      ::close(fd_); // closing releases the lock
  }
  TFolderLock(const TFolderLock&) = delete;
  TFolderLock& operator=(const TFolderLock&) = delete;

private:
  int fd_;
};

bool ClientNeedsRenewal(const fs::path& client) {
  std::error_code ec;
  const auto written = fs::last_write_time(client, ec);
  if (ec)
    return true;
  return fs::file_time_type::clock::now() - written > kClientRenewal;
}

void WritePrivate(const fs::path& file, const std::string& content) {
  WriteFileAtomic(file.string(), content);
  fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
}

// A certificate issued by the authority is current when it was written after the authority's own and is
// not about to run out.
bool IssuedCurrent(const fs::path& issued, const fs::path& authorityCertificate) {
  std::error_code ec, ecAuthority;
  const auto written = fs::last_write_time(issued, ec);
  const auto authority = fs::last_write_time(authorityCertificate, ecAuthority);
  return !ec && !ecAuthority && written >= authority && !ClientNeedsRenewal(issued);
}

// The local server's certificate, read when current, else issued again (the key written first and the
// certificate last, so that a run that sees a current certificate finds its key complete).
void KeepServerCertificate(const fs::path& dir, TNfeTestCertificate& c) {
  const fs::path pem = dir / kServerCertificate;
  const fs::path key = dir / kServerKey;
  if (fs::exists(key) && IssuedCurrent(pem, dir / kAuthorityCertificate)) {
    c.ServerCertificatePem = ReadWholeFile(pem.string());
    c.ServerPrivateKeyPem = ReadWholeFile(key.string());
    return;
  }
  const dev::TvxnDevIdentity server =
      dev::TvxnDevAuthority::FromPem(c.AuthorityCertificatePem, c.AuthorityPrivateKeyPem).IssueServer();
  WritePrivate(key, server.PrivateKeyPem);
  WriteFileAtomic(pem.string(), server.CertificatePem);
  c.ServerCertificatePem = server.CertificatePem;
  c.ServerPrivateKeyPem = server.PrivateKeyPem;
}

} // namespace

TNfeTestCertificate NfeTestCertificate(const std::string& dataDir) {
  const fs::path dir = fs::path(dataDir) / kFolder;
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (ec)
    throw ENfeToolError(kExitConfiguracao, "cannot create " + dir.string() + ": " + ec.message());
  fs::permissions(dir, fs::perms::owner_all, ec);

  TFolderLock lock(dir / ".lock");
  TNfeTestCertificate c;
  c.ClientPkcs12Path = (dir / kClient).string();
  c.ClientPassword = kPassword;
  c.Cnpj = kCnpj;
  const fs::path caPem = dir / kAuthorityCertificate;
  c.AuthorityCertificatePath = caPem.string();
  const fs::path caKey = dir / kAuthorityKey;
  const bool haveAuthority = fs::exists(caPem) && fs::exists(caKey);
  if (haveAuthority && !ClientNeedsRenewal(c.ClientPkcs12Path)) {
    c.AuthorityCertificatePem = ReadWholeFile(caPem.string());
    c.AuthorityPrivateKeyPem = ReadWholeFile(caKey.string());
    KeepServerCertificate(dir, c);
    return c;
  }

  // The authority is kept when only the client certificate is missing or old.
  const dev::TvxnDevAuthority authority =
      haveAuthority
          ? dev::TvxnDevAuthority::FromPem(ReadWholeFile(caPem.string()), ReadWholeFile(caKey.string()))
          : dev::TvxnDevAuthority::Create("Quorvant NFe autoridade de teste (homologacao local)");
  dev::TvxnDevClientOptions client;
  client.CompanyName = kCompany;
  client.Cnpj = kCnpj;
  client.Password = kPassword;
  const dev::TvxnDevIdentity identity = authority.Identity();
  // The key first and the client last: a run that sees the client file finds its authority complete.
  WritePrivate(caKey, identity.PrivateKeyPem);
  WriteFileAtomic(caPem.string(), identity.CertificatePem);
  WritePrivate(c.ClientPkcs12Path, authority.IssueClientPkcs12(client));
  c.AuthorityCertificatePem = identity.CertificatePem;
  c.AuthorityPrivateKeyPem = identity.PrivateKeyPem;
  KeepServerCertificate(dir, c);
  c.Created = true;
  return c;
}

namespace {

// Another company's certificate from the same test authority, kept beside the client certificate and
// issued again when missing, older than the authority or about to expire.
TNfeTestCertificate CertificateBeside(const std::string& dataDir, const char* file, const char* company,
                                      const char* cnpj) {
  TNfeTestCertificate c = NfeTestCertificate(dataDir);
  const fs::path dir = fs::path(dataDir) / kFolder;
  TFolderLock lock(dir / ".lock");
  const fs::path recipient = dir / file;
  std::error_code ec;
  const auto issued = fs::last_write_time(recipient, ec);
  const bool current = !ec && issued >= fs::last_write_time(dir / kAuthorityCertificate, ec) && !ec &&
                       !ClientNeedsRenewal(recipient);
  if (!current) {
    dev::TvxnDevClientOptions options;
    options.CompanyName = company;
    options.Cnpj = cnpj;
    options.Password = kPassword;
    WritePrivate(recipient,
                 dev::TvxnDevAuthority::FromPem(c.AuthorityCertificatePem, c.AuthorityPrivateKeyPem)
                     .IssueClientPkcs12(options));
  }
  c.ClientPkcs12Path = recipient.string();
  c.Cnpj = cnpj;
  c.Created = !current;
  return c;
}

} // namespace

TNfeTestCertificate NfeRecipientCertificate(const std::string& dataDir) {
  return CertificateBeside(dataDir, kRecipient, kRecipientCompany, kRecipientCnpj);
}

TNfeTestCertificate NfeAlphanumericIssuerCertificate(const std::string& dataDir) {
  return CertificateBeside(dataDir, kAlphanumericIssuer, kAlphanumericCompany, kAlphanumericCnpj);
}

} // namespace vxn::tool
