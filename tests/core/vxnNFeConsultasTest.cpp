// The component's offline operations of queries and cancellation documents: escaping of an
// invalidation justification, unpacking compressed documents, the obsolete cancellation, and the
// recognition of cancellation documents passed for printing.
#include "support/ProgramHome.h"
#include "support/RefusalOf.h"
#include "support/TempDir.h"
#include "vxnGovUtils.h"
#include "vxnNFe.h"
#include "vxnNFeException.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace vxn {
namespace {

using test::Refusal;
using test::RefusalOf;

constexpr const char* kChave = "35261211222333000181550010000003011123456784";
constexpr const char* kOutraChave = "35261211222333000181550010000003021123456781";

std::string NfeProc(const std::string& chave) {
  return std::string(
             R"(<nfeProc versao="4.00" xmlns="http://www.portalfiscal.inf.br/nfe"><NFe><infNFe Id="NFe)") +
         chave +
         R"(" versao="4.00"><emit><enderEmit><xLgr>RUA DAS FLORES</xLgr></enderEmit></emit></infNFe></NFe>)"
         R"(<protNFe versao="4.00"><infProt><chNFe>)" +
         chave + "</chNFe><nProt>135260000000001</nProt><cStat>100</cStat></infProt></protNFe></nfeProc>";
}

std::string Evento(const std::string& chave, const std::string& tpEvento = "110111") {
  return R"(<procEventoNFe versao="1.00" xmlns="http://www.portalfiscal.inf.br/nfe"><evento versao="1.00">)"
         R"(<infEvento Id="ID)" +
         tpEvento + chave + R"(01"><cOrgao>35</cOrgao><chNFe>)" + chave + "</chNFe><tpEvento>" + tpEvento +
         "</tpEvento><nSeqEvento>1</nSeqEvento></infEvento></evento></procEventoNFe>";
}

class NFeConsultasTest : public test::ProgramHomeTest {
protected:
  void SetUp() override { nfe.SetDiretorioLogErro(home.File("LogErro")); }

  TvxnNFe nfe;
};

TEST(EscapeCaracteresTest, EscapesOnceAndLeavesEscapedTextAlone) {
  EXPECT_EQ(TvxnNFe::EscapeCaracteres(R"(a'b"c<d>e&f)"), "a&apos;b&quot;c&lt;d&gt;e&amp;f");
  // Already escaped text is unchanged, entity by entity and all together.
  for (const char* s : {"&apos;", "&quot;", "&lt;", "&gt;", "&amp;", "x &lt;y&gt; &amp;amp; z"})
    EXPECT_EQ(TvxnNFe::EscapeCaracteres(s), s);
  // A half-escaped text ends escaped once everywhere.
  EXPECT_EQ(TvxnNFe::EscapeCaracteres("A &amp; B & C <D>"), "A &amp; B &amp; C &lt;D&gt;");
  // Numeric character references are kept, the first and the later ones; a lone "&#" is not one.
  EXPECT_EQ(TvxnNFe::EscapeCaracteres("&#233;t&#xE9; & &#38;"), "&#233;t&#xE9; &amp; &#38;");
  EXPECT_EQ(TvxnNFe::EscapeCaracteres("a &# b"), "a &amp;# b");
  EXPECT_EQ(TvxnNFe::EscapeCaracteres("justificativa sem nada"), "justificativa sem nada");
  EXPECT_EQ(TvxnNFe::EscapeCaracteres("ação"), "ação");
}

TEST_F(NFeConsultasTest, DescompactarXMLZipUnpacksBase64GzipAndRefusesAnythingElse) {
  const std::string xml = R"(<resNFe xmlns="http://www.portalfiscal.inf.br/nfe"><chNFe>)" +
                          std::string(kChave) + "</chNFe><xNome>AÇÚCAR</xNome></resNFe>";
  const std::string compactado = TvxnGovUtils().CompressBase64Gz(xml);
  EXPECT_EQ(nfe.DescompactarXMLZip("  \r\n" + compactado + "\r\n "), xml);

  // Base64 that is not gzip, text that is not Base64, and nothing at all.
  for (const std::string& ruim :
       {TvxnGovUtils().EncodeBase64(xml), std::string("não é base64!"), std::string()}) {
    EXPECT_EQ(RefusalOf([&] { nfe.DescompactarXMLZip(ruim); }),
              (Refusal{"EvxnNFeDescompactarXMLException",
                       "Verifique se o conteúdo informado é um xml compactado válido"}));
  }
}

TEST_F(NFeConsultasTest, CancelarNFAlwaysRefusesAndTelemetryHearsOfIt) {
  std::vector<TvxnTelemetriaEvento> events;
  nfe.GetTelemetria().SetSink([&events](const TvxnTelemetriaEvento& e) { events.push_back(e); });
  EXPECT_EQ(
      RefusalOf([&] { nfe.CancelarNF(kChave, "135260000000001", "Cancelamento por erro de digitacao"); }),
      (Refusal{"EvxnNFeDeprecatedException",
               "O método CancelarNF está obsoleto. Utilize: CancelarNFeEvento"}));
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.back().Tipo, TvxnTelemetriaTipo::Excecao);
  EXPECT_EQ(events.back().Classe, "EvxnNFeDeprecatedException");
}

