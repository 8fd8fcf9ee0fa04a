// The parameter checks of every event builder, through the component: each table row spoils some
// parameters of a good call and names the refusal that must come first. Rows that spoil a later
// parameter too check the order; rows that end at the builder's last check show that the values before
// it were accepted. Nothing is signed, logged or sent after a refusal.
#include "events/vxnNFeEventos.h"
#include "support/RefusalOf.h"
#include "support/TempDir.h"
#include "vxnGovUtils.h"
#include "vxnNFe.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace vxn {
namespace {

using test::Refusal;
using test::RefusalOf;

constexpr const char* kChave = "35261211222333000181550010000010021482139065";
constexpr const char* kChaveDigitoErrado = "35261211222333000181550010000010021482139066";
constexpr const char* kCheck = "EvxnEventoCheckParams";

class EventosParametrosTest : public ::testing::Test {
protected:
  void SetUp() override {
    nfe_.SetCNPJ("11222333000181");
    nfe_.SetUF("SP");
    nfe_.SetDiretorioLog(dir_.Path() + "Log");
    nfe_.SetDiretorioLogErro(dir_.Path() + "LogErro");
    nfe_.SetDiretorioXmlDestinatario(dir_.Path() + "Xml");
  }
  void TearDown() override {
    // Nothing was logged or written for a refused call.
    std::error_code ec;
    EXPECT_TRUE(std::filesystem::is_empty(dir_.Path() + "Xml", ec) || ec);
    EXPECT_FALSE(std::filesystem::exists(dir_.Path() + "Log") &&
                 !std::filesystem::is_empty(dir_.Path() + "Log"));
    EvxnException::ResetClassState();
  }

