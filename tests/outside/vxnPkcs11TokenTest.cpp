// Certificates on a token (ckSmartCard) through the real SoftHSM2 module: the signature made with the
// token's key, judged by the xmlsec1 command line; the choice of the certificate; and each reason a token
// cannot serve, told by the certification exception without ever showing the PIN.
#include "support/DevPki.h"
#include "support/RefusalOf.h"
#include "support/SoftHsmToken.h"
#include "support/XmlCheck.h"
#include "vxnCertificateStore.h"
#include "vxnGovX.h"
#include "vxnOpenSsl.h"
#include "vxnXmlSigner.h"

#include <gtest/gtest.h>

#include <functional>

using namespace vxn;
using test::SoftHsmToken;

namespace {

const std::string kHolder = "EMPRESA DE TESTE LTDA:11222333000181";
const std::string kDocument = "<NFe xmlns=\"http://www.portalfiscal.inf.br/nfe\"><infNFe Id=\"NFe3519\" "
                              "versao=\"4.00\"><ide><cUF>35</cUF></ide></infNFe></NFe>";

const dev::TvxnDevIdentity& Holder() {
  static const dev::TvxnDevIdentity id = test::SharedPki().Authority().IssueClient({});
  return id;
}

TvxnCertificateSettings TokenSettings(const std::string& name = kHolder,
                                      const std::string& pin = SoftHsmToken::kPin) {
  TvxnCertificateSettings s;
  s.CertificateKind = ckSmartCard;
  s.Pkcs11Module = SoftHsmToken::kModule;
  s.CertificateName = name;
  s.PinCode = pin;
  return s;
}

void UseToken(TvxnGovX& gov, const TvxnCertificateSettings& s) {
  static_cast<TvxnCertificateSettings&>(gov.Get_SignerSettings()) = s;
  static_cast<TvxnCertificateSettings&>(gov.Get_HttpSettings()) = s;
}

} // namespace

TEST(TokenCertificate, SignsWithTheTokenKeyChosenInEveryWay) {
  SoftHsmToken token(Holder(), test::SharedPki().CaPem());
  outside::TvxnCertificateStore store;
  // Chosen by common name, by part of the subject, by the object's label and by a pkcs11: address.
  for (const std::string& name : {kHolder, std::string("11222333000181"), std::string("empresa"),
                                  std::string("pkcs11:token=Token%20NFe;object=empresa")}) {
    auto cert = store.Load(TokenSettings(name));
    ASSERT_TRUE(cert->PrivateKey) << name;
    EXPECT_EQ(cert->Name, kHolder) << name;
    EXPECT_EQ(sk_X509_num(cert->Chain.get()), 1) << "the authority on the token is sent along";
  }
  // With one holder's certificate on the token (the authority's does not count), no name is needed.
  EXPECT_EQ(store.Load(TokenSettings(""))->Name, kHolder);
  auto cert = store.Load(TokenSettings());
  outside::TvxnXmlSigner signer;
  TvxnSignerSettings s;
  s.ElementName = "infNFe";
  const std::string signedXml = signer.Sign(kDocument, "NFe3519", s, cert, "");
  EXPECT_TRUE(signer.LastSignedDirectly());
  EXPECT_EQ(test::XmlSec1VerifyErrors(signedXml, test::SharedPki().CaFile()), "") << signedXml;
  EXPECT_NE(signedXml.find(outside::ToPem(cert->Certificate.get()).substr(28, 60)), std::string::npos);
  // xmlsec1 cannot sign with a key it does not hold: a document only it could sign is refused plainly.
  s.Options = TvxnSignerSettings::kIncludeCertificate;
  EXPECT_EQ(
      test::RefusalOf([&] { signer.Sign(kDocument, "NFe3519", s, cert, ""); }),
      (test::Refusal{"EvxnSignatureException",
                     "A assinatura do elemento NFe3519 com a chave do cartão ou token exige base64 em uma "
                     "linha, documento sem DTD e Id único"}));
}

