#include "support/DevPki.h"
#include "support/ProgramHome.h"
#include "support/RefusalOf.h"
#include "support/TempDir.h"
#include "vxnGovX.h"
#include "vxnNFe.h"
#include "vxnNFeException.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace vxn {
namespace {

using test::Refusal;
using test::RefusalOf;

using NFeCertificadosTest = test::ProgramHomeTest;

TEST_F(NFeCertificadosTest, CertificateFileOperationsGoThroughTheConfiguredSettings) {
  TvxnNFe nfe;
  nfe.SetCaminhoCertificado(test::SharedPki().ValidClientFile());
  nfe.SetSenhaCertificado("1234");
  nfe.CheckCertificate();
  auto now = std::chrono::system_clock::now();
  EXPECT_LT(nfe.GetValidadeInicialCertificado(), now);
  EXPECT_GT(nfe.GetVencimentoCertificado(), now);
  TvxnStringList lista;
  lista.Add("antigo");
  nfe.ListarCertificados(&lista);
  ASSERT_EQ(lista.Count(), 1u);
  EXPECT_NE(lista[0], "antigo");
  // What the component configured is what the library holds.
  const TvxnHttpSettings& http = nfe.GetGov().Get_HttpSettings();
  EXPECT_EQ(http.CertificatePath, test::SharedPki().ValidClientFile());
  EXPECT_EQ(http.CertificatePassword, "1234");
  EXPECT_EQ(nfe.GetGov().Get_SignerSettings().CertificatePath, test::SharedPki().ValidClientFile());
  EXPECT_EQ(nfe.GetGov().Get_SignerSettings().Options, 3);
}

TEST_F(NFeCertificadosTest, AWrongPasswordFailsTheCheck) {
  TvxnNFe nfe;
  nfe.SetCaminhoCertificado(test::SharedPki().ValidClientFile());
  nfe.SetSenhaCertificado("errada");
  EXPECT_THROW(nfe.CheckCertificate(), EvxnNFeException);
  EXPECT_EQ(RefusalOf([&] { nfe.ListarCertificados(nullptr); }),
            (Refusal{"EvxnCheckParams", "A lista do certificado não foi instanciada. "}));
}

TEST_F(NFeCertificadosTest, ANewCertificateNameIsPassedOnAndCheckedWithTheHost) {
  TvxnNFe nfe;
  std::vector<std::string> asked;
  nfe.SetOnCheckCertificate([&](std::string& name) { asked.push_back(name); });
  nfe.SetCaminhoCertificado(test::SharedPki().ValidClientFile());
  nfe.SetSenhaCertificado("1234");
  nfe.GetGov();
  // Assigning the name after the library object exists configures it and checks the certificate.
  nfe.SetNomeCertificado("EMPRESA DE TESTE");
  EXPECT_EQ(nfe.GetGov().Get_SignerSettings().CertificateName, "EMPRESA DE TESTE");
  EXPECT_EQ(nfe.GetGov().Get_HttpSettings().CertificateName, "EMPRESA DE TESTE");
  ASSERT_FALSE(asked.empty());
  EXPECT_EQ(asked.back(), "EMPRESA DE TESTE");
}

TEST_F(NFeCertificadosTest, PropertiesReachTheLibrarySettings) {
  TvxnNFe nfe;
  nfe.GetGov();
  nfe.SetProxy("127.0.0.1:3128");
  nfe.SetTimeOut(1234);
  nfe.SetConexaoSegura(true);
  nfe.SetUsuario("u");
  nfe.SetSenha("s");
  nfe.SetPinCode("9876");
  nfe.SetTipoCertificado(ckLocalMachine);
  nfe.SetDiretorioTemplates(home.File("Modelos/vm60/"));
  nfe.SetHttpLibs("  ");
  TvxnEmailSettings& m = nfe.GetEmailSettings();
  m.ServidorSmtp = "smtp.exemplo.test";
  m.EmailDestinatario = "fica@exemplo.test";
  m.Porta = 2525;
  TvxnGovX& gov = nfe.GetGov();
  const TvxnHttpSettings& http = gov.Get_HttpSettings();
  EXPECT_EQ(http.Proxy, "127.0.0.1:3128");
  EXPECT_EQ(http.TimeOut, 1234);
  EXPECT_TRUE(http.SecureConnection);
  EXPECT_EQ(http.User, "u");
  EXPECT_EQ(http.Password, "s");
  EXPECT_EQ(http.PinCode, "9876");
  EXPECT_EQ(http.CertificateKind, ckLocalMachine);
  EXPECT_TRUE(http.IgnoreInvalidCertificates);
  EXPECT_EQ(gov.Get_SignerSettings().PinCode, "9876");
  EXPECT_EQ(gov.Get_SignerSettings().AllowedElementsFile, home.File("Modelos/elementospermitidos.bin"));
  // A blank HttpLibs becomes the default list at configuration time.
  EXPECT_EQ(nfe.GetHttpLibs(), "wininet,sbb");
  EXPECT_EQ(gov.Get_Configuration("HttpLibs"), "wininet,sbb");
  // Mail settings travel without the recipient.
  EXPECT_EQ(gov.Get_EmailSettings().ServidorSmtp, "smtp.exemplo.test");
  EXPECT_EQ(gov.Get_EmailSettings().Porta, 2525);
  EXPECT_EQ(gov.Get_EmailSettings().EmailDestinatario, "");
  EXPECT_TRUE(gov.Get_DiagnosticMode());
}

} // namespace
} // namespace vxn
