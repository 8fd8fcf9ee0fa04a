// Every kind of event through the component against the local server, over TLS: what the authority
// answers, the distribution XML of an accepted event (official schemas, both signatures checked by
// xmlsec1) and what a refused one leaves behind.
#include "EventosFixture.h"
#include "events/vxnNFeEventos.h"
#include "support/RefusalOf.h"
#include "support/TempDir.h"
#include "support/XmlCheck.h"
#include "support/XmlTag.h"
#include "vxnFiles.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>

namespace vxn::test {
namespace {

constexpr const char* kJustificativa = "Cancelamento por erro de digitacao do pedido";

std::string ComoDestinatario(std::string infNFe) {
  const std::size_t dest = infNFe.find("<dest>");
  const std::size_t cnpj = infNFe.find(kCnpjDestinatario, dest);
  return infNFe.replace(cnpj, 14, kCnpjCertificado);
}

// A line break inside the correction must reach the authority as a blank, never as a broken signature.
TEST_F(EventosTest, CorrectionLetterIsRegisteredAndItsDistributionXmlIsValidAndSigned) {
  const std::string chave = Autorizar();
  const std::string resposta =
      nfe_->EnviarCCe(chave, "Endereco de entrega:\r\nRua das Flores, 123\nfundos", "35", "", "", 1, "1");
  EXPECT_EQ(Tag(resposta, "cStat"), "128") << resposta;
  ASSERT_EQ(Ret(resposta, "cStat"), "135") << resposta;
  EXPECT_EQ(Ret(resposta, "nProt").size(), 15u);

  const std::string xml = Distribuicao(chave + "-cce.xml");
  ChecarDistribuicao(xml, {"procEventoNFe_v1.00.xsd", "procCCeNFe_v1.00.xsd"});
  EXPECT_NE(xml.find("<xCorrecao>Endereco de entrega: Rua das Flores, 123 fundos</xCorrecao>"),
            std::string::npos);
  EXPECT_EQ(anunciados_, std::vector<std::string>{nfe_->GetDiretorioXmlDestinatario() + chave + "-cce.xml"});

  // The same sequence again is a duplicate: refused, and the file of the accepted one is left alone.
  const std::string duplicada =
      nfe_->EnviarCCe(chave, "Outra correcao qualquer do texto", "35", "", "", 1, "1");
  EXPECT_EQ(Ret(duplicada, "cStat"), "573") << duplicada;
  EXPECT_EQ(Distribuicao(chave + "-cce.xml"), xml);
  EXPECT_EQ(anunciados_.size(), 1u);
  // The next sequence is a new correction.
  EXPECT_EQ(Ret(nfe_->EnviarCCe(chave, "Outra correcao qualquer do texto", "35", "", "", 2, "2"), "cStat"),
            "135");
}

TEST_F(EventosTest, CancellationIsRegisteredAndTheQueryAnswers101WithTheEvent) {
  std::string nProt;
  const std::string chave = Autorizar(&nProt);
  // A protocol that is not the document's is the authority's refusal, not a cancellation.
  EXPECT_EQ(Ret(nfe_->CancelarNFeEvento(chave, "135000000000000", kJustificativa, "", "", 1, "1"), "cStat"),
            "222");
  EXPECT_TRUE(cancelamentos_.empty());
  EXPECT_EQ(Distribuicao(chave + "-caneve.xml"), "");

  const std::string resposta = nfe_->CancelarNFeEvento(chave, nProt, kJustificativa, "", "", 1, "1");
  ASSERT_EQ(Ret(resposta, "cStat"), "135") << resposta;
  const std::string arquivo = nfe_->GetDiretorioXmlDestinatario() + chave + "-caneve.xml";
  EXPECT_EQ(cancelamentos_, std::vector<std::string>{arquivo});
  ChecarDistribuicao(Distribuicao(chave + "-caneve.xml"),
                     {"procEventoNFe_v1.00.xsd", "procEventoCancNFe_v1.00.xsd"});

  const std::string consulta = nfe_->ConsultarNF(chave);
  EXPECT_EQ(Tag(consulta, "cStat"), "101") << consulta;
  EXPECT_NE(consulta.find("<procEventoNFe"), std::string::npos);
  EXPECT_NE(consulta.find("<tpEvento>110111</tpEvento>"), std::string::npos);

  EXPECT_EQ(Ret(nfe_->CancelarNFeEvento(chave, nProt, kJustificativa, "", "", 1, "2"), "cStat"), "573");
  EXPECT_EQ(Ret(nfe_->EnviarCCe(chave, "Correcao depois do cancelamento", "35", "", "", 1, "3"), "cStat"),
            "580");
  EXPECT_EQ(cancelamentos_.size(), 1u);
}

// Cancellations as the clock of the deadlines runs on: the authority still cancels after 24 hours, but
// out of time (155, accepted); a cancellation by substitution is accepted up to 168 hours and only with
// another authorised document of the issuer as the substitute. An accepted one has its distribution XML
// (both signatures checked) and the query answers 101; a refused one leaves the document authorised.
TEST_F(EventosTest, CancellationsAgainstTheirDeadlines) {
  enum class Substituta { nenhuma, autorizada, naoEnviada };
  struct Caso {
    const char* nome;
    int horas; // how old the authorisation looks
    Substituta substituta;
    const char* cStat;
  };
  const Caso casos[] = {
      {"cancellation within 24 hours", 0, Substituta::nenhuma, "135"},
      {"cancellation after 24 hours", 25, Substituta::nenhuma, "155"},
      {"substitution after 24 hours", 25, Substituta::autorizada, "135"},
      {"substitution after 168 hours", 169, Substituta::autorizada, "501"},
      {"substitute never authorised", 0, Substituta::naoEnviada, "217"},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nome);
    sim_.SetEventDeadlineClockAhead(std::chrono::hours(c.horas));
    std::string nProt;
    const std::string chave = Autorizar(&nProt);
    const bool substituicao = c.substituta != Substituta::nenhuma;
    std::string substituta;
    if (c.substituta == Substituta::autorizada) {
      substituta = Autorizar();
    } else if (substituicao) {
      const std::string documento = NotaAssinada();
      substituta = documento.substr(documento.find("Id=\"NFe") + 7, 44);
    }
    cancelamentos_.clear();
    const std::string resposta =
        substituicao ? nfe_->CancelarNFeEventoSubstituicao(chave, nProt, kJustificativa, substituta,
                                                           "QVX 1.0", "", "", 1, "1")
                     : nfe_->CancelarNFeEvento(chave, nProt, kJustificativa, "", "", 1, "1");
    EXPECT_EQ(Ret(resposta, "cStat"), c.cStat) << resposta;
    const std::string nome = chave + (substituicao ? "-cansub.xml" : "-caneve.xml");
    const std::string consulta = Tag(nfe_->ConsultarNF(chave), "cStat");
    if (Ret(resposta, "nProt").empty()) {
      EXPECT_EQ(Distribuicao(nome), "");
      EXPECT_TRUE(cancelamentos_.empty());
      EXPECT_EQ(consulta, "100");
      continue;
    }
    EXPECT_EQ(cancelamentos_, std::vector<std::string>{nfe_->GetDiretorioXmlDestinatario() + nome});
    ChecarDistribuicao(Distribuicao(nome),
                       {"procEventoNFe_v1.00.xsd",
                        substituicao ? "procEventoCancSubst_v1.00.xsd" : "procEventoCancNFe_v1.00.xsd"});
    EXPECT_EQ(consulta, "101");
  }
  sim_.SetEventDeadlineClockAhead({});
}

// The builders that sign without sending give events of their kinds' schemas (the lot's and the
// detEvento's), signed so that xmlsec1 accepts them.
TEST_F(EventosTest, TheBuildersGiveSignedEventsOfTheirSchemas) {
  const std::string chave = Autorizar();
  TempDir d;
  WriteFileAtomic(d.File("canhoto.png"), "fake image bytes");
  nfe_->AtualizaDadosNFeEventos();
  TvxnNFeEventos& e = nfe_->GetEventos();
  e.ItensQuantidade().Adicionar("1", "2.0000");
  struct Caso {
    const char* nome;
    std::function<std::string()> montar;
    const char* esquemaLote;
    const char* esquemaDetalhe;
  };
  const Caso casos[] = {
      {"correction letter",
       [&] { return e.MontarXmlCCe(chave, "Correcao do endereco de entrega", "35", "", "", 1); },
       "envCCe_v1.00.xsd", "e110110_v1.00.xsd"},
      {"delivery proof",
       [&] {
         return e.MontarXmlEnvioComprovanteEntrega(chave, "91", "35", tacEmpresaEmitente, "QVX 1.0",
                                                   "2026-12-01T10:00:00", "12345678909", "Fulano de Tal", "",
                                                   "", d.File("canhoto.png"), "", "", 1);
       },
       "envEventoEntregaNFe_v1.00.xsd", "e110130_v1.00.xsd"},
      {"interested party",
       [&] {
         return e.MontarXmlEnvioAtorInteressado(chave, "91", "35", taiTransportador, "QVX 1.0", "12345678909",
                                                TTipoAutorizacaoAtorInter::tEAINaoPermite, "", "", 1);
       },
       "envEventoAtorInteressado_v1.00.xsd", "e110150_v1.00.xsd"},
      {"extension request",
       [&] {
         return e.MontarXmlPedidoProrrogacao(chave, "135260000000001", TTipoPedidoProrrogacao::tEPP2, "", "",
                                             1);
       },
       "envEvento_v1.00.xsd", "e111501_v1.00.xsd"},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nome);
    const std::string evento = c.montar();
    EXPECT_EQ(XmlSchemaErrors("<envEvento xmlns=\"http://www.portalfiscal.inf.br/nfe\" versao=\"1.00\">"
                              "<idLote>1</idLote>" +
                                  evento + "</envEvento>",
                              FindSchema(c.esquemaLote)),
              "");
    const std::string det = Between(evento, "<detEvento", "</detEvento>");
    EXPECT_EQ(XmlSchemaErrors("<detEvento xmlns=\"http://www.portalfiscal.inf.br/nfe\"" + det.substr(10),
                              FindSchema(c.esquemaDetalhe)),
              "")
        << det;
    EXPECT_EQ(XmlSec1VerifyErrors(evento, files_.AuthorityCertificate, kInfEvento), "");
  }

