// The enveloped signature of SignXmlById: its standard form, and the reasons of the verifier and of the
// independent xmlsec1 command line for refusing a signature.
#include "support/DevPki.h"
#include "support/RefusalOf.h"
#include "support/TempDir.h"
#include "support/TestKeys.h"
#include "support/XmlCheck.h"
#include "support/XmlTag.h"
#include "vxnFiles.h"
#include "vxnGovX.h"
#include "vxnNFeException.h"

#include <gtest/gtest.h>
#include <libxml/parser.h>

using namespace vxn;
using vxn::test::DevPki;
using vxn::test::Tag;

namespace {

const char* const kNfeKey = "NFe35261211222333000181550010000001231123456780";

std::string UnsignedNfe() {
  return ReadWholeFile(std::string(QVX_SOURCE_DIR) + "/tests/data/nfe-govx-10-itens-unsigned.xml");
}

class SignXmlByIdTest : public ::testing::Test {
protected:
  void SetUp() override {
    auto& s = gov_.Get_SignerSettings();
    s.CertificateKind = ckFile;
    s.CertificatePath = test::SharedPki().ValidClientFile();
    s.CertificatePassword = "1234";
    s.ElementName = "infNFe";
  }

  TvxnGovX gov_;
};

} // namespace

TEST_F(SignXmlByIdTest, NfeSignatureHasTheStandardForm) {
  std::string out = gov_.SignXmlById(UnsignedNfe(), kNfeKey);
  EXPECT_EQ(out.rfind("<?xml version=\"1.0\"?><NFe xmlns=\"http://www.portalfiscal.inf.br/nfe\">", 0), 0u);
  // The signature follows infNFe inside NFe, in the XML Signature namespace, with nothing between.
  EXPECT_NE(out.find("</infNFe><Signature xmlns=\"http://www.w3.org/2000/09/xmldsig#\"><SignedInfo>"
                     "<CanonicalizationMethod Algorithm=\"http://www.w3.org/TR/2001/REC-xml-c14n-20010315\"/>"
                     "<SignatureMethod Algorithm=\"http://www.w3.org/2000/09/xmldsig#rsa-sha1\"/>"
                     "<Reference URI=\"#" +
                     std::string(kNfeKey) +
                     "\"><Transforms>"
                     "<Transform Algorithm=\"http://www.w3.org/2000/09/xmldsig#enveloped-signature\"/>"
                     "<Transform Algorithm=\"http://www.w3.org/TR/2001/REC-xml-c14n-20010315\"/></Transforms>"
                     "<DigestMethod Algorithm=\"http://www.w3.org/2000/09/xmldsig#sha1\"/><DigestValue>"),
            std::string::npos)
      << out.substr(out.find("</infNFe>"), 800);
  EXPECT_TRUE(out.ends_with("</X509Certificate></X509Data></KeyInfo></Signature></NFe>"));
  // The signer's certificate alone, on one line, as in its PEM.
  std::string cert = Tag(out, "X509Certificate");
  EXPECT_EQ(cert.find('\n'), std::string::npos);
  EXPECT_GT(cert.size(), 1000u);
  EXPECT_EQ(out.find("<X509Certificate>", out.find("</X509Certificate>")), std::string::npos);
  EXPECT_EQ(Tag(out, "SignatureValue").size(), 344u); // RSA-2048 in base64
  EXPECT_EQ(Tag(out, "DigestValue").size(), 28u);     // SHA-1 in base64
}

// (The schema accepting signed documents: vxnNFeAssinaturaTest.)
TEST_F(SignXmlByIdTest, XmlSec1AndTheVerifierRejectOneChangedCharacter) {
  // The Id may be given with the reference's "#".
  const std::string out = gov_.SignXmlById(UnsignedNfe(), std::string("#") + kNfeKey);
  EXPECT_EQ(test::XmlSec1VerifyErrors(out, test::SharedPki().CaFile()), "");
  std::string tampered = out;
  auto at = tampered.find("PRODUTO DE TESTE 7");
  ASSERT_NE(at, std::string::npos);
  tampered[at + 17] = '8';
  EXPECT_NE(test::XmlSec1VerifyErrors(tampered, test::SharedPki().CaFile()), "");
  auto ours = VerifyXmlSignature(tampered, test::SharedPki().CaPem());
  EXPECT_FALSE(ours.Ok);
  EXPECT_NE(ours.Reason.find("DigestValue"), std::string::npos) << ours.Reason;
}

