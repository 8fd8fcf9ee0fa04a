#include "xml/vxnNFeXmlProcDestinatario.h"

#include "vxnFormat.h"
#include "vxnGovUtils.h"
#include "vxnNFeException.h"
#include "vxnPaths.h"
#include "vxnText.h"
#include "xml/vxnNFeTemplateFiles.h"
#include "xml/vxnNFeUtils.h"
#include "xml/vxnNFeXMLLogs.h"

#include <memory>

namespace vxn {
namespace {

constexpr std::string_view kMsgPedidoCancelamento = "O conteúdo do Log de pedido de Cancelamento é inválido.";
constexpr std::string_view kMsgRetornoCancelamento =
    "O conteúdo do Log de Retorno de Cancelamento é inválido.";
constexpr std::string_view kMsgIdCancelamento =
    "ID informado não confere com a chave do log de pedido de cancelamento.";
constexpr std::string_view kMsgStatusCancelamento = "Não se trata de cancelamento de NF-e homologado.";

std::string PorNomeLocal(std::string_view nome) {
  return Format("//*[local-name()=\"%s\"]", {nome});
}

// The first element of that local name whose text contains `conteudo` (any case), else the first one;
// "" when there is none.
std::string ElementoQueContem(const std::string& xml, std::string_view nome, std::string_view conteudo) {
  TvxnGovUtils utils;
  const std::vector<std::string> nos = utils.XPathSelectNodes(xml, PorNomeLocal(nome));
  if (nos.empty())
    return {};
  if (!conteudo.empty())
    for (const std::string& no : nos)
      if (ContainsText(no, conteudo))
        return no;
  return nos.front();
}

std::string SalvarSeInformado(const std::string& xml, std::string_view salvarComo,
                              const TvxnDestinatarioConfig& config) {
  if (!Trim(salvarComo).empty()) {
    TvxnGovUtils utils;
    utils.SetDiretorioLogErro(config.DiretorioLogErro);
    utils.SaveToFile(xml, ExpandPath(salvarComo));
  }
  return xml;
}

std::string CarregarTemplate(const TvxnDestinatarioConfig& config, std::string_view nome) {
  TvxnGovUtils utils;
  return LoadTemplateComponente(config.VersaoManual, config.UF,
                                GetTemplateFolder(config.DiretorioTemplates, config.UF), nome, utils,
                                config.DiretorioLogErro);
}

} // namespace

std::string LimparXmlLog(std::string_view xml) {
  std::string s(xml);
  for (std::string_view declaracao : {R"(<?xml version="1.0"?>)", R"(<?xml version="1.0" encoding="UTF-8"?>)",
                                      R"(<?xml version="1.0" encoding="UTF-8" ?>)"}) {
    const auto pos = s.find(declaracao);
    if (pos != std::string::npos)
      s.erase(pos, declaracao.size());
  }
  return ReplaceAll(s, "\r\n", "");
}

// ---- The shared shape ---------------------------------------------------------------------------------

void TvxnNFeXmlProcDestinatario::Recusar(const std::string& mensagem) const {
  throw EvxnNFeNotaCanceladaDestinatario(mensagem, logDirErro_);
}

bool TvxnNFeXmlProcDestinatario::IdConfere(const std::string& pedido) const {
  return ContainsText(pedido, id_);
}

std::string TvxnNFeXmlProcDestinatario::GerarXmlDestinatario() const {
  if (StartsWithText(id_, "N"))
    Recusar("A Chave deve ser composta apenas por Números");
  const std::string pedido = LimparXmlLog(logPedido_);
  const std::string retorno = LimparXmlLog(logRetorno_);
  if (!regras_.msgPedidoInvalido.empty()) {
    for (const std::string& marcador : regras_.marcadoresPedido)
      if (!ContainsText(pedido, marcador))
        Recusar(regras_.msgPedidoInvalido);
    if (!ContainsText(retorno, regras_.elementoRetorno))
      Recusar(regras_.msgRetornoInvalido);
  }
  if (id_.empty() || !IdConfere(pedido))
    Recusar(regras_.msgIdNaoConfere);
  const std::string chave = GetValueTag("chNFe", pedido);
  const std::string elementoRetorno = ElementoRetorno(retorno, chave);
  if (regras_.compararChaves && chave != GetValueTag("chNFe", elementoRetorno))
    Recusar("A chave do log de pedido de cancelamento não confere com a chave do log de retorno de "
            "cancelamento.");
  const std::string cStat = Trim(GetValueTag("cStat", elementoRetorno));
  bool aceito = false;
  for (const std::string& s : regras_.cStatAceitos)
    aceito = aceito || cStat == s;
  if (!aceito)
    Recusar(regras_.msgStatus);
  if (Trim(template_).empty())
    Recusar("O arquivo de template não foi configurado.");
  return Format(template_, {ElementoPedido(pedido), elementoRetorno});
}

// The request element itself: a lot log carries the event inside envEvento, which the distribution
// document must not.
std::string TvxnNFeXmlProcDestinatario::ElementoPedido(const std::string& pedido) const {
  const std::string elemento = ElementoQueContem(pedido, regras_.elementoPedido, id_);
  if (elemento.empty())
    Recusar(regras_.msgPedidoInvalido.empty() ? regras_.msgIdNaoConfere : regras_.msgPedidoInvalido);
  return elemento;
}

// The reply element of the request (a lot reply may answer several events: the one of the key).
std::string TvxnNFeXmlProcDestinatario::ElementoRetorno(const std::string& retorno,
                                                        const std::string& chave) const {
  std::string elemento;
  if (TvxnGovUtils().IsValidXml(retorno))
    elemento = ElementoQueContem(retorno, regras_.elementoRetorno, chave);
  if (elemento.empty()) {
    if (!regras_.msgSemRetorno.empty())
      throw EvxnEventoRetException(regras_.msgSemRetorno, logDirErro_);
    Recusar(regras_.msgRetornoInvalido);
  }
  return elemento;
}

// ---- The kinds ------------------------------------------------------------------------------------------

TvxnNFeXmlCancelamentoDestinatario::TvxnNFeXmlCancelamentoDestinatario()
    : TvxnNFeXmlProcDestinatario({.marcadoresPedido = {"infCanc"},
                                  .elementoPedido = "cancNFe",
                                  .elementoRetorno = "retCancNFe",
                                  .msgPedidoInvalido = std::string(kMsgPedidoCancelamento),
                                  .msgRetornoInvalido = std::string(kMsgRetornoCancelamento),
                                  .msgIdNaoConfere = std::string(kMsgIdCancelamento),
                                  .compararChaves = true,
                                  .cStatAceitos = {"101", "151"},
                                  .msgStatus = std::string(kMsgStatusCancelamento),
                                  .msgSemRetorno = {}}) {}

TvxnNFeEventoXmlCancelamentoDestinatario::TvxnNFeEventoXmlCancelamentoDestinatario()
    : TvxnNFeXmlProcDestinatario({.marcadoresPedido = {"infEvento", "<tpevento>110111</tpevento>"},
                                  .elementoPedido = "evento",
                                  .elementoRetorno = "retEvento",
                                  .msgPedidoInvalido = std::string(kMsgPedidoCancelamento),
                                  .msgRetornoInvalido = std::string(kMsgRetornoCancelamento),
                                  .msgIdNaoConfere = std::string(kMsgIdCancelamento),
                                  .compararChaves = true,
                                  .cStatAceitos = {"135", "155"},
                                  .msgStatus = std::string(kMsgStatusCancelamento),
                                  .msgSemRetorno = "Não foi possível encontrar a tag RetEvento do XML."}) {}

TvxnNFeEventoXmlManifestacaoDestinatario::TvxnNFeEventoXmlManifestacaoDestinatario(std::string_view tpEvento)
    : TvxnNFeXmlProcDestinatario(
          {.marcadoresPedido = {"infEvento", "<tpevento>" + std::string(tpEvento) + "</tpevento>"},
           .elementoPedido = "evento",
           .elementoRetorno = "retEvento",
           .msgPedidoInvalido = "O conteúdo do Log de pedido de Manifestação é inválido.",
           .msgRetornoInvalido = "O conteúdo do Log de Retorno de Manifestação é inválido.",
           .msgIdNaoConfere = std::string(kMsgIdCancelamento),
           .compararChaves = true,
           .cStatAceitos = {"135", "136"},
           .msgStatus = "Não se trata de um manifesto de destinatário.",
           .msgSemRetorno = "Não foi possível encontrar a tag RetEvento do XML."}) {}

TvxnEventosXmlDestinatario::TvxnEventosXmlDestinatario()
    : TvxnNFeXmlProcDestinatario(
          {.marcadoresPedido = {"infEvento"},
           .elementoPedido = "evento",
           .elementoRetorno = "retEvento",
           .msgPedidoInvalido = "O conteúdo do Log de pedido do Evento é inválido.",
           .msgRetornoInvalido = "O conteúdo do Log de Retorno do Evento é inválido.",
           .msgIdNaoConfere = "ID informado não confere com o ID do log de pedido do evento.",
           .compararChaves = true,
           .cStatAceitos = {"135", "136"},
           .msgStatus = "O evento não está autorizado.",
           .msgSemRetorno = "Não foi possível encontrar a tag RetEvento do XML."}) {}

TvxnNFeInutilizacaoDestinatario::TvxnNFeInutilizacaoDestinatario()
    : TvxnNFeXmlProcDestinatario(
          {.marcadoresPedido = {},
           .elementoPedido = "inutNFe",
           .elementoRetorno = "retInutNFe",
           .msgPedidoInvalido = {},
           .msgRetornoInvalido = {},
           .msgIdNaoConfere = "ID informado não confere com a chave do log de pedido de Inutilização.",
           .compararChaves = false,
           .cStatAceitos = {"102"},
           .msgStatus = "Não se trata de uma inutilização de faixa homologada.",
           .msgSemRetorno = "Não foi possível encontrar a tag RetInut do XML."}) {}

bool TvxnNFeInutilizacaoDestinatario::IdConfere(const std::string& pedido) const {
  TvxnGovUtils utils;
  if (!utils.IsValidXml(pedido))
    return false;
  std::string idPedido;
  if (!utils.XPathSelectSingleNode(pedido, ".//tec:infInut/@Id", idPedido))
    return false;
  const std::string id = StartsWithText(Id(), "ID") ? Id() : "ID" + Id();
  return ContainsText(idPedido, id);
}

// ---- The component's free functions -------------------------------------------------------------------

std::string GerarXMLCancelamentoDestinatario(const TvxnDestinatarioConfig& config, std::string_view chave,
                                             std::string_view pedido, std::string_view retorno,
                                             std::string_view salvarComo) {
  const std::string textoPedido = TvxnNFeXMLLogs::LoadLog(pedido, config.DiretorioLog);
  const std::string textoRetorno = TvxnNFeXMLLogs::LoadLog(retorno, config.DiretorioLog);
  TvxnGovUtils utils;
  std::string evento;
  const bool porEvento =
      utils.IsValidXml(LimparXmlLog(textoPedido)) &&
      utils.XPathSelectSingleNode(LimparXmlLog(textoPedido), PorNomeLocal("evento"), evento);
  std::unique_ptr<TvxnNFeXmlProcDestinatario> builder;
  if (porEvento) {
    builder = std::make_unique<TvxnNFeEventoXmlCancelamentoDestinatario>();
    builder->SetId("110111" + std::string(chave) + "01");
    builder->SetTemplate(CarregarTemplate(config, "eventoxml_dest.xml"));
  } else {
    builder = std::make_unique<TvxnNFeXmlCancelamentoDestinatario>();
    builder->SetId(chave);
    builder->SetTemplate(CarregarTemplate(config, "cancxml_dest.xml"));
  }
  builder->SetLogPedido(textoPedido);
  builder->SetLogRetorno(textoRetorno);
  builder->SetDiretorioLogErro(config.DiretorioLogErro);
  return SalvarSeInformado(builder->GerarXmlDestinatario(), salvarComo, config);
}

std::string GerarXMLInutilizacaoDestinatario(const TvxnDestinatarioConfig& config, std::string_view id,
                                             std::string_view pedido, std::string_view retorno,
                                             std::string_view salvarComo) {
  TvxnNFeInutilizacaoDestinatario builder;
  builder.SetId(id);
  builder.SetLogPedido(TvxnNFeXMLLogs::LoadLog(pedido, config.DiretorioLog));
  builder.SetLogRetorno(TvxnNFeXMLLogs::LoadLog(retorno, config.DiretorioLog));
  builder.SetTemplate(CarregarTemplate(config, "inutxml_dest.xml"));
  builder.SetDiretorioLogErro(config.DiretorioLogErro);
  return SalvarSeInformado(builder.GerarXmlDestinatario(), salvarComo, config);
}

} // namespace vxn