  // Layouts the library does not carry take the CC-e template from the template folder's cce/.
  e.SetVersaoManual(vm40);
  e.SetDiretorioTemplates(d.Path());
  EXPECT_EQ(RefusalOf([&] { e.LoadTemplateCCe(); }),
            (Refusal{"EvxnTemplateNotFoundException",
                     "Arquivo de template não encontrado: " + d.Path() + "cce/eventoCCe.xml"}));
  std::filesystem::create_directories(d.Path() + "cce");
  WriteFileAtomic(d.Path() + "cce/eventoCCe.xml", "<infEvento Id=\"%s\">Correção</infEvento>");
  EXPECT_EQ(e.LoadTemplateCCe(), "<infEvento Id=\"%s\">Correcao</infEvento>");
}

TEST_F(EventosTest, RecipientManifestationGoesToTheNationalEnvironment) {
  // The certificate's company is the recipient of this document.
  const std::string chave = Autorizar(nullptr, ComoDestinatario);
  const std::string resposta = nfe_->EnviarManifestacaoDestinatario(1, chave, "", "", "", "1", 1);
  ASSERT_EQ(Ret(resposta, "cStat"), "135") << resposta;
  EXPECT_EQ(Ret(resposta, "cOrgao"), "91");
  ChecarDistribuicao(Distribuicao(chave + "-co-mde.xml"),
                     {"procEventoNFe_v1.00.xsd", "procConfRecebtoNFe_v1.00.xsd"});

  const std::string naoRealizada =
      nfe_->EnviarManifestacaoDestinatario(4, chave, "Mercadoria devolvida ao transportador", "", "", "1", 1);
  EXPECT_EQ(Ret(naoRealizada, "cStat"), "135") << naoRealizada;
  EXPECT_NE(Distribuicao(chave + "-or-mde.xml").find("<xJust>Mercadoria devolvida"), std::string::npos);

  // Of someone else's document the certificate's company is not the recipient.
  EXPECT_EQ(Ret(nfe_->EnviarManifestacaoDestinatario(2, Autorizar(), "", "", "", "1", 1), "cStat"), "575");
}