TEST_F(SignXmlByIdTest, VerifierExplainsEachFailure) {
  std::string out = gov_.SignXmlById(UnsignedNfe(), kNfeKey);

  auto other = dev::TvxnDevAuthority::Create("Outra AC", test::SharedKeys());
  auto untrusted = VerifyXmlSignature(out, other.CertificatePem());
  EXPECT_FALSE(untrusted.Ok);
  EXPECT_NE(untrusted.Reason.find("não confiável"), std::string::npos) << untrusted.Reason;

  std::string badValue = out;
  auto sv = badValue.find("<SignatureValue>") + 20;
  badValue[sv] = badValue[sv] == 'A' ? 'B' : 'A';
  auto wrongValue = VerifyXmlSignature(badValue);
  EXPECT_FALSE(wrongValue.Ok);
  EXPECT_NE(wrongValue.Reason.find("SignatureValue"), std::string::npos) << wrongValue.Reason;

  auto unsignedDoc = VerifyXmlSignature(UnsignedNfe());
  EXPECT_EQ(unsignedDoc.Reason, "o documento não possui assinatura (Signature)");
  EXPECT_FALSE(VerifyXmlSignature("<NFe><infNFe").Ok);
  EXPECT_NE(VerifyXmlSignature("<NFe><infNFe").Reason.find("XML malformado"), std::string::npos);
}

// A verifier kept for many documents keeps the key of each signer's certificate: every signature is still
// checked with the certificate it carries, and a KeyInfo of another form is read as the library reads it.
TEST_F(SignXmlByIdTest, AVerifierKeptForManyDocumentsChecksEachWithTheCertificateItCarries) {
  dev::TvxnDevClientOptions outra;
  outra.CompanyName = "OUTRA EMPRESA DE TESTE LTDA";
  outra.Cnpj = "99888777000166";
  TvxnGovX gov;
  gov.Get_SignerSettings() = gov_.Get_SignerSettings();
  gov.Get_SignerSettings().CertificatePath = test::SharedPki().WriteClient("outra-assinante.pfx", outra);
  const std::string deA = gov_.SignXmlById(UnsignedNfe(), kNfeKey);
  const std::string deB = gov.SignXmlById(UnsignedNfe(), kNfeKey);
  const std::string certA = Tag(deA, "X509Certificate");
  const std::string certB = Tag(deB, "X509Certificate");
  ASSERT_NE(certA, certB);
  auto trocar = [](std::string xml, const std::string& de, const std::string& para) {
    return xml.replace(xml.find(de), de.size(), para);
  };
  // The authority's certificate after the signer's, as signers that send the chain write it.
  std::string ca = test::SharedPki().CaPem();
  ca = ca.substr(ca.find('\n') + 1, ca.find("-----END") - ca.find('\n') - 1);
  std::erase(ca, '\n');
  const std::string comCadeia =
      trocar(deA, "</X509Certificate>", "</X509Certificate><X509Certificate>" + ca + "</X509Certificate>");
  const std::string semKeyInfo =
      deA.substr(0, deA.find("<KeyInfo>")) + deA.substr(deA.find("</KeyInfo>") + 10);
  struct Caso {
    std::string nome;
    std::string xml;
    std::string motivo; // "" when the signature is valid
  };
  const std::vector<Caso> casos = {
      {"A's", deA, ""},
      {"B's", deB, ""},
      {"A's signature carrying B's certificate", trocar(deA, certA, certB), "(SignatureValue) não confere"},
      {"B's signature carrying A's certificate", trocar(deB, certB, certA), "(SignatureValue) não confere"},
      {"A's with the chain", comCadeia, ""},
      {"a certificate text that is no certificate", trocar(deA, certA, "QUJDRA=="),
       "certificado do assinante"},
      {"no KeyInfo", semKeyInfo, "certificado do assinante ausente"},
  };
  TvxnXmlSignatureVerifier verifier;
  for (int rodada = 1; rodada <= 2; ++rodada) // the second meets the keys the first kept
    for (const Caso& c : casos) {
      const TvxnSignatureCheck r = verifier.Verify(c.xml);
      EXPECT_EQ(r.Ok, c.motivo.empty()) << c.nome << ", round " << rodada << ": " << r.Reason;
      EXPECT_NE(r.Reason.find(c.motivo), std::string::npos) << c.nome << ": " << r.Reason;
    }
  EXPECT_EQ(test::XmlSec1VerifyErrors(comCadeia, test::SharedPki().CaFile()), "");
}

