// AssinarNota on whole lots (schema, xmlsec1, CSRT hash per document, lot size before the certificate),
// the contingency and operating-mode checks, and the clean-up of the signer's output.
#include "support/DevPki.h"
#include "support/NFeLoteFixture.h"
#include "support/ProgramHome.h"
#include "support/RefusalOf.h"
#include "support/TempDir.h"
#include "support/XmlCheck.h"
#include "vxnFiles.h"
#include "vxnGovUtils.h"
#include "vxnNFe.h"
#include "vxnNFeException.h"
#include "vxnText.h"
#include "xml/vxnNFeAssinaturaUtils.h"
#include "xml/vxnNFeUtils.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <vector>

namespace vxn {
namespace {

using test::Refusal;
using test::RefusalOf;
using ::testing::AllOf;
using ::testing::Property;
using ::testing::StartsWith;
using ::testing::Throws;

constexpr std::string_view kCSRT = "G8063VRTNDMO886SFNK5LDUDEI24XJ22YIPO";

// The signed NFe documents of AssinarNota's result, in order.
std::vector<std::string> SepararNotas(const std::string& assinadas) {
  std::vector<std::string> notas;
  const std::string fim = "</NFe>";
  std::size_t pos = 0;
  while (true) {
    std::size_t ini = assinadas.find("<NFe", pos);
    if (ini == std::string::npos)
      break;
    std::size_t f = assinadas.find(fim, ini);
    if (f == std::string::npos)
      break;
    notas.push_back(assinadas.substr(ini, f + fim.size() - ini));
    pos = f + fim.size();
  }
  return notas;
}

// The SHA-1 of the text in base64, computed by the openssl command line.
std::string Sha1Base64ByOpenssl(const std::string& text) {
  std::string out;
  EXPECT_EQ(
      test::RunCommand("printf '%s' '" + text + "' | openssl dgst -sha1 -binary | openssl base64 -A", out),
      0);
  return out;
}

class NFeAssinaturaTest : public test::ProgramHomeTest {
protected:
  void SetUp() override {
    nfe.SetDiretorioLogErro(home.File("LogErro"));
    nfe.SetDiretorioEsquemas(std::string(QVX_SCHEMAS_DIR) + "/");
  }
  void ComCertificado() {
    nfe.SetCaminhoCertificado(test::SharedPki().ValidClientFile());
    nfe.SetSenhaCertificado("1234");
  }