TEST_F(EventosTest, EpecOfASignedLotIsRegisteredWithoutTheDocument) {
  const std::string documento = NotaAssinada();
  const std::string chave = documento.substr(documento.find("Id=\"NFe") + 7, 44);
  const std::string lote = nfe_->MontarXmlEPEC("1", documento, "", "-03:00");
  const std::string resposta = nfe_->EnviarEPEC(lote);
  ASSERT_EQ(Ret(resposta, "cStat"), "136") << resposta;
  const std::string xml = Distribuicao(chave + "-epec.xml");
  ChecarDistribuicao(xml, {"procEventoNFe_v1.00.xsd"});
  EXPECT_NE(xml.find("<vNF>"), std::string::npos);
}

TEST_F(EventosTest, DeliveryProofAndItsCancellation) {
  const std::string chave = Autorizar();
  TempDir d;
  WriteFileAtomic(d.File("canhoto.png"), std::string("\x89PNG\r\n\x1a\n fake image bytes", 25));
  const std::string entrega = nfe_->EnviarComprovanteEntrega(
      chave, "91", "35", "1", "QVX 1.0", "2026-12-01T10:00:00", "12345678909", "Fulano de Tal", "-23.550520",
      "-46.633308", d.File("canhoto.png"), "", "", 1, "1");
  ASSERT_EQ(Ret(entrega, "cStat"), "135") << entrega;
  ChecarDistribuicao(Distribuicao(chave + "-cent.xml"), {"procEventoNFe_v1.00.xsd"});

  const std::string cancelamento = nfe_->CancelarComprovanteEntrega(chave, "91", "35", "1", "QVX 1.0",
                                                                    Ret(entrega, "nProt"), "", "", 1, "1");
  ASSERT_EQ(Ret(cancelamento, "cStat"), "135") << cancelamento;
  ChecarDistribuicao(Distribuicao(chave + "-canccent.xml"), {"procEventoNFe_v1.00.xsd"});
}

