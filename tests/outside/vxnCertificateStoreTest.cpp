// Certificates of the crypto half of the outside library: opening PKCS#12 files (current and legacy
// encryption), the reasons a certificate is refused, store folders selected by subject, and the promise
// that a certificate is opened once per configuration and that passwords never reach a message or log.
#include "support/DevPki.h"
#include "support/RefusalOf.h"
#include "vxnFiles.h"
#include "vxnGovX.h"
#include "vxnNFeException.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace vxn;
using vxn::test::DevPki;

namespace {

void UseFile(TvxnGovX& gov, const std::string& path, const std::string& password) {
  auto& s = gov.Get_SignerSettings();
  s.CertificateKind = ckFile;
  s.CertificatePath = path;
  s.CertificatePassword = password;
}

// The message of the refusal of fn, checked to be a certification failure.
template <class Fn> std::string CertificationFailure(Fn fn) {
  const test::Refusal r = test::RefusalOf(fn);
  EXPECT_EQ(r.className, "EvxnNFeCertificationException") << r;
  return r.message;
}

std::int64_t DaysFromNow(std::chrono::system_clock::time_point t) {
  return std::chrono::duration_cast<std::chrono::hours>(t - std::chrono::system_clock::now()).count() / 24;
}

} // namespace

TEST(CertificateFile, ValidECnpjOpensAndNamesTheCompanyAndCnpj) {
  TvxnGovX gov;
  UseFile(gov, test::SharedPki().ValidClientFile(), "1234");
  EXPECT_NO_THROW(gov.CheckCertificate());
  auto names = gov.ListCertificates();
  ASSERT_EQ(names.size(), 1u);
  EXPECT_EQ(names[0], "EMPRESA DE TESTE LTDA:11222333000181");
  // Validity of the test certificate: from a day ago to a year ahead.
  EXPECT_EQ(DaysFromNow(gov.CertificateValidFrom()), -1);
  EXPECT_GE(DaysFromNow(gov.CertificateExpiration()), 364);
  EXPECT_LE(DaysFromNow(gov.CertificateExpiration()), 365);
}

TEST(CertificateFile, RefusalsSayWhyAndNeverShowThePassword) {
  test::TempDir logDir;
  const std::string secret = "SenhaSecreta#987";
  dev::TvxnDevClientOptions o;
  o.Password = secret;
  const std::string good = test::SharedPki().WriteClient("secreto.pfx", o);

  TvxnGovX gov;
  gov.Set_ErrorLogDirectory(logDir.Path());
  UseFile(gov, good, "errada-" + secret);
  std::string wrong = CertificationFailure([&] { gov.CheckCertificate(); });
  EXPECT_NE(wrong.find("Senha do certificado inválida"), std::string::npos) << wrong;
  EXPECT_NE(wrong.find(good), std::string::npos) << wrong;
  EXPECT_EQ(wrong.find(secret), std::string::npos) << wrong;

  UseFile(gov, test::SharedPki().Folder() + "nao-existe.pfx", secret);
  std::string missing = CertificationFailure([&] { gov.CheckCertificate(); });
  EXPECT_NE(missing.find("Arquivo do certificado não encontrado"), std::string::npos) << missing;

  UseFile(gov, "", secret);
  EXPECT_EQ(CertificationFailure([&] { gov.CheckCertificate(); }), "Caminho do certificado não informado");

  std::string log = test::ReadFileOrEmpty(logDir.File("nfe_exception.log"));
  EXPECT_EQ(test::CountLines(log), 3u);
  EXPECT_NE(log.find("EvxnNFeCertificationException"), std::string::npos);
  EXPECT_EQ(log.find(secret), std::string::npos);
}

TEST(CertificateFile, ExpiredNotYetValidAndKeylessCertificatesAreRefused) {
  dev::TvxnDevClientOptions expired;
  expired.ValidFromDays = -400;
  expired.ValidToDays = -2;
  dev::TvxnDevClientOptions future;
  future.ValidFromDays = 10;
  future.ValidToDays = 400;
  dev::TvxnDevClientOptions keyless;
  keyless.WithPrivateKey = false;

  TvxnGovX gov;
  UseFile(gov, test::SharedPki().WriteClient("vencido.pfx", expired), "1234");
  std::string m = CertificationFailure([&] { gov.CheckCertificate(); });
  EXPECT_NE(m.find("expirou em"), std::string::npos) << m;
  // The dates can still be read from an expired certificate.
  EXPECT_EQ(DaysFromNow(gov.CertificateExpiration()), -2);

  UseFile(gov, test::SharedPki().WriteClient("futuro.pfx", future), "1234");
  m = CertificationFailure([&] { gov.CheckCertificate(); });
  EXPECT_NE(m.find("ainda não é válido"), std::string::npos) << m;
  EXPECT_EQ(DaysFromNow(gov.CertificateValidFrom()), 9);

  UseFile(gov, test::SharedPki().WriteClient("semchave.pfx", keyless), "1234");
  m = CertificationFailure([&] { gov.CheckCertificate(); });
  EXPECT_EQ(m, "O certificado EMPRESA DE TESTE LTDA:11222333000181 não possui chave privada");

  // Signing refuses the same certificates before touching the document.
  UseFile(gov, test::SharedPki().Folder() + "vencido.pfx", "1234");
  EXPECT_THROW(gov.SignXmlById("<a><b Id=\"x\"/></a>", "x"), EvxnNFeCertificationException);
}

