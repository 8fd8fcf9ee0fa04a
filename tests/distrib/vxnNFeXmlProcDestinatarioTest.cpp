// The cancellation, cancellation-event, manifestation and invalidation distribution documents: what
// each builder refuses, with its message, and what it joins.
#include "xml/vxnNFeXmlProcDestinatario.h"
#include "DistribuicaoFixture.h"
#include "support/RefusalOf.h"
#include "support/XmlCheck.h"
#include "vxnFiles.h"

#include <gtest/gtest.h>

namespace vxn::test {
namespace {

using test::Refusal;
using test::RefusalOf;

const std::string kNs = R"( xmlns="http://www.portalfiscal.inf.br/nfe")";
const std::string kChave = "35261212345678000195550010000085011000085010";
const std::string kOutraChave = "35261212345678000195550010000085021000085028";

std::string PedidoEvento(const std::string& tpEvento = "110111", const std::string& chave = kChave) {
  return R"(<?xml version="1.0" encoding="UTF-8"?><envEvento)" + kNs +
         R"( versao="1.00"><idLote>1</idLote><evento versao="1.00"><infEvento Id="ID)" + tpEvento + chave +
         R"(01"><cOrgao>35</cOrgao><tpAmb>2</tpAmb><chNFe>)" + chave + "</chNFe><tpEvento>" + tpEvento +
         "</tpEvento><nSeqEvento>1</nSeqEvento></infEvento></evento></envEvento>";
}

std::string RetornoEvento(const std::string& cStat = "135", const std::string& chave = kChave) {
  return "<retEnvEvento" + kNs +
         R"( versao="1.00"><idLote>1</idLote><cStat>128</cStat>)"
         R"(<retEvento versao="1.00"><infEvento><tpAmb>2</tpAmb><cStat>)" +
         cStat + "</cStat><chNFe>" + chave + "</chNFe></infEvento></retEvento></retEnvEvento>";
}

std::string PedidoInutilizacao(const std::string& id) {
  return "<inutNFe" + kNs + R"( versao="4.00"><infInut Id=")" + id +
         R"("><tpAmb>2</tpAmb><xServ>INUTILIZAR</xServ></infInut></inutNFe>)";
}

std::string RetornoInutilizacao(const std::string& cStat) {
  return "<retInutNFe" + kNs + R"( versao="4.00"><infInut><tpAmb>2</tpAmb><cStat>)" + cStat +
         "</cStat></infInut></retInutNFe>";
}

Refusal Gerar(TvxnNFeXmlProcDestinatario& b, const std::string& pedido, const std::string& retorno,
              const std::string& id, const std::string& modelo = "<proc>%s%s</proc>") {
  b.SetLogPedido(pedido);
  b.SetLogRetorno(retorno);
  b.SetId(id);
  b.SetTemplate(modelo);
  return RefusalOf([&] { b.GerarXmlDestinatario(); });
}

Refusal Cancelada(const std::string& mensagem) {
  return {"EvxnNFeNotaCanceladaDestinatario", mensagem};
}

} // namespace

TEST(NFeXmlProcDestinatarioTest, CancellationEventRefusals) {
  TvxnNFeEventoXmlCancelamentoDestinatario b;
  const std::string id = "110111" + kChave + "01";
  EXPECT_EQ(Gerar(b, PedidoEvento("110110"), RetornoEvento(), id),
            Cancelada("O conteúdo do Log de pedido de Cancelamento é inválido."));
  EXPECT_EQ(Gerar(b, PedidoEvento(), "<retEnvEvento" + kNs + "><cStat>128</cStat></retEnvEvento>", id),
            Cancelada("O conteúdo do Log de Retorno de Cancelamento é inválido."));
  EXPECT_EQ(Gerar(b, PedidoEvento(), RetornoEvento(), "110111" + kOutraChave + "01"),
            Cancelada("ID informado não confere com a chave do log de pedido de cancelamento."));
  EXPECT_EQ(Gerar(b, PedidoEvento(), RetornoEvento("135", kOutraChave), id),
            Cancelada("A chave do log de pedido de cancelamento não confere com a chave do log de retorno de "
                      "cancelamento."));
  EXPECT_EQ(Gerar(b, PedidoEvento(), RetornoEvento("573"), id),
            Cancelada("Não se trata de cancelamento de NF-e homologado."));
  EXPECT_EQ(Gerar(b, PedidoEvento(), RetornoEvento(), "N" + id),
            Cancelada("A Chave deve ser composta apenas por Números"));
  EXPECT_EQ(Gerar(b, PedidoEvento(), RetornoEvento(), id, ""),
            Cancelada("O arquivo de template não foi configurado."));
  // The lot's own status (128) is not the event's.
  EXPECT_EQ(Gerar(b, PedidoEvento(), RetornoEvento("155"), id), Refusal{});
}