TEST(TokenCertificate, EachReasonATokenCannotServeIsToldWithoutThePin) {
  struct Case {
    const char* what;
    std::function<TvxnCertificateSettings()> settings;
    bool tokenPresent;
    bool locked;
    std::string message;
  };
  const std::string wrongPin = "918273";
  const std::vector<Case> cases = {
      {"wrong PIN", [&] { return TokenSettings(kHolder, wrongPin); }, true, false,
       "PIN incorreto para o cartão ou token Token NFe"},
      {"no PIN", [] { return TokenSettings(kHolder, ""); }, true, false,
       "PIN do cartão ou token Token NFe não informado (PinCode)"},
      {"locked PIN", [] { return TokenSettings(); }, true, true,
       "PIN bloqueado no cartão ou token Token NFe: desbloqueie-o com o PUK antes de usá-lo"},
      {"no token in the module", [] { return TokenSettings(); }, false, false,
       std::string("Nenhum cartão ou token presente no módulo ") + SoftHsmToken::kModule},
      {"the named token is absent", [] { return TokenSettings("pkcs11:token=Outro"); }, true, false,
       "Cartão ou token não encontrado: pkcs11:token=Outro"},
      {"no such certificate", [] { return TokenSettings("OUTRA EMPRESA"); }, true, false,
       "Certificado não encontrado: OUTRA EMPRESA"},
      {"missing module",
       [] {
         auto s = TokenSettings();
         s.Pkcs11Module = "/usr/lib/nao-existe/libtoken.so";
         return s;
       },
       true, false, "Módulo PKCS#11 não encontrado: /usr/lib/nao-existe/libtoken.so"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::TempDir logDir;
    auto token = c.tokenPresent ? std::make_unique<SoftHsmToken>(Holder()) : std::make_unique<SoftHsmToken>();
    if (c.locked)
      token->LockUserPin();
    TvxnGovX gov;
    gov.Set_ErrorLogDirectory(logDir.Path());
    UseToken(gov, c.settings());
    EXPECT_EQ(test::RefusalOf([&] { gov.CheckCertificate(); }),
              (test::Refusal{"EvxnNFeCertificationException", c.message}));
    EXPECT_EQ(test::RefusalOf([&] { gov.SignXmlById(kDocument, "NFe3519"); }).message, c.message);
    const std::string log = test::ReadFileOrEmpty(logDir.File("nfe_exception.log"));
    EXPECT_EQ(test::CountLines(log), 2u) << log;
    EXPECT_EQ(log.find(wrongPin), std::string::npos) << log;
    EXPECT_EQ(log.find(SoftHsmToken::kPin), std::string::npos) << log;
  }
}

TEST(TokenCertificate, APinTheTokenRefusedIsNotPresentedAgain) {
  SoftHsmToken token(Holder());
  TvxnGovX gov;
  UseToken(gov, TokenSettings(kHolder, "918273"));
  const test::Refusal refused = test::RefusalOf([&] { gov.CheckCertificate(); });
  EXPECT_EQ(refused.message, "PIN incorreto para o cartão ou token Token NFe");
  // Had the PIN been presented again, the token would now take it.
  token.ChangePin("918273");
  EXPECT_EQ(test::RefusalOf([&] { gov.CheckCertificate(); }), refused);
}

// A login holds for the whole module: while one configuration has the token open, another PIN cannot be
// checked by the token and is not taken for a good one.
TEST(TokenCertificate, AnotherPinWhileTheTokenIsOpenIsRefused) {
  SoftHsmToken token(Holder());
  TvxnGovX open;
  UseToken(open, TokenSettings());
  open.CheckCertificate();
  TvxnGovX other;
  UseToken(other, TokenSettings(kHolder, "11112222"));
  EXPECT_EQ(test::RefusalOf([&] { other.CheckCertificate(); }).message,
            "O cartão ou token Token NFe já está aberto neste programa com outro PIN");
  UseToken(other, TokenSettings());
  EXPECT_NO_THROW(other.CheckCertificate());
}
