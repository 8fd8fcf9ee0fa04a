// The event reception service of the local server, for what the component never sends: events altered
// after signing, identifiers that do not match their fields, sequences and kinds outside the layout,
// lots outside the schema. Accepted events and the refusals a host can provoke are tested through the
// component (tests/events).
#include "sefaz-sim/SefazSim.h"
#include "support/HttpsTestClient.h"
#include "support/SignedNFeDocument.h"
#include "support/SimOptions.h"
#include "support/TempDir.h"
#include "support/XmlCheck.h"
#include "support/XmlTag.h"
#include "vxnFiles.h"

#include <gtest/gtest.h>

#include <string>

namespace vxn {
namespace {

using test::Between;
using test::Tag;

constexpr const char* kNs = "http://www.portalfiscal.inf.br/nfe";

class SefazSimEventosTest : public ::testing::Test {
protected:
  void SetUp() override {
    sim_.Start();
    WriteFileAtomic(signer_, sim_.Authority().IssueClientPkcs12({}));
    // One authorised document for every test.
    const std::string nfe = test::SignedNFeDocument(4242, signer_, "1234");
    chave_ = nfe.substr(nfe.find("Id=\"NFe") + 7, 44);
    const auto reply = Post("NFeAutorizacao4", "nfeAutorizacaoLote", test::EnviNFeLot(nfe, true));
    ASSERT_NE(reply.Body.find("<cStat>100</cStat>"), std::string::npos) << reply.Body;
  }

  test::HttpsTestReply Post(const std::string& wsdl, const std::string& operation, const std::string& msg) {
    return test::PostSoap(
        {sim_.Port(), sim_.Authority().CertificatePem(), client_.CertificatePem, client_.PrivateKeyPem}, "SP",
        wsdl, operation, msg);
  }

  // A signed evento of the fields given (the Id as given, not computed).
  std::string Evento(const std::string& id, const std::string& tpEvento, const std::string& nSeq,
                     const std::string& detEvento) {
    const std::string inf = "<infEvento Id=\"" + id +
                            "\"><cOrgao>35</cOrgao><tpAmb>2</tpAmb><CNPJ>11222333000181</CNPJ>"
                            "<chNFe>" +
                            chave_ + "</chNFe><dhEvento>2026-12-05T10:00:00-03:00</dhEvento><tpEvento>" +
                            tpEvento + "</tpEvento><nSeqEvento>" + nSeq +
                            "</nSeqEvento><verEvento>1.00</verEvento>" + detEvento + "</infEvento>";
    return test::SignedElement("<evento xmlns=\"" + std::string(kNs) + "\" versao=\"1.00\">" + inf +
                                   "</evento>",
                               "infEvento", id, signer_, "1234");
  }

  static std::string Cce(const std::string& texto = "Correcao do endereco de entrega") {
    return "<detEvento versao=\"1.00\"><descEvento>Carta de Correcao</descEvento><xCorrecao>" + texto +
           "</xCorrecao><xCondUso>A Carta de Correcao e disciplinada pelo paragrafo 1o-A do art. 7o do "
           "Convenio "
           "S/N, de 15 de dezembro de 1970 e pode ser utilizada para regularizacao de erro ocorrido na "
           "emissao de "
           "documento fiscal, desde que o erro nao esteja relacionado com: I - as variaveis que determinam o "
           "valor "
           "do imposto tais como: base de calculo, aliquota, diferenca de preco, quantidade, valor da "
           "operacao ou "
           "da prestacao; II - a correcao de dados cadastrais que implique mudanca do remetente ou do "
           "destinatario; "
           "III - a data de emissao ou de saida.</xCondUso></detEvento>";
  }

  // The retEnvEvento of a lot, checked against the official schema.
  std::string Enviar(const std::string& eventos, const std::string& idLote = "1") {
    const auto reply = Post("NFeRecepcaoEvento4", "nfeRecepcaoEvento",
                            "<envEvento xmlns=\"" + std::string(kNs) + "\" versao=\"1.00\"><idLote>" +
                                idLote + "</idLote>" + eventos + "</envEvento>");
    EXPECT_EQ(reply.Status, 200) << reply.Error << reply.Body;
    const std::string ret = Between(reply.Body, "<retEnvEvento", "</retEnvEvento>");
    EXPECT_EQ(test::XmlSchemaErrors(ret, test::FindSchema("retEnvEvento_v1.00.xsd")), "") << ret;
    return ret;
  }

  std::string Id(const std::string& tp, const std::string& seq2) const { return "ID" + tp + chave_ + seq2; }

  sim::TSefazSim sim_{test::SimOptions()};
  dev::TvxnDevIdentity client_ = sim_.Authority().IssueClient({});
  test::TempDir dir_;
  std::string signer_ = dir_.File("assinatura.pfx");
  std::string chave_;
};

TEST_F(SefazSimEventosTest, EachEventOfALotIsAnsweredInOrderWithItsOwnStatus) {
  std::string alterado = Evento(Id("110110", "01"), "110110", "1", Cce());
  alterado.replace(alterado.find("Correcao do endereco"), 8, "Correcoo");
  const std::string ret = Enviar(
      alterado +                                          // 297
      Evento(Id("110110", "03"), "110110", "2", Cce()) +  // 572
      Evento(Id("110110", "21"), "110110", "21", Cce()) + // 594
      Evento(Id("999999", "01"), "999999", "1", Cce()) +  // 491
      Evento(Id("110110", "04"), "110110", "4",
             "<detEvento versao=\"1.00\"><descEvento>Carta de Correcao</descEvento></detEvento>") + // 493
      Evento(Id("110110", "05"), "110110", "5", Cce())); // accepted
  EXPECT_EQ(Tag(ret, "cStat"), "128");
  std::string estados;
  for (std::size_t p = ret.find("<retEvento"); p != std::string::npos; p = ret.find("<retEvento", p + 1))
    estados += Tag(ret.substr(p), "cStat") + " ";
  EXPECT_EQ(estados, "297 572 594 491 493 135 ");
  // Only the accepted one carries a protocol and the server's signature.
  EXPECT_EQ(Tag(ret, "nProt").size(), 15u);
  EXPECT_EQ(ret.find("<Signature xmlns"), ret.rfind("<Signature xmlns"));
  EXPECT_NE(ret.find("<Signature xmlns"), std::string::npos);
}

TEST_F(SefazSimEventosTest, ALotOutsideTheSchemaIsRefusedWhole) {
  const std::string ret = Enviar(Evento(Id("110110", "06"), "110110", "6", Cce()), "lote1");
  EXPECT_EQ(Tag(ret, "cStat"), "215");
  EXPECT_EQ(ret.find("<retEvento"), std::string::npos);
  // Nothing of it was registered: the same event in a good lot is accepted.
  const std::string aceito = Enviar(Evento(Id("110110", "06"), "110110", "6", Cce()));
  EXPECT_EQ(Tag(aceito.substr(aceito.find("<retEvento")), "cStat"), "135") << aceito;
}

} // namespace
} // namespace vxn