TEST(NFeXmlProcDestinatarioTest, CancellationEventJoinsTheEventAndItsReplyWithoutTheirLotElements) {
  TvxnNFeEventoXmlCancelamentoDestinatario b;
  b.SetLogPedido(PedidoEvento());
  b.SetLogRetorno(RetornoEvento());
  b.SetId("ID110111" + kChave + "01");
  b.SetTemplate("<procEventoNFe" + kNs + R"( versao="1.00">%s%s</procEventoNFe>)");
  const std::string xml = b.GerarXmlDestinatario();
  EXPECT_EQ(XmlWellFormedError(xml), "");
  EXPECT_TRUE(xml.starts_with("<procEventoNFe" + kNs + R"( versao="1.00"><evento)")) << xml;
  EXPECT_EQ(xml.find("envEvento"), std::string::npos) << xml;
  EXPECT_EQ(xml.find("retEnvEvento"), std::string::npos) << xml;
  EXPECT_EQ(xml.find("<?xml"), std::string::npos) << xml;
  EXPECT_NE(xml.find("</evento><retEvento"), std::string::npos) << xml;
}

TEST(NFeXmlProcDestinatarioTest, ManifestationNeedsItsEventTypeAndAnAcceptedStatus) {
  TvxnNFeEventoXmlManifestacaoDestinatario b("210200");
  const std::string id = "210200" + kChave + "01";
  EXPECT_EQ(Gerar(b, PedidoEvento("210210"), RetornoEvento(), id),
            Cancelada("O conteúdo do Log de pedido de Manifestação é inválido."));
  EXPECT_EQ(Gerar(b, PedidoEvento("210200"), "<x/>", id),
            Cancelada("O conteúdo do Log de Retorno de Manifestação é inválido."));
  EXPECT_EQ(Gerar(b, PedidoEvento("210200"), RetornoEvento("155"), id),
            Cancelada("Não se trata de um manifesto de destinatário."));
  EXPECT_EQ(Gerar(b, PedidoEvento("210200"), RetornoEvento("136"), id), Refusal{});
}

TEST(NFeXmlProcDestinatarioTest, OldStyleCancellationRefusals) {
  TvxnNFeXmlCancelamentoDestinatario b;
  const std::string pedido = "<cancNFe" + kNs + R"( versao="2.00"><infCanc Id="ID)" + kChave +
                             R"("><chNFe>)" + kChave + "</chNFe></infCanc></cancNFe>";
  const std::string retorno = "<retCancNFe" + kNs + R"( versao="2.00"><infCanc><cStat>101</cStat><chNFe>)" +
                              kChave + "</chNFe></infCanc></retCancNFe>";
  EXPECT_EQ(Gerar(b, PedidoEvento(), retorno, kChave),
            Cancelada("O conteúdo do Log de pedido de Cancelamento é inválido."));
  EXPECT_EQ(Gerar(b, pedido, RetornoEvento(), kChave),
            Cancelada("O conteúdo do Log de Retorno de Cancelamento é inválido."));
  EXPECT_EQ(Gerar(b, pedido, retorno, kOutraChave),
            Cancelada("ID informado não confere com a chave do log de pedido de cancelamento."));
  EXPECT_EQ(Gerar(b, pedido, TrocarUma(retorno, "<cStat>101", "<cStat>220"), kChave),
            Cancelada("Não se trata de cancelamento de NF-e homologado."));
  EXPECT_EQ(Gerar(b, pedido, TrocarUma(retorno, "<cStat>101", "<cStat>151"), kChave), Refusal{});
}