  test::TempDir dir_;
  TvxnNFe nfe_;
};

struct Caso {
  const char* nome;
  std::function<void(TvxnNFe&)> chamada;
  Refusal recusa;
};

void Checar(TvxnNFe& nfe, const std::vector<Caso>& casos) {
  for (const Caso& c : casos) {
    nfe.SetCNPJ("11222333000181");
    EXPECT_EQ(RefusalOf([&] { c.chamada(nfe); }), c.recusa) << c.nome;
  }
}

std::string Envio(const std::string& causa) {
  return "Um problema foi encontrado durante a geração do XML de envio: \"" + causa + "\"";
}

// The correction letter: key, receiving body, sequence, date-time, time zone, author, correction.
TEST_F(EventosParametrosTest, CorrectionLetter) {
  struct P {
    std::string chave = kChave, correcao = "Correcao do endereco de entrega", orgao = "35", dh = "",
                fuso = "";
    int seq = 1;
  };
  auto cce = [](P p) {
    return [p](TvxnNFe& n) { n.EnviarCCe(p.chave, p.correcao, p.orgao, p.dh, p.fuso, p.seq, "1"); };
  };
  auto semTexto = [](P p) {
    p.correcao = "";
    return p;
  };
  const Refusal textoVazio{kCheck, Envio("Favor preencher o Texto de Correção")};
  Checar(
      nfe_,
      {
          {"empty key", cce({.chave = "  ", .orgao = "3"}), {kCheck, Envio("Chave da NF-e está vazia.")}},
          {"key with letters",
           cce({.chave = "3526121122233300018155001000001002148213906A"}),
           {kCheck, Envio("Chave da NF-e deve conter apenas números.")}},
          {"letters of an alphanumeric CNPJ accepted",
           cce(semTexto({.chave = "35261212ABC34501DE35550010000010011173015586"})), textoVazio},
          {"letters outside the CNPJ",
           cce({.chave = "35261212ABC34501DE355500100000100111730155A6"}),
           {kCheck, Envio("Chave da NF-e deve conter apenas números.")}},
          {"alphanumeric key with a wrong check digit",
           cce({.chave = "35261212ABC34501DE35550010000010011173015584"}),
           {kCheck, Envio("Chave da NF-e com dígito verificador inválido.")}},
          {"43 digits",
           cce({.chave = std::string(kChave).substr(1)}),
           {kCheck, Envio("Chave da NF-e deve conter exatamente 44 dígitos.")}},
          {"wrong check digit",
           cce({.chave = kChaveDigitoErrado}),
           {kCheck, Envio("Chave da NF-e com dígito verificador inválido.")}},
          {"empty body", cce({.orgao = "", .seq = 0}), {kCheck, Envio("Favor Preencher Órgão.")}},
          {"body of one digit",
           cce({.orgao = "3"}),
           {kCheck, Envio("Código do Órgão deve conter exatamente 2 dígitos")}},
          {"body 18", cce({.orgao = "18"}), {kCheck, Envio("Código do Órgão incorreto.")}},
          {"body 30", cce({.orgao = "30"}), {kCheck, Envio("Código do Órgão incorreto.")}},
          {"body 92", cce({.orgao = "92"}), {kCheck, Envio("Código do Órgão incorreto.")}},
          {"body 90 accepted", cce(semTexto({.orgao = "90"})), textoVazio},
          {"body 91 accepted", cce(semTexto({.orgao = "91"})), textoVazio},
          {"sequence 0",
           cce({.dh = "ontem", .seq = 0}),
           {kCheck, Envio("Sequência mínima de 1 e máxima de 20.")}},
          {"sequence 21", cce({.seq = 21}), {kCheck, Envio("Sequência mínima de 1 e máxima de 20.")}},
          {"sequence 20 accepted", cce(semTexto({.seq = 20})), textoVazio},
          {"date-time",
           cce({.dh = "ontem", .fuso = "0300"}),
           {kCheck, Envio("Data/Hora do evento inválida")}},
          {"date-time with offset accepted", cce(semTexto({.dh = "2026-12-05T10:00:00-03:00"})), textoVazio},
          {"time zone -0300",
           cce({.fuso = "-0300"}),
           {kCheck, Envio("Fuso Horario do evento inválido, o valor deve ser no formato -HH:MM")}},
          {"time zone 03:00",
           cce({.fuso = "03:00"}),
           {kCheck, Envio("Fuso Horario do evento inválido, o valor deve ser no formato -HH:MM")}},
          {"time zone +05:30 accepted", cce(semTexto({.fuso = "+05:30"})), textoVazio},
          {"empty correction", cce(semTexto({})), textoVazio},
          {"14 characters",
           cce({.correcao = "Texto com 14c."}),
           {kCheck, Envio("O Texto de Correção deve ter no mínimo 15 Caracteres")}},
      });
  // The author comes from the component, after the time zone and before the correction.
  for (const auto& [cnpj, mensagem] : std::vector<std::pair<std::string, std::string>>{
           {"", "Favor preencher CNPJ."},
           {"1122233300018A", "CNPJ deve conter apenas números."},
           {"12abc34501de35", "CNPJ deve conter apenas números."},
           // An alphanumeric CNPJ passes on to the correction's check.
           {"12ABC34501DE35", "Favor preencher o Texto de Correção"},
           {"112223330001", "CNPJ deve conter 14 dígitos ou 11 dígitos quando for CPF."}}) {
    nfe_.SetCNPJ(cnpj);
    EXPECT_EQ(RefusalOf([&] { nfe_.EnviarCCe(kChave, "", "35", "", "", 1, "1"); }),
              (Refusal{kCheck, Envio(mensagem)}))
        << cnpj;
  }
}

// Cancellation: the short form (time zone, date-time, key, without the final point), then protocol
// and justification, each with its own class.
TEST_F(EventosParametrosTest, Cancellation) {
  auto cancelar = [](std::string chave, std::string prot, std::string just, std::string dh,
                     std::string fuso) {
    return [=](TvxnNFe& n) { n.CancelarNFeEvento(chave, prot, just, dh, fuso, 1, "1"); };
  };
  const std::string just = "Erro de digitacao no pedido";
  Checar(nfe_, {
                   {"time zone before all",
                    cancelar("", "", "", "ontem", "-0300"),
                    {"EvxnNFeEventosFusoHorarioInvalidException",
                     "Fuso Horario do evento inválido, o valor deve ser no formato -HH:MM"}},
                   {"date-time before the key",
                    cancelar("", "", "", "ontem", ""),
                    {"EvxnNFeEventosDataHoraInvalidException", "Data/Hora do evento inválida"}},
                   {"key",
                    cancelar(kChaveDigitoErrado, "", "", "", ""),
                    {"EvxnNFeEventosChaveInvalidException", "Chave da NF-e com dígito verificador inválido"}},
                   {"empty key",
                    cancelar("", "", "", "", ""),
                    {"EvxnNFeEventosChaveInvalidException", "Chave da NF-e está vazia"}},
                   {"protocol",
                    cancelar(kChave, " ", "", "", ""),
                    {"EvxnNFeEventosNumeroProtException", "Código do Protocolo não pode ser vazio."}},
                   {"justification",
                    cancelar(kChave, "135260000000001", "Curta demais", "", ""),
                    {"EvxnNFeEventosJustificativaInvalidException",
                     "Justificativa deve possuir no mínimo 15 caracteres."}},
               });
}

// Cancellation by substitution: the cancellation's checks, then the substitute's key (the short form,
// naming the substitute) and the application version.
TEST_F(EventosParametrosTest, CancellationBySubstitution) {
  constexpr const char* kSubstituta = "35261211222333000181650010000010031482139065";
  auto cancelar = [](std::string chave, std::string just, std::string ref, std::string ver) {
    return [=](TvxnNFe& n) {
      n.CancelarNFeEventoSubstituicao(chave, "135260000000001", just, ref, ver, "", "", 1, "1");
    };
  };
  const std::string just = "Emitida em duplicidade com a de contingencia";
  const char* chaveInvalida = "EvxnNFeEventosChaveInvalidException";
  Checar(nfe_, {
                   {"key first",
                    cancelar(kChaveDigitoErrado, "", "", ""),
                    {chaveInvalida, "Chave da NF-e com dígito verificador inválido"}},
                   {"justification before the substitute",
                    cancelar(kChave, "Curta demais", "", ""),
                    {"EvxnNFeEventosJustificativaInvalidException",
                     "Justificativa deve possuir no mínimo 15 caracteres."}},
                   {"no substitute",
                    cancelar(kChave, just, " ", ""),
                    {chaveInvalida, "Chave da NF-e substituta está vazia"}},
                   {"substitute with a wrong check digit",
                    cancelar(kChave, just, kChaveDigitoErrado, ""),
                    {chaveInvalida, "Chave da NF-e substituta com dígito verificador inválido"}},
                   {"the cancelled document as its own substitute",
                    cancelar(kChave, just, kChave, ""),
                    {chaveInvalida, "Chave da NF-e substituta deve ser outra que a da NF-e cancelada"}},
                   {"application version",
                    cancelar(kChave, just, kSubstituta, ""),
                    {kCheck, "O Tamanho do campo Versão Aplicativo deve ser de 1 a 20."}},
               });
}

TEST_F(EventosParametrosTest, RecipientManifestation) {
  auto manifestar = [](int tipo, std::string chave, std::string just) {
    return [=](TvxnNFe& n) { n.EnviarManifestacaoDestinatario(tipo, chave, just, "", "", "1", 1); };
  };
  const std::string prefixo = "Um problema foi encontrado durante o Envio de Manifestação do Destinatário: ";
  Checar(nfe_,
         {
             {"type 5 before the key",
              manifestar(5, "", ""),
              {"EvxnNFeEventosTipoEventoException", "Tipo do evento inválido.Apenas 1,2,3 e 4 são aceitos"}},
             {"type 0",
              manifestar(0, kChave, ""),
              {"EvxnNFeEventosTipoEventoException", "Tipo do evento inválido.Apenas 1,2,3 e 4 são aceitos"}},
             {"key",
              manifestar(1, "123", ""),
              {"EvxnNFeEventosChaveInvalidException", "Chave da NF-e deve conter exatamente 44 dígitos"}},
             {"justification of operation not performed",
              manifestar(4, kChave, "Curta"),
              {"EvxnNFeEventosJustificativaInvalidException",
               "Justificativa deve possuir no mínimo 15 caracteres."}},
         });
  for (const auto& [cnpj, mensagem] :
       std::vector<std::pair<std::string, std::string>>{{"11222333000180", "CNPJ é inválido."},
                                                        {"12345678901", "CPF é inválido."},
                                                        {"123", "Campo CNPJ/CPF é inválido."}}) {
    nfe_.SetCNPJ(cnpj);
    EXPECT_EQ(RefusalOf([&] { manifestar(2, kChave, "")(nfe_); }),
              (Refusal{kCheck, prefixo + "\"" + mensagem + "\""}))
        << cnpj;
  }
}

TEST_F(EventosParametrosTest, Epec) {
  auto epec = [](std::string lote, std::string xml, std::string fuso) {
    return [=](TvxnNFe& n) { n.MontarXmlEPEC(lote, xml, "", fuso); };
  };
  auto msg = [](const std::string& causa) {
    return Refusal{kCheck,
                   "Um problema foi encontrado durante a geração do XML de evento EPEC: \"" + causa + "\""};
  };
  // The EPEC keeps an empty time zone empty: it must be given.
  Checar(nfe_, {
                   {"lot number", epec("1a", "", ""), msg("idLote deve conter apenas números.")},
                   {"time zone", epec("1", "", ""),
                    msg("Fuso Horario do evento inválido, o valor deve ser no formato -HH:MM")},
                   {"no lot", epec("1", " ", "-03:00"), msg("Favor preencher XmlEnvio.")},
                   {"lot not XML", epec("1", "<enviNFe>", "-03:00"),
                    msg("Não foi possível montar o EPEC da nota porque o xml de entrada é inválido. Erro: " +
                        RefusalOf([] { TvxnGovUtils().XPathSelectNodes("<enviNFe>", "//*"); }).message)},
                   {"document key", epec("1", R"(<NFe><infNFe Id="NFe123"/></NFe>)", "-03:00"),
                    msg("Chave da NF-e deve conter exatamente 44 dígitos.")},
               });
}

TEST_F(EventosParametrosTest, DeliveryProofAndItsCancellation) {
  test::TempDir d;
  const std::string imagem = d.File("img.png");
  std::ofstream(imagem) << "png";
  struct P {
    std::string orgao = "91", autor = "35", ver = "1.0", entrega = "2026-12-01T10:00:00", doc = "12345678909",
                nome = "Fulano", imagem = "";
  };
  auto entregar = [](P p) {
    return [p](TvxnNFe& n) {
      n.EnviarComprovanteEntrega(kChave, p.orgao, p.autor, "1", p.ver, p.entrega, p.doc, p.nome, "", "",
                                 p.imagem, "", "", 1, "1");
    };
  };
  auto msg = [](const std::string& causa) {
    return Refusal{kCheck,
                   "Um problema foi encontrado durante a geração do XML de envio comprovante entrega: \"" +
                       causa + "\""};
  };
  Checar(nfe_,
         {
             {"authoring body", entregar({.autor = "", .doc = ""}), msg("Favor Preencher Órgão Autor.")},
             {"delivery time", entregar({.entrega = "amanha"}), msg("Data/Hora da entrega inválida")},
             {"no delivery time", entregar({.entrega = ""}),
              msg("Favor preencher a Data da Entrega do Comprovante.")},
             {"no document", entregar({.doc = ""}),
              msg("Favor preencher o Documento de Identificação do assinante do comprovante de entrega.")},
             {"document of 1", entregar({.doc = "1"}),
              msg("O Tamanho do campo Documento de Identificação do assinante deve ser de 2 a 20.")},
             {"no name", entregar({.nome = " "}),
              msg("Favor preencher o nome do assinante do comprovante de entrega.")},
             {"name of 61", entregar({.nome = std::string(61, 'a')}),
              msg("O Tamanho do campo Nome do assinante deve ser de 2 a 60.")},
             {"application version", entregar({.ver = std::string(21, '1')}),
              msg("O Tamanho do campo Versão Aplicativo deve ser de 1 a 20.")},
             {"no image", entregar({}),
              msg("Favor preencher o caminho da imagem capturada do comprovante de entrega.")},
             {"cancellation protocol of 14",
              [](TvxnNFe& n) {
                n.CancelarComprovanteEntrega(kChave, "91", "35", "1", "1.0", "13526000000000", "", "", 1,
                                             "1");
              },
              {kCheck,
               "Um problema foi encontrado durante a geração do XML de envio do cancelamento comprovante "
               "entrega: "
               "\"O Tamanho do campo Protocolo de autorização do evento de entrega deve conter exatamente 15 "
               "dígitos.\""}},
         });
  (void)imagem;
}

TEST_F(EventosParametrosTest, InterestedPartyAndExtensionRequest) {
  auto ator = [](std::string autorizado) {
    return [=](TvxnNFe& n) {
      n.EnviarAtorInteressado(kChave, "91", "35", "1", "1.0", autorizado,
                              TTipoAutorizacaoAtorInter::tEAIPermite, "", "", 1, "1");
    };
  };
  Checar(nfe_,
         {
             {"no authorised", ator(""), {kCheck, Envio("Favor preencher CNPJ/CPF do Autorizado.")}},
             {"authorised with letters",
              ator("12a"),
              {kCheck, Envio("CNPJ/CPF do Autorizado deve conter apenas números.")}},
             {"authorised of 12",
              ator("123456789012"),
              {kCheck, Envio("CNPJ do Autorizado deve conter 14 dígitos ou 11 dígitos quando for CPF.")}},
             {"author's code outside 1 to 3",
              [](TvxnNFe& n) {
                n.GetEventos().EnviarAtorInteressado(kChave, "91", "35", "4", "1.0", "12345678000195",
                                                     TTipoAutorizacaoAtorInter::tEAIPermite, "", "", 1, "1");
              },
              {kCheck, Envio("Tipo do Autor inválido: 4")}},
             {"extension without items",
              [](TvxnNFe& n) {
                n.EnviarPedidoProrrogacao(kChave, "135260000000001", TTipoPedidoProrrogacao::tEPP1, "", "", 1,
                                          "1");
              },
              {kCheck, Envio("Nenhum item encontrado,favor adicione utilizando o método: AdicionarItens.")}},
         });
}

} // namespace
} // namespace vxn