TEST(CertificateFile, LegacyRc2And3DesPkcs12Opens) {
  dev::TvxnDevClientOptions o;
  o.LegacyEncryption = true;
  o.Password = "legado";
  const std::string path = test::SharedPki().WriteClient("legado.pfx", o);
  // The file really uses the old algorithms (as reported by the openssl command line).
  std::string info;
  ASSERT_EQ(
      test::RunCommand("openssl pkcs12 -legacy -info -noout -passin pass:legado -in '" + path + "'", info), 0)
      << info;
  EXPECT_NE(info.find("pbeWithSHA1And40BitRC2-CBC"), std::string::npos) << info;
  EXPECT_NE(info.find("pbeWithSHA1And3-KeyTripleDES-CBC"), std::string::npos) << info;

  TvxnGovX gov;
  UseFile(gov, path, "legado");
  EXPECT_NO_THROW(gov.CheckCertificate());
  EXPECT_NO_THROW(gov.SignXmlById("<a><b Id=\"x\">1</b></a>", "x"));
}

TEST(CertificateFile, OpenedOncePerConfiguration) {
  test::TempDir dir;
  const std::string path = dir.File("uma-vez.pfx");
  std::filesystem::copy_file(test::SharedPki().ValidClientFile(), path);
  TvxnGovX gov;
  UseFile(gov, path, "1234");
  gov.CheckCertificate();
  // Served from memory once opened: the file is no longer needed for the same configuration...
  std::filesystem::remove(path);
  EXPECT_NO_THROW(gov.CheckCertificate());
  EXPECT_NO_THROW(gov.SignXmlById("<a><b Id=\"x\">1</b></a>", "x"));
  // ...while a changed configuration opens the file again.
  gov.Get_SignerSettings().CertificatePassword = "4321";
  EXPECT_NE(CertificationFailure([&] { gov.CheckCertificate(); }).find("não encontrado"), std::string::npos);
}

TEST(CertificateStore, FolderSelectsBySubjectAskingTheHostFirst) {
  test::TempDir store;
  dev::TvxnDevClientOptions a;
  a.CompanyName = "ALFA COMERCIO LTDA";
  a.Cnpj = "11111111000191";
  dev::TvxnDevClientOptions b;
  b.CompanyName = "BETA INDUSTRIA SA";
  b.Cnpj = "22222222000191";
  WriteFileAtomic(store.File("alfa.pfx"), test::SharedPki().Authority().IssueClientPkcs12(a));
  WriteFileAtomic(store.File("beta.p12"), test::SharedPki().Authority().IssueClientPkcs12(b));
  WriteFileAtomic(store.File("leiame.txt"), "not a certificate");

  TvxnGovX gov;
  auto& s = gov.Get_SignerSettings();
  s.CertificateKind = ckLocalMachine;
  s.CertificatePath = store.Path();
  s.CertificatePassword = "1234";
  EXPECT_EQ(gov.ListCertificates(), (std::vector<std::string>{"ALFA COMERCIO LTDA:11111111000191",
                                                              "BETA INDUSTRIA SA:22222222000191"}));

  // No name and two certificates: the host must choose.
  EXPECT_NE(CertificationFailure([&] { gov.CheckCertificate(); }).find("Nome do certificado não informado"),
            std::string::npos);

  // The host's event picks the certificate by CNPJ; its choice is kept in both settings objects.
  std::vector<std::string> asked;
  gov.OnCheckCertificate = [&](std::string& name) {
    asked.push_back(name);
    name = "22222222000191";
  };
  s.CertificateName = "qualquer";
  gov.CheckCertificate();
  EXPECT_EQ(asked, std::vector<std::string>{"qualquer"});
  EXPECT_EQ(gov.Get_SignerSettings().CertificateName, "22222222000191");
  EXPECT_EQ(gov.Get_HttpSettings().CertificateName, "22222222000191");
  std::string signedXml = gov.SignXmlById("<a><b Id=\"x\">1</b></a>", "x");
  EXPECT_TRUE(VerifyXmlSignature(signedXml).Ok);

  gov.OnCheckCertificate = nullptr;
  s.CertificateName = "Nao Existe SA";
  EXPECT_EQ(CertificationFailure([&] { gov.CheckCertificate(); }),
            "Certificado não encontrado: Nao Existe SA");

  EXPECT_TRUE(gov.RemoveCertificate("alfa comercio"));
  EXPECT_FALSE(std::filesystem::exists(store.File("alfa.pfx")));
  EXPECT_FALSE(gov.RemoveCertificate("alfa comercio"));
  EXPECT_EQ(gov.ListCertificates(), std::vector<std::string>{"BETA INDUSTRIA SA:22222222000191"});
}
