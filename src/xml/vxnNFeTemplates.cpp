#include "xml/vxnNFeTemplates.h"

#include "vxnText.h"
#include "xml/vxnNFeTemplateVersaoUFEstados.h"

#include <array>
#include <memory>
#include <utility>

namespace vxn {

namespace {

using T = TvxnNFeTemplateVersaoUF;
using Getter = std::string (*)(const T&);

// Template names (lower case) and the getter each one calls.
const std::array<std::pair<std::string_view, Getter>, 49> kNames{{
    {"pedido_status.xml", [](const T& t) { return t.getPedidoStatus_Xml(); }},
    {"pedido_status.soap", [](const T& t) { return t.getPedidoStatus_Soap(); }},
    {"pedido_consultanf.xml", [](const T& t) { return t.getPedidoConsultaNf_Xml(); }},
    {"pedido_consultanf.soap", [](const T& t) { return t.getPedidoConsultaNf_Soap(); }},
    {"pedido_consultarecibo.xml", [](const T& t) { return t.getPedidoConsultaRecibo_Xml(); }},
    {"pedido_consultarecibo.soap", [](const T& t) { return t.getPedidoConsultaRecibo_Soap(); }},
    {"pedido_enviarnota.xml", [](const T& t) { return t.getPedidoEnviarNota_Xml(); }},
    {"pedido_enviarnfe.soap", [](const T& t) { return t.getPedidoEnviarNfe_Soap(); }},
    {"pedido_enviarnfezip.soap", [](const T& t) { return t.getPedidoEnviarNfeZip_Soap(); }},
    {"pedido_inutilizarnf.xml", [](const T& t) { return t.getPedidoInutilizarNf_Xml(); }},
    {"pedido_inutilizarnf.soap", [](const T& t) { return t.getPedidoInutilizarNf_Soap(); }},
    {"pedido_consultacadastro.xml", [](const T& t) { return t.getPedidoConsultaCadastro_Xml(); }},
    {"pedido_consultacadastro.soap", [](const T& t) { return t.getPedidoConsultaCadastro_Soap(); }},
    {"cabec_consultacadastro.xml", [](const T& t) { return t.getCabecConsultaCadastro_Xml(); }},
    {"cabec_consultanf.xml", [](const T& t) { return t.getCabecConsultaNf_Xml(); }},
    {"cabec_enviarnota.xml", [](const T& t) { return t.getCabecEnviarNota_Xml(); }},
    {"assinar_nota.xml", [](const T& t) { return t.getAssinarNota_Xml(); }},
    {"assinar_inutilizacao.xml", [](const T& t) { return t.getAssinarInutilizacao_Xml(); }},
    {"assinarevento.xml", [](const T& t) { return t.getAssinarEvento_Xml(); }},
    {"infinut_inutilizarnf.xml", [](const T& t) { return t.getInfInutInutilizarNf_Xml(); }},
    {"signature_info.xml", [](const T& t) { return t.getSignatureInfo_Xml(); }},
    {"envioxml_dest.xml", [](const T& t) { return t.getEnvioXmlDest_Xml(); }},
    {"resposta_eventodownloadnfe.xml", [](const T& t) { return t.getRespostaEventoDownloadNFe_Xml(); }},
    {"cancxml_dest.xml", [](const T& t) { return t.getCancXmlDest_Xml(); }},
    {"inutxml_dest.xml", [](const T& t) { return t.getInutXmlDest_Xml(); }},
    {"eventoxml_dest.xml", [](const T& t) { return t.getEventoXmlDest_Xml(); }},
    {"manxmlevento_dest.xml", [](const T& t) { return t.getManXmlEventoDest_Xml(); }},
    {"evento_envio.xml", [](const T& t) { return t.getEventoEnvio_Xml(); }},
    {"evento_enviocancelar.xml", [](const T& t) { return t.getEventoEnvio_Xml(); }},
    {"enviocce.xml", [](const T& t) { return t.getEventoEnvio_Xml(); }},
    {"envioepec.xml", [](const T& t) { return t.getEventoEnvio_Xml(); }},
    {"envio_manifestacaodestinatario.xml", [](const T& t) { return t.getEventoEnvio_Xml(); }},
    {"envio.soap", [](const T& t) { return t.getEnvio_Soap(); }},
    {"eventocce.xml", [](const T& t) { return t.getEventoCCe_Xml(); }},
    {"evento_cancelar.xml", [](const T& t) { return t.getEventoCancelar_Xml(); }},
    {"evento_epec.xml", [](const T& t) { return t.getEventoEpec_Xml(); }},
    {"evento_manifestacaodestinatariocnpj.xml",
     [](const T& t) { return t.getEventoManifestacaoDestinatario_Xml("CNPJ"); }},
    {"evento_manifestacaodestinatariocpf.xml",
     [](const T& t) { return t.getEventoManifestacaoDestinatario_Xml("CPF"); }},
    {"evento_pedidoprorrogacao.xml", [](const T& t) { return t.getEventoPedidoProrrogacao_Xml(); }},
    {"evento_cancelarpedidoprorrogacao.xml",
     [](const T& t) { return t.getEventoCancelarPedidoProrrogacao_Xml(); }},
    {"evento_envioatorinteressado.xml", [](const T& t) { return t.getEventoAtorInteressado_Xml(); }},
    {"evento_enviocomprovanteentrega.xml", [](const T& t) { return t.getEventoComprovanteEntrega_Xml(); }},
    {"evento_cancelacomprovanteentrega.xml",
     [](const T& t) { return t.getEventoCancelaComprovanteEntrega_Xml(); }},
    {"consulta_nfdestinadas.xml", [](const T& t) { return t.getConsultaNfDestinadas_Xml(); }},
    {"consulta_dest.soap", [](const T& t) { return t.getConsultaDest_Soap(); }},
    {"consulta_distribuicaodfe.xml", [](const T& t) { return t.getConsultaDistribuicaoDfe_Xml(); }},
    {"consulta_dfe.soap", [](const T& t) { return t.getConsultaDfe_Soap(); }},
    {"evento_downloadnfe.xml", [](const T& t) { return t.getEventoDownloadNFe_Xml(); }},
    {"evento_downloadnfe.soap", [](const T& t) { return t.getEventoDownloadNFe_Soap(); }},
}};

} // namespace

std::string TvxnNFeTemplates::LoadTemplate(TVersaoManual versao, std::string_view uf, std::string_view name) {
  const std::unique_ptr<T> set = CreateTemplateVersaoUF(uf);
  set->setVersaoManual(versao);
  const std::string key = AsciiLower(name);
  for (const auto& [templateName, getter] : kNames) {
    if (templateName == key)
      return getter(*set);
  }
  return {};
}

} // namespace vxn