  TvxnNFe nfe;
};

TEST_F(NFeAssinaturaTest, ALotOf50FromTheDatasetIsSignedValidAndEachDocumentCarriesTheHashOfItsOwnKey) {
  ComCertificado();
  nfe.SetIdCSRT("01");
  nfe.SetCSRT(kCSRT);
  std::vector<std::string> chaves;
  const std::string lote = test::LoteDoDataSet(50, true, &chaves);
  ASSERT_EQ(chaves.size(), 50u);
  const std::string assinadas = nfe.AssinarNota(lote);

  EXPECT_EQ(assinadas.find("\r\n"), std::string::npos);
  EXPECT_EQ(assinadas.find("<?xml"), std::string::npos);
  const std::vector<std::string> notas = SepararNotas(assinadas);
  ASSERT_EQ(notas.size(), 50u);
  const std::string xsd = test::FindSchema("nfe_v4.00.xsd");
  ASSERT_FALSE(xsd.empty());
  std::set<std::string> hashes;
  for (std::size_t i = 0; i < notas.size(); ++i) {
    const std::string& nota = notas[i];
    const std::string& chave = chaves[i];
    SCOPED_TRACE("nota " + std::to_string(i + 1));
    EXPECT_EQ(GetReferenceInfo(nota), "NFe" + chave); // documents keep the order of the lot
    EXPECT_TRUE(ValidaAssinatura(nota));
    EXPECT_EQ(test::XmlSchemaErrors(nota, xsd), "");
    EXPECT_EQ(test::XmlSec1VerifyErrors(nota, test::SharedPki().CaFile()), "");
    EXPECT_EQ(GetValueTag("idCSRT", nota), "01");
    hashes.insert(GetValueTag("hashCSRT", nota));
  }
  EXPECT_EQ(hashes.size(), 50u);
  // The hash of the first and the last document is that of the CSRT followed by its own key.
  for (std::size_t i : {0u, 49u})
    EXPECT_EQ(GetValueTag("hashCSRT", notas[i]), Sha1Base64ByOpenssl(std::string(kCSRT) + chaves[i]));
}

// (A document without infRespTec gets nothing either: DocumentsOfOneLotGetTheirOwnCSRTChange...)
TEST_F(NFeAssinaturaTest, WithoutCSRTNoHashIsAdded) {
  ComCertificado();
  nfe.SetIdCSRT("01");
  EXPECT_EQ(nfe.AssinarNota(test::LoteNaoAssinado(1, test::ComRespTec())).find("hashCSRT"),
            std::string::npos);
}

TEST_F(NFeAssinaturaTest, ALotOf51IsRefusedBeforeTheCertificateIsTouched) {
  bool consultado = false;
  nfe.SetOnCheckCertificate([&](std::string&) { consultado = true; });
  nfe.SetCaminhoCertificado(home.File("nao-existe.pfx"));
  EXPECT_EQ(RefusalOf([&] { nfe.AssinarNota(test::LoteNaoAssinado(51)); }),
            (Refusal{"EvxnNFeMaxSizeException", "O Lote não pode possuir mais de 50 notas."}));
  EXPECT_FALSE(consultado);
  // The same lot size with a missing certificate fails on the certificate.
  EXPECT_THROW(nfe.AssinarNota(test::LoteNaoAssinado(50)), EvxnNFeCertificationException);
}

TEST_F(NFeAssinaturaTest, EmptyAndDocumentlessTextsAreRefusedAndReportedToTelemetry) {
  std::vector<TvxnTelemetriaEvento> eventos;
  nfe.GetTelemetria().SetSink([&](const TvxnTelemetriaEvento& e) { eventos.push_back(e); });
  EXPECT_EQ(RefusalOf([&] { nfe.AssinarNota(""); }),
            (Refusal{"EvxnSignatureException", "XML informado está vazio ou inválido"}));
  EXPECT_EQ(RefusalOf([&] { nfe.AssinarNota("<enviNFe/>"); }),
            (Refusal{"EvxnNFeException", "Não foi possível encontrar notas fiscais no arquivo"}));
  ASSERT_EQ(eventos.size(), 4u);
  EXPECT_EQ(eventos[0].Tipo, TvxnTelemetriaTipo::Ping);
  EXPECT_EQ(eventos[0].Operacao, "AssinarNota");
  EXPECT_EQ(eventos[1].Tipo, TvxnTelemetriaTipo::Excecao);
  EXPECT_EQ(eventos[1].Operacao, "AssinarNota");
  EXPECT_EQ(eventos[1].Classe, "EvxnSignatureException");
  EXPECT_EQ(eventos[1].Mensagem, "XML informado está vazio ou inválido");
  EXPECT_EQ(eventos[3].Classe, "EvxnNFeException");
}

TEST_F(NFeAssinaturaTest, AKeyThatIsNotFortyFourDigitsStopsTheLot) {
  ComCertificado();
  std::string lote = test::LoteNaoAssinado(3);
  const std::string chave = test::ChaveDaNota(2);
  lote = ReplaceAll(lote, "Id=\"NFe" + chave + "\"", "Id=\"NFe" + chave.substr(0, 43) + "X\"");
  EXPECT_EQ(RefusalOf([&] { nfe.AssinarNota(lote); }),
            (Refusal{"EvxnSignatureException",
                     "Chave inválida, a chave deve conter apenas números, e conter 44 caracteres"}));
}

TEST_F(NFeAssinaturaTest, BusinessRuleFailuresStopSigningWithTheirOwnMessage) {
  ComCertificado();
  const std::string lote = test::LoteNaoAssinado(2, test::ComTpEmis("9"));
  EXPECT_EQ(RefusalOf([&] { nfe.AssinarNota(lote); }),
            (Refusal{"EvxnNFeException", "Tipo de Emissão 9 é válido. Utilize (1,2,3,4 ou 5)"}));
}

TEST_F(NFeAssinaturaTest, AccentsListedInTheSettingsAreRemovedAndTheOrdinalBecomesO) {
  ComCertificado();
  nfe.SetCaracteresRemoverAcentos("ÃÇ");
  std::string lote = test::LoteNaoAssinado(1);
  lote = ReplaceAll(lote, "<xNome>EMPRESA DE TESTE LTDA</xNome>", "<xNome>CONFECÇÕES SÃO JOÃO Nº 1</xNome>");
  const std::string nota = nfe.AssinarNota(lote);
  EXPECT_NE(nota.find("<xNome>CONFECCÕES SAO JOAO No 1</xNome>"), std::string::npos) << nota;
  EXPECT_EQ(test::XmlSec1VerifyErrors(nota, test::SharedPki().CaFile()), "");
}

// ---- Documents whose Id or CSRT change cannot be settled by the reading of the key ----

// The first `n` occurrences of `de` replaced by `para`.
std::string TrocarPrimeiras(std::string s, const std::string& de, const std::string& para, int n = 1) {
  for (std::size_t p = 0; n > 0 && (p = s.find(de, p)) != std::string::npos; --n) {
    s.replace(p, de.size(), para);
    p += para.size();
  }
  return s;
}

TEST_F(NFeAssinaturaTest, TheSignatureRefersToTheFirstIdOfTheWrappedDocument) {
  ComCertificado();
  const std::string chave1 = test::ChaveDaNota(1);
  const std::string chave2 = test::ChaveDaNota(2);
  // Written with a character reference, the Id is signed by its value.
  std::string lote = TrocarPrimeiras(test::LoteNaoAssinado(2), "Id=\"NFe" + chave2, "Id=\"&#78;Fe" + chave2);
  std::vector<std::string> notas = SepararNotas(nfe.AssinarNota(lote));
  ASSERT_EQ(notas.size(), 2u);
  EXPECT_NE(notas[1].find("<Reference URI=\"#NFe" + chave2 + "\">"), std::string::npos) << notas[1];
  EXPECT_EQ(test::XmlSec1VerifyErrors(notas[1], test::SharedPki().CaFile()), "");
  // Written after other attributes and with single quotes, it is the same Id.
  lote = TrocarPrimeiras(test::LoteNaoAssinado(2), "versao=\"4.00\" Id=\"NFe" + chave1 + "\"",
                         "versao=\"4.00\" Id = 'NFe" + chave1 + "'");
  notas = SepararNotas(nfe.AssinarNota(lote));
  ASSERT_EQ(notas.size(), 2u);
  EXPECT_EQ(GetReferenceInfo(notas[0]), "NFe" + chave1);
  EXPECT_EQ(test::XmlSec1VerifyErrors(notas[0], test::SharedPki().CaFile()), "");
  // Past the key, "º" in the Id is kept by the key check and becomes "o" when the document is wrapped.
  nfe.SetCaracteresRemoverAcentos("Ã");
  lote = TrocarPrimeiras(test::LoteNaoAssinado(2), "Id=\"NFe" + chave1 + "\"", "Id=\"NFe" + chave1 + "º\"");
  notas = SepararNotas(nfe.AssinarNota(lote));
  ASSERT_EQ(notas.size(), 2u);
  EXPECT_EQ(GetReferenceInfo(notas[0]), "NFe" + chave1 + "o");
  EXPECT_NE(notas[0].find("<Reference URI=\"#NFe" + chave1 + "o\">"), std::string::npos) << notas[0];
  EXPECT_EQ(test::XmlSec1VerifyErrors(notas[0], test::SharedPki().CaFile()), "");
  // Without an Id on infNFe, the signature looks for the first Id of the document on an infNFe.
  lote = TrocarPrimeiras(test::LoteNaoAssinado(2), " Id=\"NFe" + chave1 + "\"", "");
  EXPECT_EQ(RefusalOf([&] { nfe.AssinarNota(TrocarPrimeiras(lote, "<ide>", "<ide Id=\"abc\">")); }),
            (Refusal{"EvxnSignatureException", "Elemento infNFe com Id abc não encontrado no XML"}));
  EXPECT_EQ(RefusalOf([&] { nfe.AssinarNota(lote); }),
            (Refusal{"EvxnSignatureException", "Campo Id não encontrado para nota fiscal"}));
  // The key may come from an infNFe inside the document; the signature still looks for its first Id.
  lote = TrocarPrimeiras(test::LoteNaoAssinado(1), " Id=\"NFe" + chave1 + "\"", " xmlns:p=\"urn:p\"");
  lote = TrocarPrimeiras(lote, "<ide>", "<ide Id=\"abc\"><p:infNFe Id=\"NFe" + chave1 + "\"/>");
  EXPECT_EQ(RefusalOf([&] { nfe.AssinarNota(lote); }),
            (Refusal{"EvxnSignatureException", "Elemento infNFe com Id abc não encontrado no XML"}));
  // An Id with a namespace prefix is not an Id.
  lote = TrocarPrimeiras(test::LoteNaoAssinado(1), " Id=\"NFe", " xmlns:p=\"urn:p\" p:Id=\"NFe");
  EXPECT_EQ(RefusalOf([&] { nfe.AssinarNota(lote); }),
            (Refusal{"EvxnSignatureException", "Campo Id não encontrado para nota fiscal"}));
}

TEST_F(NFeAssinaturaTest, ADocumentThatWrappingForSigningBreaksIsRefusedByTheParser) {
  ComCertificado();
  // Nested 257 elements deep the document itself is read; wrapped in NFe it is one level too deep.
  std::string aninhado;
  for (int i = 0; i < 255; ++i)
    aninhado = "<a>" + aninhado + "</a>";
  std::string lote = TrocarPrimeiras(test::LoteNaoAssinado(2), "<ide>", "<ide>" + aninhado);
  EXPECT_EQ(RefusalOf([&] { nfe.AssinarNota(lote); }),
            (Refusal{"EvxnSignatureException",
                     "XML inválido: Excessive depth in document: 256 use XML_PARSE_HUGE option (linha 1)"}));
  // An old idCSRT closed by an inner element of another case is cut there, which breaks the document.
  nfe.SetIdCSRT("07");
  nfe.SetCSRT(kCSRT);
  lote = ReplaceAll(test::LoteNaoAssinado(2, test::ComRespTec()), "</fone></infRespTec>",
                    "</fone><idCSRT><IDCSRT>1</IDCSRT></idCSRT></infRespTec>");
  EXPECT_EQ(RefusalOf([&] { nfe.AssinarNota(lote); }),
            (Refusal{"EvxnSignatureException",
                     "XML inválido: Extra content at the end of the document (linha 1)"}));
  // An IdCSRT that is the start of a document adds one to the lot, which is not XML on its own.
  nfe.SetIdCSRT("<infNFe/>");
  EXPECT_EQ(
      RefusalOf([&] { nfe.AssinarNota(test::LoteNaoAssinado(2, test::ComRespTec())); }),
      (Refusal{"EvxnNFeException", "XML inválido: Extra content at the end of the document (linha 1)"}));
  // An IdCSRT that is not character data as it stands breaks the document it is written into.
  nfe.SetIdCSRT("A&B");
  nfe.SetCSRT(kCSRT);
  EXPECT_EQ(RefusalOf([&] { nfe.AssinarNota(test::LoteNaoAssinado(2, test::ComRespTec())); }),
            (Refusal{"EvxnSignatureException", "XML inválido: EntityRef: expecting ';' (linha 1)"}));
}

TEST_F(NFeAssinaturaTest, DocumentsOfOneLotGetTheirOwnCSRTChangeWhateverTheOthersHold) {
  ComCertificado();
  nfe.SetIdCSRT("07");
  nfe.SetCSRT(kCSRT);
  const std::string respTec = test::NotaNaoAssinada(1, test::ComRespTec());
  const std::string comCSRT = ReplaceAll(test::NotaNaoAssinada(3, test::ComRespTec()), "</fone></infRespTec>",
                                         "</fone><idCSRT>99</idCSRT><hashCSRT>AAAA</hashCSRT></infRespTec>");
  const std::string comMarcacao =
      ReplaceAll(test::NotaNaoAssinada(4, test::ComRespTec()), "</fone></infRespTec>",
                 "</fone><idCSRT><x Id=\"z\"/></idCSRT></infRespTec>");
  // 1: appended; 2: no infRespTec; 3: replaced; 4: markup in the old idCSRT replaced too; 5: appended.
  const std::string lote =
      "<enviNFe xmlns=\"http://www.portalfiscal.inf.br/nfe\" versao=\"4.00\"><idLote>1</idLote>"
      "<indSinc>0</indSinc>" +
      respTec + test::NotaNaoAssinada(2) + comCSRT + comMarcacao +
      test::NotaNaoAssinada(5, test::ComRespTec()) + "</enviNFe>";
  const std::vector<std::string> notas = SepararNotas(nfe.AssinarNota(lote));
  ASSERT_EQ(notas.size(), 5u);
  for (int i = 0; i < 5; ++i) {
    SCOPED_TRACE("nota " + std::to_string(i + 1));
    const std::string& nota = notas[static_cast<std::size_t>(i)];
    const std::string chave = test::ChaveDaNota(i + 1);
    EXPECT_EQ(GetReferenceInfo(nota), "NFe" + chave);
    EXPECT_EQ(test::XmlSec1VerifyErrors(nota, test::SharedPki().CaFile()), "");
    EXPECT_EQ(test::XmlSchemaErrors(nota, test::FindSchema("nfe_v4.00.xsd")), "");
    if (i == 1) {
      EXPECT_EQ(nota.find("CSRT"), std::string::npos);
      continue;
    }
    EXPECT_NE(nota.find("</fone><idCSRT>07</idCSRT><hashCSRT>" +
                        Sha1Base64ByOpenssl(std::string(kCSRT) + chave) + "</hashCSRT></infRespTec>"),
              std::string::npos);
  }
}

// ---- ValidarRegraDeNegocioNFe ----

class RegraDeNegocioTest : public NFeAssinaturaTest {
protected:
  std::string Nota(std::string tpEmis, std::string contingencia = {}) {
    return test::NotaNaoAssinada(1, test::ComTpEmis(std::move(tpEmis), std::move(contingencia)));
  }
  static constexpr const char* kContingencia =
      "<dhCont>2026-12-05T09:00:00-03:00</dhCont><xJust>FALHA NA COMUNICACAO COM A SEFAZ</xJust>";
};

TEST_F(RegraDeNegocioTest, NormalIssueRefusesAnyContingencyMark) {
  EXPECT_NO_THROW(nfe.ValidarRegraDeNegocioNFe(Nota("1")));
  const std::string m556 = "556 - Rejeição: Justificativa de entrada em contingência não deve ser informada "
                           "para tipo de emissão normal";
  EXPECT_EQ(RefusalOf([&] {
              nfe.ValidarRegraDeNegocioNFe(Nota("1", "<dhCont>2026-12-05T09:00:00-03:00</dhCont>"));
            }),
            (Refusal{"EvxnNFeException", m556}));
  // A plain text search: the name anywhere in the document counts.
  std::string nota = ReplaceAll(Nota("1"), "PRODUTO DE TESTE 1<", "PRODUTO xJust<");
  EXPECT_EQ(RefusalOf([&] { nfe.ValidarRegraDeNegocioNFe(nota); }), (Refusal{"EvxnNFeException", m556}));
}

TEST_F(RegraDeNegocioTest, ContingencyIssueNeedsAJustificationOfFifteenCharacters) {
  for (const char* tp : {"2", "3", "4", "5", "6", "7"}) {
    SCOPED_TRACE(tp);
    EXPECT_NO_THROW(nfe.ValidarRegraDeNegocioNFe(Nota(tp, kContingencia)));
    EXPECT_EQ(RefusalOf([&] { nfe.ValidarRegraDeNegocioNFe(Nota(tp)); }),
              (Refusal{"EvxnNFeException",
                       "557 - Rejeição: A Justificativa de entrada em contingência deve ser informada"}));
  }
  const std::string curta = "A justificativa para entrada em contingência deve ter no mínimo 15 dígitos.";
  // 14 characters (15 bytes): characters are counted, not bytes.
  EXPECT_EQ(RefusalOf([&] { nfe.ValidarRegraDeNegocioNFe(Nota("2", "<xJust>FALHA NA COMUÇ</xJust>")); }),
            (Refusal{"EvxnNFeException", curta}));
  EXPECT_NO_THROW(nfe.ValidarRegraDeNegocioNFe(Nota("2", "<xJust>FALHA NA COMUNI</xJust>")));
  // dhCont alone counts as a mark, but the missing justification is then too short.
  EXPECT_EQ(RefusalOf([&] {
              nfe.ValidarRegraDeNegocioNFe(Nota("2", "<dhCont>2026-12-05T09:00:00-03:00</dhCont>"));
            }),
            (Refusal{"EvxnNFeException", curta}));
}

TEST_F(RegraDeNegocioTest, UnknownIssueTypesAreNamedInTheMessageAndCarryTheErrorLogFolder) {
  EXPECT_THAT([&] { nfe.ValidarRegraDeNegocioNFe(Nota("9")); },
              Throws<EvxnNFeException>(AllOf(
                  Property(&EvxnException::Message, "Tipo de Emissão 9 é válido. Utilize (1,2,3,4 ou 5)"),
                  Property(&EvxnException::LogFilePath, StartsWith(home.File("LogErro"))))));
  std::string semTipo = ReplaceAll(Nota("1"), "<tpEmis>1</tpEmis>", "");
  EXPECT_EQ(RefusalOf([&] { nfe.ValidarRegraDeNegocioNFe(semTipo); }),
            (Refusal{"EvxnNFeException", "Tipo de Emissão  é válido. Utilize (1,2,3,4 ou 5)"}));
  // Layouts before 4.0 skip the issue-type checks.
  nfe.SetVersaoManual(vm30);
  EXPECT_NO_THROW(nfe.ValidarRegraDeNegocioNFe(Nota("9")));
}

TEST_F(RegraDeNegocioTest, OperatingModesDemandTheirIssueType) {
  nfe.SetModoOperacao(moEPEC);
  // Mode refusals carry no error-log folder: their line goes to the program directory's log.
  EXPECT_THAT([&] { nfe.ValidarRegraDeNegocioNFe(Nota("1")); },
              Throws<EvxnNFeModoOperacaoException>(
                  AllOf(Property(&EvxnException::Message,
                                 "No Modo Operação EPEC, o tipo emissão (tpEmis) deve ser igual a 4."),
                        Property(&EvxnException::LogFilePath, home.File("nfe_exception.log")))));
  EXPECT_NO_THROW(nfe.ValidarRegraDeNegocioNFe(Nota("4", kContingencia)));

  nfe.SetModoOperacao(moSVCAN);
  EXPECT_NO_THROW(nfe.ValidarRegraDeNegocioNFe(Nota("6", kContingencia)));
  EXPECT_EQ(RefusalOf([&] { nfe.ValidarRegraDeNegocioNFe(Nota("7", kContingencia)); }),
            (Refusal{"EvxnNFeModoOperacaoException",
                     "No Modo Operação SVCAN (SVC-AN), o tipo emissão (tpEmis) deve ser igual a 6."}));

  nfe.SetModoOperacao(moSVCRS);
  EXPECT_NO_THROW(nfe.ValidarRegraDeNegocioNFe(Nota("7", kContingencia)));
  EXPECT_EQ(RefusalOf([&] { nfe.ValidarRegraDeNegocioNFe(Nota("6", kContingencia)); }),
            (Refusal{"EvxnNFeModoOperacaoException",
                     "No Modo Operação SVCRS (SVC-RS), o tipo emissão (tpEmis) deve ser igual a 7."}));

  // Every layout version checks the mode.
  nfe.SetVersaoManual(vm30);
  EXPECT_THROW(nfe.ValidarRegraDeNegocioNFe(Nota("1")), EvxnNFeModoOperacaoException);
}

// ---- Clean-up of the signer's output ----

TEST_F(NFeAssinaturaTest, RunsOfBlanksInSignatureValueAndKeyInfoCollapse) {
  std::string xml = "<?xml version=\"1.0\"?>\r\n<NFe><Signature><SignatureValue>AB  CD   EF    G"
                    "</SignatureValue>\r\n<KeyInfo><X509Data>MII  XYZ</X509Data></KeyInfo></Signature>"
                    "<copia>AB  CD   EF    G</copia></NFe>\r\n";
  nfe.LimparXMLAssinado(xml);
  EXPECT_EQ(xml, "<NFe><Signature><SignatureValue>ABCD EFG</SignatureValue><KeyInfo><X509Data>MIIXYZ"
                 "</X509Data></KeyInfo></Signature><copia>ABCD EFG</copia></NFe>");
  std::string semBrancos = "<SignatureValue>ABC</SignatureValue>";
  nfe.RemoveEspacosAssinatura(semBrancos);
  EXPECT_EQ(semBrancos, "<SignatureValue>ABC</SignatureValue>");
  // Only the first declaration in exactly that form is removed; a lone CR stays.
  std::string duas = "<?xml version=\"1.0\"?><a>\r</a><?xml version=\"1.0\"?>";
  nfe.LimparXMLAssinado(duas);
  EXPECT_EQ(duas, "<a>\r</a><?xml version=\"1.0\"?>");
}

TEST_F(NFeAssinaturaTest, PrepararXMLAssinarWrapsTheDocumentInItsNFeElement) {
  std::string xml = "<infNFe Id=\"NFe1\"><xNome>Nº 1</xNome></infNFe>";
  nfe.PrepararXMLAssinar(xml);
  EXPECT_EQ(xml, "<NFe xmlns=\"http://www.portalfiscal.inf.br/nfe\"><infNFe Id=\"NFe1\"><xNome>No 1</xNome>"
                 "</infNFe></NFe>");
}

TEST(NFeAssinaturaUtilsTest, ReferenceInfoAndSignaturePresence) {
  EXPECT_EQ(
      GetReferenceInfo("<NFe xmlns=\"http://www.portalfiscal.inf.br/nfe\"><infNFe Id=\"NFe123\"/></NFe>"),
      "NFe123");
  EXPECT_EQ(RefusalOf([] { GetReferenceInfo("<NFe><infNFe/></NFe>"); }),
            (Refusal{"EvxnNFeException", "Campo Id não encontrado para nota fiscal"}));
  EXPECT_TRUE(ValidaAssinatura(
      "<NFe><Signature xmlns=\"http://www.w3.org/2000/09/xmldsig#\"><x/></Signature></NFe>"));
  EXPECT_FALSE(ValidaAssinatura("<NFe><Signature><x/></Signature></NFe>"));
  EXPECT_FALSE(
      ValidaAssinatura("<NFe><ds:Signature xmlns:ds=\"http://www.w3.org/2000/09/xmldsig#\"/></NFe>"));
}

// ---- Schema package against layout version ----

TEST_F(NFeAssinaturaTest, SchemaPackagesMustBelongToTheLayoutVersion) {
  EXPECT_NO_THROW(nfe.ChecarVersaoEsquema("PL_009G"));
  EXPECT_NO_THROW(nfe.ChecarVersaoEsquema("pl_009"));
  EXPECT_EQ(
      RefusalOf([&] { nfe.ChecarVersaoEsquema("pl_008i2"); }),
      (Refusal{"EvxnNFeVersaoEsquemaException", "Versão esquema não condiz com a versão manual definida, "
                                                "utilize ( pl_009, pl_009g, pl_009p, pl_010 )."}));
  nfe.SetVersaoManual(vm50a);
  EXPECT_NO_THROW(nfe.ChecarVersaoEsquema("PL_008I1"));
  EXPECT_EQ(
      RefusalOf([&] { nfe.ChecarVersaoEsquema("pl_009g"); }),
      (Refusal{"EvxnNFeVersaoEsquemaException",
               "Versão esquema não condiz com a versão manual definida, utilize ( pl_008a,pl_008b,pl_008c,"
               "pl_008d,pl_008e,pl_008f,pl_008g,pl_008h,pl_008i,pl_008i1,pl_008i2 )."}));
  nfe.SetVersaoManual(vm50);
  EXPECT_NO_THROW(nfe.ChecarVersaoEsquema("pl_006t")); // accepted though its message leaves it out
  EXPECT_EQ(
      RefusalOf([&] { nfe.ChecarVersaoEsquema("pl_006j"); }),
      (Refusal{"EvxnNFeVersaoEsquemaException",
               "Versão esquema não condiz com a versão manual definida, utilize ( pl_006m, pl_006n, pl_006p, "
               "pl_006q, pl_006r, pl_006s, pl_006v )."}));
  nfe.SetVersaoManual(vm40);
  EXPECT_THROW(nfe.ChecarVersaoEsquema("pl_006m"), EvxnNFeVersaoEsquemaException);
  nfe.SetVersaoManual(vm30);
  EXPECT_NO_THROW(nfe.ChecarVersaoEsquema("pl_005f"));
  EXPECT_THROW(nfe.ChecarVersaoEsquema("pl_005e"), EvxnNFeVersaoEsquemaException);
  nfe.SetVersaoManual(vm202a);
  EXPECT_NO_THROW(nfe.ChecarVersaoEsquema("qualquer"));
}

} // namespace
} // namespace vxn