TEST_F(NFeConsultasTest, ACancellationIsRecognisedByItsEventType) {
  EXPECT_TRUE(nfe.isXMLCancelamento(Evento(kChave)));
  EXPECT_FALSE(nfe.isXMLCancelamento(Evento(kChave, "110110")));
  EXPECT_FALSE(nfe.isXMLCancelamento(NfeProc(kChave)));
  // The type must sit inside an evento element.
  EXPECT_FALSE(nfe.isXMLCancelamento("<retEvento><tpEvento>110111</tpEvento></retEvento>"));
}

TEST_F(NFeConsultasTest, SendingAndCancellationNeedsBothTheEventAndADocument) {
  EXPECT_FALSE(nfe.isXMLEnvioECancelamento(Evento(kChave))); // a lone event has no address
  EXPECT_FALSE(nfe.isXMLEnvioECancelamento(NfeProc(kChave)));
  EXPECT_TRUE(nfe.isXMLEnvioECancelamento(NfeProc(kChave) + Evento(kChave)));
  EXPECT_FALSE(nfe.isXMLEnvioECancelamento(NfeProc(kChave) + Evento(kChave, "110110")));
}

TEST_F(NFeConsultasTest, TratarXMLEnviCancelamentoReturnsTheNfeProcOfADocumentCancelledInTheSameText) {
  // Declarations in either case are dropped before the two documents are put under one root.
  const std::string texto = R"(<?xml version="1.0" encoding="UTF-8"?>)" + NfeProc(kChave) +
                            "\r\n"
                            R"(<?xml version="1.0" encoding="utf-8"?>)" +
                            Evento(kChave);
  const std::string proc = nfe.TratarXMLEnviCancelamento(texto);
  EXPECT_TRUE(proc.starts_with("<nfeProc")) << proc;
  EXPECT_NE(proc.find("<nProt>135260000000001</nProt>"), std::string::npos) << proc;
  EXPECT_EQ(proc.find("procEventoNFe"), std::string::npos) << proc;

  EXPECT_EQ(RefusalOf([&] { nfe.TratarXMLEnviCancelamento(NfeProc(kChave) + Evento(kOutraChave)); }),
            (Refusal{"EvxnNFeReportException",
                     "Os XMLs de envio e cancelamento informados não pertencem a mesma NF-e"}));
  // A correction letter of the same key is not a cancellation.
  EXPECT_THROW(nfe.TratarXMLEnviCancelamento(NfeProc(kChave) + Evento(kChave, "110110")),
               EvxnNFeReportException);
  // Without a document nothing is checked, and there is no nfeProc to return.
  EXPECT_EQ(nfe.TratarXMLEnviCancelamento(Evento(kChave)), "");
}

} // namespace
} // namespace vxn