TEST_F(EventosTest, InterestedParty) {
  const std::string chave = Autorizar();
  const std::string resposta =
      nfe_->EnviarAtorInteressado(chave, "91", "35", "1", "QVX 1.0", "12345678000195",
                                  TTipoAutorizacaoAtorInter::tEAIPermite, "", "", 1, "1");
  ASSERT_EQ(Ret(resposta, "cStat"), "135") << resposta;
  const std::string xml = Distribuicao(chave + "-atorint.xml");
  ChecarDistribuicao(xml, {"procEventoNFe_v1.00.xsd"});
  EXPECT_NE(xml.find("<autXML><CNPJ>12345678000195</CNPJ></autXML>"), std::string::npos);
}

// An extension request and its cancellation, each with its distribution XML (valid and signed), and the
// tax authority's answer to both, as the published schemas of those kinds have them (idPedido, numItem as
// an attribute, the answer's groups), accepted by the server.
TEST_F(EventosTest, TheAuthoritysAnswerToAnExtensionRequestAndToItsCancellation) {
  std::string nProt;
  const std::string chave = Autorizar(&nProt);
  nfe_->AdicionarItens("1", "2.0000");
  nfe_->AdicionarItens("2", "1.0000");
  const std::string pedido =
      nfe_->EnviarPedidoProrrogacao(chave, nProt, TTipoPedidoProrrogacao::tEPP1, "", "", 1, "1");
  ASSERT_EQ(Ret(pedido, "cStat"), "135") << pedido;
  ChecarDistribuicao(Distribuicao(chave + "-epp.xml"), {"procEventoNFe_v1.00.xsd"});
  auto detEvento = [&](const std::string& arquivo, const std::string& esquema) {
    const std::string xml = Distribuicao(arquivo);
    ChecarDistribuicao(xml, {"procEventoNFe_v1.00.xsd"});
    const std::string det = Between(xml, "<detEvento", "</detEvento>");
    EXPECT_EQ(XmlSchemaErrors("<detEvento xmlns=\"http://www.portalfiscal.inf.br/nfe\"" + det.substr(10),
                              FindSchema(esquema)),
              "")
        << det;
    return det;
  };
  const std::vector<TvxnItemRespostaPedido> itens{{"1", "1", "1", ""},
                                                  {"2", "2", "10", "Item já devolvido ao remetente"}};
  const std::string resposta = nfe_->EnviarEventoFisco(chave, "35", "411500", itens, {}, "", "", 1, "2");
  ASSERT_EQ(Ret(resposta, "cStat"), "135") << resposta;
  const std::string det = detEvento(chave + "-411500.xml", "e411500_v1.00.xsd");
  EXPECT_THAT(det, ::testing::HasSubstr("<idPedido>ID111500" + chave +
                                        "01</idPedido><respPedido><statPrazo>1"
                                        "</statPrazo><itemPedido numItem=\"1\"><statPedido>1</statPedido>"));
  EXPECT_THAT(det, ::testing::HasSubstr("<justStaOutra>Item ja devolvido ao remetente</justStaOutra>"));

  ASSERT_EQ(Ret(nfe_->CancelarPedidoProrrogacao(chave, Ret(pedido, "nProt"),
                                                TTipoCancelamentoPedidoProrrogacao::tECPP1, "", "", 1, "3"),
                "cStat"),
            "135");
  EXPECT_NE(Distribuicao(chave + "-canepp.xml").find("<idPedidoCancelado>ID111500" + chave + "01"),
            std::string::npos);
  const std::string cancelamento =
      nfe_->EnviarEventoFisco(chave, "35", "411502", {}, {"1", "2", ""}, "", "", 1, "4");
  ASSERT_EQ(Ret(cancelamento, "cStat"), "135") << cancelamento;
  EXPECT_THAT(
      detEvento(chave + "-411502.xml", "e411502_v1.00.xsd"),
      ::testing::HasSubstr("<idPedido>ID111502" + chave + "01</idPedido><respCancPedido><statCancPedido>1"));

  // The answer's own checks come after those every kind shares, each in the prefix of the builders.
  const std::string prefixo = "Um problema foi encontrado durante a geração do XML de envio: ";
  const std::pair<std::function<void()>, std::string> recusas[] = {
      {[&] { nfe_->MontarXMLEventoFisco(chave, "35", "", itens, {}, "", "", 1); },
       "Favor preencher tpEvento."},
      {[&] { nfe_->MontarXMLEventoFisco(chave, "35", "41150A", itens, {}, "", "", 1); },
       "tpEvento deve conter apenas números."},
      {[&] { nfe_->MontarXMLEventoFisco(chave, "35", "411501", {}, {}, "", "", 1); },
       "Favor preencher o número dos itens"},
      {[&] {
         nfe_->MontarXMLEventoFisco(chave, "35", "411501", {{"1", "", "1", ""}}, {}, "", "", 1);
       },
       "Favor preencher o status do pedido de prorrogação"},
      {[&] {
         nfe_->MontarXMLEventoFisco(chave, "35", "411501", {{"1", "1", "", ""}}, {}, "", "", 1);
       },
       "Favor preencher a justificativa de status"},
      {[&] {
         nfe_->MontarXMLEventoFisco(chave, "35", "411503", itens, {"1", "", ""}, "", "", 1);
       },
       "Favor preencher a justificativa do pedido de prorrogação"},
      {[&] { nfe_->MontarXMLEventoFisco(chave, "92", "", {}, {}, "", "", 1); }, "Código do Órgão incorreto."},
  };
  for (const auto& [chamada, causa] : recusas)
    EXPECT_EQ(RefusalOf(chamada), (Refusal{"EvxnEventoCheckParams", prefixo + "\"" + causa + "\""}));
}