TEST(NFeXmlProcDestinatarioTest, InvalidationLooksForTheIdInInfInutAndNeedsStatus102) {
  TvxnNFeInutilizacaoDestinatario b;
  const std::string id = "ID35261234567800019555001000000001000000010";
  const std::string pedido = PedidoInutilizacao(id);
  EXPECT_EQ(Gerar(b, pedido, RetornoInutilizacao("102"), "ID35261234567800019555001000000001000000011"),
            Cancelada("ID informado não confere com a chave do log de pedido de Inutilização."));
  // The id in the text but not in the Id attribute does not count.
  EXPECT_EQ(Gerar(b, PedidoInutilizacao("ID1") + "<!--" + id + "-->", RetornoInutilizacao("102"), id),
            Cancelada("ID informado não confere com a chave do log de pedido de Inutilização."));
  EXPECT_EQ(Gerar(b, pedido, "<retConsSitNFe" + kNs + "/>", id),
            (Refusal{"EvxnEventoRetException", "Não foi possível encontrar a tag RetInut do XML."}));
  EXPECT_EQ(Gerar(b, pedido, RetornoInutilizacao("241"), id),
            Cancelada("Não se trata de uma inutilização de faixa homologada."));
  // Without its "ID" prefix and in another case the id still matches.
  EXPECT_EQ(Gerar(b, pedido, RetornoInutilizacao("102"), id.substr(2)), Refusal{});
  EXPECT_EQ(Gerar(b, pedido, RetornoInutilizacao("102"), "id" + id.substr(2)), Refusal{});
}

TEST_F(DistribuicaoTest, ComponentPicksTheCancellationBuilderByTheRequestAndWritesTheFile) {
  const std::string destino = dir_.File("saida/") + kChave + "-caneve.xml";
  const std::string xml =
      nfe_->GerarXMLCancelamentoDestinatario(kChave, PedidoEvento(), RetornoEvento(), destino);
  EXPECT_TRUE(xml.starts_with(R"(<?xml version="1.0" encoding="utf-8"?><procEventoNFe)" + kNs)) << xml;
  EXPECT_EQ(ReadFileOrEmpty(destino), xml);
  // From log files of the log folder, and an old-style request picks the old builder (its refusal).
  nfe_->Log(PedidoEvento(), "ped-can", kChave, "pedido.xml");
  nfe_->Log(RetornoEvento(), "can", kChave, "retorno.xml");
  EXPECT_EQ(nfe_->GerarXMLCancelamentoDestinatario(kChave, "pedido.xml", "retorno.xml", ""), xml);
  EXPECT_EQ(
      RefusalOf([&] { nfe_->GerarXMLCancelamentoDestinatario(kChave, "<cancNFe/>", RetornoEvento(), ""); }),
      Cancelada("O conteúdo do Log de pedido de Cancelamento é inválido."));

  const std::string id = "ID35261234567800019555001000000001000000010";
  const std::string inut =
      nfe_->GerarXMLInutilizacaoDestinatario(id, PedidoInutilizacao(id), RetornoInutilizacao("102"), "");
  EXPECT_TRUE(inut.starts_with(R"(<?xml version="1.0" encoding="UTF-8"?><ProcInutNFe)" + kNs +
                               R"( versao="4.00"><inutNFe)"))
      << inut;
  EXPECT_EQ(nfe_->GerarXmlDestinatarioInutilizacao(RetornoInutilizacao("102"),
                                                   R"(<?xml version="1.0" encoding="UTF-8"?>)" +
                                                       PedidoInutilizacao(id)),
            R"(<?xml version="1.0" encoding="UTF-8"?><ProcInutNFe)" + kNs + R"( versao="4.00">)" +
                PedidoInutilizacao(id) + RetornoInutilizacao("102") + "</ProcInutNFe>");
}

} // namespace vxn::test