// Each kind of tampering is refused for its own reason by a verifier kept for many documents (the
// signer's key already kept from a good document), and the xmlsec1 command line refuses it too.
TEST_F(SignXmlByIdTest, AKeptVerifierRefusesEachTamperedDocumentForItsReason) {
  const std::string good = gov_.SignXmlById(UnsignedNfe(), kNfeKey);
  auto trocar = [&](const std::string& de, const std::string& para, std::string xml = {}) {
    if (xml.empty())
      xml = good;
    const std::size_t at = xml.find(de);
    EXPECT_NE(at, std::string::npos) << de;
    return at == std::string::npos ? xml : xml.replace(at, de.size(), para);
  };
  const std::string digest = Tag(good, "DigestValue");
  std::string otherDigest = digest;
  otherDigest[3] = otherDigest[3] == 'A' ? 'B' : 'A';
  const std::string reference = std::string("#") + kNfeKey;
  const std::string signedInfo = "<SignedInfo>";
  struct Caso {
    std::string nome;
    std::string xml;
    std::string motivo;
  };
  const std::vector<Caso> casos = {
      {"a byte of the signed element", trocar("PRODUTO DE TESTE 7", "PRODUTO DE TESTE 8"),
       "o resumo (DigestValue) da referência " + reference + " não confere"},
      {"an attribute of the signed element", trocar("versao=\"4.00\" Id=", "versao=\"4.01\" Id="),
       "o resumo (DigestValue) da referência " + reference + " não confere"},
      {"a byte of SignedInfo outside the digest", trocar(signedInfo, signedInfo + " "),
       "o valor da assinatura (SignatureValue) não confere com o certificado"},
      {"another digest", trocar(digest, otherDigest),
       "o resumo (DigestValue) da referência " + reference + " não confere"},
      {"a digest of another length", trocar(digest, "AAAA"),
       "o resumo (DigestValue) da referência " + reference + " não confere"},
      {"a reference to no element", trocar("URI=\"" + reference, "URI=\"" + reference + "0"),
       "assinatura malformada"},
      {"a reference to another element",
       trocar("URI=\"" + reference, "URI=\"#outro", trocar("<ide>", "<ide Id=\"outro\">")),
       "o resumo (DigestValue) da referência #outro não confere"},
      {"a digest algorithm the form does not use", trocar("xmldsig#sha1", "xmldsig#sha256"),
       "assinatura malformada"},
  };
  TvxnXmlSignatureVerifier verifier;
  ASSERT_TRUE(verifier.Verify(good).Ok);
  for (const Caso& c : casos) {
    const TvxnSignatureCheck r = verifier.Verify(c.xml);
    EXPECT_FALSE(r.Ok) << c.nome;
    EXPECT_NE(r.Reason.find(c.motivo), std::string::npos) << c.nome << ": " << r.Reason;
    EXPECT_NE(test::XmlSec1VerifyErrors(c.xml, test::SharedPki().CaFile()), "") << c.nome;
  }
  EXPECT_TRUE(verifier.Verify(good).Ok);

  // The signed element copied, unchanged, before the signature's parent under the same Id, and the one
  // beside the signature changed: the reference names the first element of that Id, which is not the
  // one beside the signature.
  gov_.Get_SignerSettings().ElementName.clear();
  const std::string small = gov_.SignXmlById("<r><a Id=\"a1\">x</a></r>", "a1");
  ASSERT_TRUE(verifier.Verify(small).Ok);
  const std::string signedA = "<a Id=\"a1\">x</a>";
  std::string wrapped = small;
  wrapped.replace(wrapped.find(signedA), signedA.size(), "<z>" + signedA + "</z><a Id=\"a1\">y</a>");
  const TvxnSignatureCheck r = verifier.Verify(wrapped);
  EXPECT_FALSE(r.Ok);
  EXPECT_NE(r.Reason.find("a referência #a1 não aponta para o elemento assinado"), std::string::npos)
      << r.Reason;
}