// Every event of the tax reform about one authorised document: each accepted (the server checks its
// detEvento against the kind's schema), its distribution XML valid and signed, its detail valid against
// the kind's schema and holding the fields given, in the schema's order.
TEST_F(EventosTest, TaxReformEventsAreRegisteredWithTheirKindsDetail) {
  const std::string chave = Autorizar();
  TvxnItemEventoReforma estoque;
  estoque.NItem = "1";
  estoque.VIBS = "1.00";
  estoque.VCBS = "0.90";
  estoque.Quantidade = "2.0000";
  estoque.Unidade = "UN";
  TvxnItemEventoReforma perecimento = estoque;
  perecimento.VIBSEstoque = "0.50";
  perecimento.VCBSEstoque = "0.45";
  TvxnItemEventoReforma consumo = estoque;
  consumo.ChaveReferenciada = chave;
  consumo.NItemReferenciado = "1";
  TvxnItemEventoReforma credPres;
  credPres.NItem = "1";
  credPres.VBC = "100.00";
  credPres.CCredPresCBS = "01";
  credPres.PCredPresCBS = "1.0000";
  credPres.VCredPresCBS = "1.00";
  TvxnItemEventoReforma credito;
  credito.NItem = "1";
  credito.VIBS = "3.00";
  credito.VCBS = "2.00";
  const std::string qtd = "<vIBS>1.00</vIBS><vCBS>0.90</vCBS><gControleEstoque>";
  struct Caso {
    std::string tp;
    std::function<void(TvxnEventoReforma&)> preencher;
    std::string detalhe; // what the detEvento holds after verAplic
  };
  const std::vector<Caso> casos = {
      {"112110", [](auto&) {}, "<indQuitacao>1</indQuitacao>"},
      {"112120", [&](auto& e) { e.Itens = {estoque}; },
       "<gConsumo nItem=\"1\">" + qtd +
           "<qtde>2.0000</qtde><unidade>UN</unidade></gControleEstoque></gConsumo>"},
      {"112130", [&](auto& e) { e.Itens = {perecimento}; },
       "<gPerecimento nItem=\"1\">" + qtd +
           "<qPerecimento>2.0000</qPerecimento><uPerecimento>UN</uPerecimento><vIBS>0.50</vIBS><vCBS>0.45</"
           "vCBS>"},
      {"112140", [&](auto& e) { e.Itens = {estoque}; }, "<qNaoFornecida>2.0000</qNaoFornecida>"},
      {"112150", [](auto& e) { e.DPrevEntrega = "2026-12-20"; }, "<dPrevEntrega>2026-12-20</dPrevEntrega>"},
      {"211110", [&](auto& e) { e.Itens = {credPres}; },
       "<gCredPres nItem=\"1\"><vBC>100.00</vBC><gCBS><cCredPres>01</cCredPres><pCredPres>1.0000</pCredPres>"
       "<vCredPres>1.00</vCredPres></gCBS></gCredPres>"},
      {"211120", [&](auto& e) { e.Itens = {consumo}; },
       "<DFeReferenciado><chaveAcesso>" + chave + "</chaveAcesso><nItem>1</nItem></DFeReferenciado>"},
      {"211124", [&](auto& e) { e.Itens = {estoque}; }, "<uPerecimento>UN</uPerecimento>"},
      {"211128", [](auto& e) { e.Indicador = "1"; }, "<indAceitacao>1</indAceitacao>"},
      {"211130", [&](auto& e) { e.Itens = {estoque}; }, "<qImobilizado>2.0000</qImobilizado>"},
      {"211140",
       [&](auto& e) {
         e.Itens = {estoque};
         e.Itens[0].Unidade = "L&M"; // a unit is free text: escaped
       },
       "<uComb>L&amp;M</uComb>"},
      {"211150", [&](auto& e) { e.Itens = {credito}; },
       "<gCredito nItem=\"1\"><vCredIBS>3.00</vCredIBS><vCredCBS>2.00</vCredCBS></gCredito>"},
      {"212110", [](auto& e) { e.Indicador = "0"; }, "<indAceitacao>0</indAceitacao>"},
      {"212120", [](auto& e) { e.Indicador = "1"; }, "<indAceitacao>1</indAceitacao>"},
      {"412120", [](auto& e) { e.Indicador = "0", e.CMotivo = "2", e.XMotivo = "Sucessao nao comprovada"; },
       "<indDeferimento>0</indDeferimento><cMotivo>2</cMotivo><xMotivo>Sucessao nao comprovada</xMotivo>"},
      {"412130", [](auto& e) { e.Indicador = "1", e.CMotivo = "1", e.XMotivo = "Deferido"; },
       "<cMotivo>1</cMotivo>"},
  };
  ASSERT_EQ(casos.size(), TiposEventoReforma().size());
  int lote = 10;
  for (const Caso& c : casos) {
    TvxnEventoReforma e;
    e.TpEvento = c.tp;
    e.Chave = chave;
    e.VerAplic = "teste 1.0";
    c.preencher(e);
    const std::string resposta = EnviarEventoReforma(*nfe_, e, std::to_string(++lote));
    ASSERT_EQ(Ret(resposta, "cStat"), "135") << c.tp << resposta;
    const std::string xml = Distribuicao(chave + "-" + c.tp + ".xml");
    ChecarDistribuicao(xml, {"procEventoNFe_v1.00.xsd"});
    const std::string det = Between(xml, "<detEvento", "</detEvento>");
    EXPECT_EQ(XmlSchemaErrors("<detEvento xmlns=\"http://www.portalfiscal.inf.br/nfe\"" + det.substr(10),
                              FindSchema("e" + c.tp + "_v1.00.xsd")),
              "")
        << det;
    EXPECT_THAT(det, ::testing::HasSubstr("<verAplic>teste 1.0</verAplic>")) << c.tp;
    EXPECT_THAT(det, ::testing::HasSubstr(c.detalhe)) << c.tp;
  }

  // A detail the kind's schema refuses stops before anything is signed or sent.
  TvxnEventoReforma errado;
  errado.TpEvento = "211150";
  errado.Chave = chave;
  errado.VerAplic = "teste 1.0";
  errado.Sequencia = 2;
  credito.VIBS = "3,00";
  errado.Itens = {credito};
  EXPECT_EQ(RefusalOf([&] { EnviarEventoReforma(*nfe_, errado, "99"); }).className,
            "EvxnNFeSchemaValidationException");
  EXPECT_TRUE(Distribuicao(chave + "-211150.xml").find("<nSeqEvento>1<") != std::string::npos);
}

TEST_F(EventosTest, CorrectionLetterOnLayout310) {
  const std::string chave = Autorizar();
  nfe_->SetVersaoManual(vm50a);
  const std::string resposta =
      nfe_->EnviarCCe(chave, "Correcao enviada pelo leiaute 3.10", "35", "", "", 1, "1");
  ASSERT_EQ(Ret(resposta, "cStat"), "135") << resposta;
  ChecarDistribuicao(Distribuicao(chave + "-cce.xml"), {"procEventoNFe_v1.00.xsd"});
}

} // namespace
} // namespace vxn::test
