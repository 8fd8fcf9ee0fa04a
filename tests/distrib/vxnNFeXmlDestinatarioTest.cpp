// The nfeProc distribution documents built from the logs of a lot sent to the local server, from replies
// changed before the builder reads them (a denial, a protocol of another digest), from logs the host
// names, and the failed joins. (What the component writes after its own sends and queries:
// vxnNFeDestinatarioComponenteTest.)
#include "xml/vxnNFeXmlDestinatario.h"
#include "DistribuicaoFixture.h"
#include "support/RefusalOf.h"
#include "support/SignedNFeDocument.h"
#include "support/XmlCheck.h"
#include "vxnFiles.h"
#include "vxnFormat.h"

#include <gtest/gtest.h>

namespace vxn::test {
namespace {

using test::Refusal;
using test::RefusalOf;

std::string LerArquivo(const std::string& path) {
  return ReadFileOrEmpty(path);
}

void EsperarDistribuicaoValida(const std::string& xml, const std::string& nota, const std::string& cStat,
                               const std::string& caFile) {
  EXPECT_EQ(XmlSchemaErrors(xml, FindSchema("procNFe_v4.00.xsd")), "") << xml;
  EXPECT_TRUE(xml.starts_with(R"(<?xml version="1.0" encoding="UTF-8"?><nfeProc versao="4.00")")) << xml;
  EXPECT_TRUE(xml.ends_with("</nfeProc>\r\n"));
  EXPECT_EQ(Tag(Elemento(xml, "protNFe"), "cStat"), cStat);
  EXPECT_EQ(Tag(xml, "digVal"), Tag(nota, "DigestValue"));
  // The signed document is carried unchanged: its signature value is the one the library made.
  EXPECT_EQ(Tag(xml, "SignatureValue"), Tag(nota, "SignatureValue"));
  EXPECT_EQ(XmlSec1VerifyErrors(xml, caFile), "");
}

} // namespace

TEST_F(DistribuicaoTest, DeniedDocumentGoesToDenFileAndTheAuthorisedOneStillToNfe) {
  const std::string n1 = NovaNota();
  const std::string n2 = NovaNota();
  const std::string nRec = EnviarLote({n1, n2}, "72");
  std::string retorno = ConsultarRecibo(nRec);
  // The local server authorises every good document; the denial of the second is the tax authority's
  // answer written into its protocol.
  const auto segundo = retorno.find(ChaveDe(n2));
  ASSERT_NE(segundo, std::string::npos);
  retorno = TrocarUma(retorno, "<cStat>100</cStat>", "<cStat>302</cStat>", segundo);
  retorno = TrocarUma(retorno, "Autorizado o uso da NF-e",
                      "Uso Denegado: Irregularidade fiscal do destinatario", segundo);

  nfe_->GerarXmlDestinatarioNFsAprovadas(nRec, LogarRetornoRecibo(nRec, retorno));

  EsperarDistribuicaoValida(LerArquivo(NaPasta(ChaveDe(n1) + "-nfe.xml")), n1, "100", CaFile());
  EXPECT_FALSE(FileExists(NaPasta(ChaveDe(n2) + "-nfe.xml")));
  EsperarDistribuicaoValida(LerArquivo(NaPasta(ChaveDe(n2) + "-den.xml")), n2, "302", CaFile());
  EXPECT_FALSE(FileExists(NaPasta(ChaveDe(n2))));
  EXPECT_FALSE(FileExists(NaPasta(nRec)));
}

TEST_F(DistribuicaoTest, ProtocolOfAnotherDigestIsWrittenAsErroFileWithTheReason) {
  const std::string n1 = NovaNota();
  const std::string n2 = NovaNota();
  const std::string nRec = EnviarLote({n1, n2}, "73");
  std::string retorno = ConsultarRecibo(nRec);
  const std::string digVal = Tag(retorno, "digVal", retorno.find(ChaveDe(n1)));
  const std::string outro = "AAAAAAAAAAAAAAAAAAAAAAAAAAA=";
  retorno = TrocarUma(retorno, "<digVal>" + digVal + "</digVal>", "<digVal>" + outro + "</digVal>");

  nfe_->GerarXmlDestinatarioNFsAprovadas(nRec, LogarRetornoRecibo(nRec, retorno));

  EXPECT_FALSE(FileExists(NaPasta(ChaveDe(n1) + "-nfe.xml")));
  // The message of the failed join, trimmed as every built text is, is the whole file.
  EXPECT_EQ(
      LerArquivo(NaPasta("Erro-" + ChaveDe(n1))),
      Format("O digVal encontrado no Xml de Envio %s difere do digVal de processamento %s", {digVal, outro}) +
          "\r\n");
  EXPECT_FALSE(FileExists(NaPasta(ChaveDe(n1))));
  EsperarDistribuicaoValida(LerArquivo(NaPasta(ChaveDe(n2) + "-nfe.xml")), n2, "100", CaFile());
}

TEST_F(DistribuicaoTest, WithoutIndexFileNothingIsBuiltAndNothingRaised) {
  const std::string nota = NovaNota();
  const std::string chave = ChaveDe(nota);
  const std::string retorno = Enviar(EnviNFeLot(nota, true, "76"));
  nfe_->Log(retorno, "rec-sinc", chave, chave + "-env-sinc-ret.xml");
  nfe_->GerarXMLDestinatario(chave, chave + "-env-sinc-ret.xml");
  nfe_->GerarXmlDestinatarioNFsAprovadas("135000000000001", chave + "-env-sinc-ret.xml");
  EXPECT_FALSE(FileExists(NaPasta(chave + "-nfe.xml")));
  EXPECT_TRUE(escritos_.empty());
}

TEST_F(DistribuicaoTest, ReceiptGenerationNeedsTheReplyLogName) {
  EXPECT_EQ(RefusalOf([&] { nfe_->GerarXmlDestinatarioNFsAprovadas("135000000000001", ""); }),
            (Refusal{"EvxnCheckParams", "Log de consulta de Recibo não informado"}));
  EXPECT_EQ(RefusalOf([&] { nfe_->GerarXMLEnvioDestinatario(std::string(44, '1'), "x", "", ""); }),
            (Refusal{"EvxnCheckParams", "Log de consulta de Recibo não informado"}));
}

TEST_F(DistribuicaoTest, HostNamedLogsMayBeTheXmlTextsThemselves) {
  const std::string nota = NovaNota();
  const std::string chave = ChaveDe(nota);
  const std::string lote = EnviNFeLot(nota, true, "77");
  const std::string retorno = Enviar(lote);
  const std::string destino = dir_.File("escolhido.xml");

  const std::string xml = nfe_->GerarXMLEnvioDestinatario(chave, lote, retorno, destino);

  EXPECT_EQ(LerArquivo(destino), xml + "\r\n");
  EsperarDistribuicaoValida(LerArquivo(destino), nota, "100", CaFile());
  // The same from log file names of the log folder.
  nfe_->Log(lote, "env-sinc-lot", chave, "lote.xml");
  nfe_->Log(retorno, "rec-sinc", chave, "retorno.xml");
  EXPECT_EQ(nfe_->GerarXMLEnvioDestinatario(chave, "lote.xml", "retorno.xml", ""), xml);
}

TEST_F(DistribuicaoTest, ValidarArquivoXmlDestinatarioChecksSchemaAndDigest) {
  const std::string nota = NovaNota();
  const std::string lote = EnviNFeLot(nota, true, "78");
  const std::string xml = nfe_->GerarXMLEnvioDestinatario(ChaveDe(nota), lote, Enviar(lote), "");
  TvxnStringList mensagens;
  mensagens.Add("antiga");
  EXPECT_TRUE(nfe_->ValidarArquivoXmlDestinatario(xml, &mensagens)) << mensagens.Text();
  EXPECT_TRUE(mensagens.Empty());

  const std::string digVal = Tag(xml, "digVal");
  const std::string outro = TrocarUma(xml, "<digVal>" + digVal, "<digVal>AAAA" + digVal.substr(4));
  EXPECT_FALSE(nfe_->ValidarArquivoXmlDestinatario(outro, &mensagens));
  EXPECT_EQ(mensagens.Text(), "O DigestValue da nota assinada, difere do digVal do protocolo processado\r\n");

  const std::string semProt = TrocarUma(xml, "<tpAmb>2</tpAmb><verAplic>", "<verAplic>");
  EXPECT_FALSE(nfe_->ValidarArquivoXmlDestinatario(semProt, nullptr));
}

TEST(NFeXmlDestinatarioTest, NumberThatIsNeitherReceiptNorKeyIsRefused) {
  TvxnNFeXmlDestinatario b;
  EXPECT_EQ(RefusalOf([&] { b.GerarXmlDestinatario("13500000000000"); }),
            (Refusal{"EvxnNFeXmlDestinatario", "O Número informado: 13500000000000 não se refere nem a um "
                                               "Recibo e nem a uma Chave de NFe"}));
}

TEST(NFeXmlDestinatarioTest, TrataXmlAssinadoRewritesAStartTagWithIdFirst) {
  const std::string id = "Id=\"NFe" + std::string(44, '3') + "\"";
  EXPECT_EQ(TvxnNFeXmlDestinatario::TrataXmlAssinado("<NFe><infNFe " + id + "   versao=\"4.00\"><ide/>"),
            "<NFe><infNFe " + id + " versao=\"4.00\"><ide/>");
  const std::string versaoPrimeiro = "<NFe><infNFe versao=\"4.00\" " + id + "><ide/>";
  EXPECT_EQ(TvxnNFeXmlDestinatario::TrataXmlAssinado(versaoPrimeiro), versaoPrimeiro);
}

TEST(NFeXmlDestinatarioTest, DocumentMissingFromTheLotLogIsRefusedWithKeyAndLog) {
  test::TempDir d;
  WriteFileAtomic(d.File("1"), "env-lot=lote.xml");
  WriteFileAtomic(d.File("lote.xml"),
                  R"(<enviNFe xmlns="http://www.portalfiscal.inf.br/nfe"><idLote>1</idLote></enviNFe>)");
  TvxnNFeXmlDestinatario b;
  b.SetDiretorioXmlDestinatario(d.Path());
  b.SetDiretorioLog(d.Path());
  b.SetLogEnvio(d.File("lote.xml"));
  const std::string chave(44, '5');
  EXPECT_EQ(RefusalOf([&] { b.MontarXmlDestinatario(chave); }),
            (Refusal{"EvxnNFeXmlDestinatario",
                     "NFe Id: " + chave + " não encontrada no Log : " + d.File("lote.xml") + " "}));
  EXPECT_EQ(b.GetTempNameLogEnv("1"), d.File("lote.xml"));
  EXPECT_EQ(b.GetTempNameLogEnv("2"), "");
}

} // namespace vxn::test