TEST_F(SignXmlByIdTest, ReferenceMustPointBesideTheSignature) {
  // A signature over a far element, moved next to another one, is not the enveloped NF-e form.
  gov_.Get_SignerSettings().ElementName.clear();
  std::string out = gov_.SignXmlById("<r><a Id=\"a1\">x</a><b><c>y</c></b></r>", "a1");
  EXPECT_TRUE(VerifyXmlSignature(out).Ok);
  auto sigStart = out.find("<Signature");
  auto sigEnd = out.find("</Signature>") + 12;
  std::string sig = out.substr(sigStart, sigEnd - sigStart);
  std::string moved = out.substr(0, sigStart) + out.substr(sigEnd);
  moved.insert(moved.find("</c>") + 4, sig);
  auto r = VerifyXmlSignature(moved);
  EXPECT_FALSE(r.Ok);
  EXPECT_NE(r.Reason.find("não aponta para o elemento assinado"), std::string::npos) << r.Reason;
}

TEST_F(SignXmlByIdTest, BadInputRaisesSignatureException) {
  auto message = [&](std::string_view xml, std::string_view id) {
    const test::Refusal r = test::RefusalOf([&] { gov_.SignXmlById(xml, id); });
    EXPECT_EQ(r.className, "EvxnSignatureException") << r;
    return r.message;
  };
  EXPECT_EQ(message("", kNfeKey), "XML informado está vazio ou inválido");
  EXPECT_EQ(message(UnsignedNfe(), "NFe000"), "Elemento infNFe com Id NFe000 não encontrado no XML");
  EXPECT_EQ(message(UnsignedNfe(), ""), "Id do elemento a assinar não informado");
  EXPECT_NE(message("<NFe><infNFe Id=\"a\">", "a").find("XML a assinar não é válido"), std::string::npos);
  // An element of another name carrying the Id is not the element to sign.
  EXPECT_EQ(message("<a><det Id=\"d1\"/></a>", "d1"), "Elemento infNFe com Id d1 não encontrado no XML");
  EXPECT_NE(message("<infNFe Id=\"r\"/>", "r").find("dentro de outro elemento"), std::string::npos);
  // External entities are never fetched: the document is refused or signed without them.
  std::string xxe =
      "<!DOCTYPE a [<!ENTITY e SYSTEM \"file:///etc/passwd\">]><a><infNFe Id=\"x\">&e;</infNFe></a>";
  std::string signedXxe;
  const test::Refusal xxeResult = test::RefusalOf([&] { signedXxe = gov_.SignXmlById(xxe, "x"); });
  EXPECT_EQ(xxeResult.message.find("root:"), std::string::npos);
  EXPECT_EQ(signedXxe.find("root:"), std::string::npos);
}

TEST(XmlErrorHandlers, SignatureCodeKeepsItsMessagesAndLeavesTheThreadsHandlersInPlace) {
  int calls = 0;
  xmlSetStructuredErrorFunc(&calls, [](void* ctx, xmlErrorPtr) { ++*static_cast<int*>(ctx); });
  // The verifier's parse errors go into its own reason, not to the handler of the host...
  auto r = VerifyXmlSignature("<a><b>");
  EXPECT_NE(r.Reason.find("XML malformado: "), std::string::npos);
  EXPECT_GT(r.Reason.size(), std::string("XML malformado: ").size()) << r.Reason;
  EXPECT_EQ(calls, 0);
  // ...and the host's handler is in force again afterwards.
  xmlDocPtr doc = xmlReadMemory("<x><y>", 6, "t.xml", nullptr, 0);
  xmlFreeDoc(doc);
  EXPECT_GT(calls, 0);
  xmlSetStructuredErrorFunc(nullptr, nullptr);
}
