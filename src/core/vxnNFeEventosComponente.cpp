// The component's event operations: each hands its configuration to the events object it owns and
// forwards the call (vxnNFeEventos.h builds, signs and sends).
#include "vxnNFe.h"

#include "events/vxnNFeEventos.h"
#include "vxnGovUtils.h"
#include "vxnGovX.h"
#include "vxnNFeException.h"
#include "vxnNFeSettings.h"
#include "vxnTelemetriaOperacao.h"

namespace vxn {

TvxnNFeEventos& TvxnNFe::GetEventos() {
  if (!eventos_)
    eventos_ = std::make_unique<TvxnNFeEventos>(GetGov(), GetGovUtils(), GetEmailSettings());
  return *eventos_;
}

void TvxnNFe::AtualizaDadosNFeEventos() {
  UpdateNFeData();
  ConfigurarPropriedades();
  TvxnNFeEventos& e = GetEventos();
  e.SetValidarEsquemaAntesEnvio(GetValidarEsquemaAntesEnvio());
  e.SetOnLog(GetOnLog());
  e.SetCNPJ(GetCNPJ());
  e.SetArquivoServidoresProd(GetArquivoServidoresProd());
  e.SetArquivoServidoresHom(GetArquivoServidoresHom());
  e.SetDiretorioEsquemas(GetDiretorioEsquemas());
  e.SetDiretorioLog(GetDiretorioLog());
  e.SetDiretorioTemplates(GetDiretorioTemplates());
  e.SetAmbiente(GetAmbiente());
  e.SetUF(GetUF());
  e.SetUFWS(GetUF());
  e.SetDiretorioXmlDestinatario(GetDiretorioXmlDestinatario());
  e.SetVersaoManual(GetVersaoManual());
  e.SetDiretorioLogErro(GetDiretorioLogErro());
  e.SetModoOperacao(GetModoOperacao());
  e.SetSalvarLogsEmDisco(GetSalvarLogsEmDisco());
  e.SetGerarXmlEPEC(GetSalvarLogsEmDisco());
  e.SetCaracteresRemoverAcentos(GetCaracteresRemoverAcentos());
  e.SetTelemetria(&GetTelemetria());
  e.SetOnXmlCanDestinatario(GetOnXmlCanDestinatario());
  e.SetOnXmlEventoDestinatario(GetOnXmlDestinatario());
  e.SetOnXmlManDestinatario(GetOnXmlDestinatario());
  e.SetDiretorioDownloads(GetDiretorioDownloads());
  e.SetOnDownloadNFe(GetOnDownloadNFe());
}

std::string TvxnNFe::EnviarCCe(std::string_view chave, std::string_view correcao, std::string_view orgao,
                               std::string_view dataHora, std::string_view fuso, int sequencia,
                               std::string_view lote) {
  return ComTelemetria(GetTelemetria(), "EnviarCCe", [&] {
    AtualizaDadosNFeEventos();
    return GetEventos().EnviarCCe(chave, correcao, orgao, dataHora, fuso, sequencia, lote);
  });
}

std::string TvxnNFe::EnviarCCe(std::string_view lote, std::string_view xml) {
  return ComTelemetria(GetTelemetria(), "EnviarCCe", [&] {
    AtualizaDadosNFeEventos();
    return GetEventos().EnviarCCe(lote, xml);
  });
}

std::string TvxnNFe::CancelarNFeEvento(std::string_view chave, std::string_view protocolo,
                                       std::string_view justificativa, std::string_view dataHora,
                                       std::string_view fuso, int sequencia, std::string_view lote) {
  return ComTelemetria(GetTelemetria(), "CancelarNFeEvento", [&] {
    AtualizaDadosNFeEventos();
    return GetEventos().CancelarNFeEvento(chave, protocolo, justificativa, dataHora, fuso, sequencia, lote);
  });
}

std::string TvxnNFe::CancelarNFeEventoSubstituicao(std::string_view chave, std::string_view protocolo,
                                                   std::string_view justificativa,
                                                   std::string_view chaveSubstituta,
                                                   std::string_view verAplic, std::string_view dataHora,
                                                   std::string_view fuso, int sequencia,
                                                   std::string_view lote) {
  return ComTelemetria(GetTelemetria(), "CancelarNFeEventoSubstituicao", [&] {
    AtualizaDadosNFeEventos();
    return GetEventos().CancelarNFeEventoSubstituicao(chave, protocolo, justificativa, chaveSubstituta,
                                                      verAplic, dataHora, fuso, sequencia, lote);
  });
}

std::string TvxnNFe::EnviarManifestacaoDestinatario(int tipo, std::string_view chave,
                                                    std::string_view justificativa, std::string_view dataHora,
                                                    std::string_view fuso, std::string_view lote,
                                                    int sequencia) {
  return ComTelemetria(GetTelemetria(), "EnviarManifestacaoDestinatario", [&] {
    AtualizaDadosNFeEventos();
    GetEventos().ConfigurarWsNacional();
    return GetEventos().ManifestacaoDestinatario(tipo, chave, justificativa, dataHora, fuso, lote, sequencia);
  });
}

std::string TvxnNFe::MontarXmlEPEC(std::string_view lote, std::string_view xmlEnvio,
                                   std::string_view dataHora, std::string_view fuso) {
  return ComTelemetria(GetTelemetria(), "MontarXmlEPEC", [&] {
    AtualizaDadosNFeEventos();
    GetEventos().ConfigurarWsNacional();
    return GetEventos().MontarXmlEPEC(lote, xmlEnvio, dataHora, fuso);
  });
}

std::string TvxnNFe::EnviarEPEC(std::string_view loteEPEC) {
  return ComTelemetria(GetTelemetria(), "EnviarEPEC", [&] {
    AtualizaDadosNFeEventos();
    GetEventos().ConfigurarWsNacional();
    return GetEventos().EnviarEPEC(loteEPEC);
  });
}

std::string TvxnNFe::EnviarComprovanteEntrega(std::string_view chave, std::string_view orgao,
                                              std::string_view orgaoAutor, std::string_view tpAutor,
                                              std::string_view verAplic, std::string_view dataHoraEntrega,
                                              std::string_view nDoc, std::string_view nome,
                                              std::string_view latitude, std::string_view longitude,
                                              std::string_view imagem, std::string_view dataHora,
                                              std::string_view fuso, int sequencia, std::string_view lote) {
  return ComTelemetria(GetTelemetria(), "EnviarComprovanteEntrega", [&] {
    AtualizaDadosNFeEventos();
    GetEventos().ConfigurarWsNacional();
    return GetEventos().EnviarComprovanteEntrega(chave, orgao, orgaoAutor, tpAutor, verAplic, dataHoraEntrega,
                                                 nDoc, nome, latitude, longitude, imagem, dataHora, fuso,
                                                 sequencia, lote);
  });
}

std::string TvxnNFe::CancelarComprovanteEntrega(std::string_view chave, std::string_view orgao,
                                                std::string_view orgaoAutor, std::string_view tpAutor,
                                                std::string_view verAplic, std::string_view protocoloEntrega,
                                                std::string_view dataHora, std::string_view fuso,
                                                int sequencia, std::string_view lote) {
  return ComTelemetria(GetTelemetria(), "CancelarComprovanteEntrega", [&] {
    AtualizaDadosNFeEventos();
    GetEventos().ConfigurarWsNacional();
    return GetEventos().CancelarComprovanteEntrega(chave, orgao, orgaoAutor, tpAutor, verAplic,
                                                   protocoloEntrega, dataHora, fuso, sequencia, lote);
  });
}

std::string TvxnNFe::EnviarAtorInteressado(std::string_view chave, std::string_view orgao,
                                           std::string_view orgaoAutor, std::string_view tpAutor,
                                           std::string_view verAplic, std::string_view autorizado,
                                           TTipoAutorizacaoAtorInter tipo, std::string_view dataHora,
                                           std::string_view fuso, int sequencia, std::string_view lote) {
  return ComTelemetria(GetTelemetria(), "EnviarAtorInteressado", [&] {
    AtualizaDadosNFeEventos();
    GetEventos().ConfigurarWsNacional();
    return GetEventos().EnviarAtorInteressado(chave, orgao, orgaoAutor, tpAutor, verAplic, autorizado, tipo,
                                              dataHora, fuso, sequencia, lote);
  });
}

void TvxnNFe::AdicionarItens(std::string_view item, std::string_view quantidade) {
  GetEventos().ItensQuantidade().Adicionar(item, quantidade);
}

std::string TvxnNFe::EnviarPedidoProrrogacao(std::string_view chave, std::string_view protocolo,
                                             TTipoPedidoProrrogacao tipo, std::string_view dataHora,
                                             std::string_view fuso, int sequencia, std::string_view lote) {
  return ComTelemetria(GetTelemetria(), "EnviarPedidoProrrogacao", [&] {
    AtualizaDadosNFeEventos();
    return GetEventos().EnviarPedidoProrrogacao(chave, protocolo, tipo, dataHora, fuso, sequencia, lote);
  });
}

std::string TvxnNFe::CancelarPedidoProrrogacao(std::string_view chave, std::string_view protocolo,
                                               TTipoCancelamentoPedidoProrrogacao tipo,
                                               std::string_view dataHora, std::string_view fuso,
                                               int sequencia, std::string_view lote) {
  return ComTelemetria(GetTelemetria(), "CancelarPedidoProrrogacao", [&] {
    AtualizaDadosNFeEventos();
    return GetEventos().CancelarPedidoProrrogacao(chave, protocolo, tipo, dataHora, fuso, sequencia, lote);
  });
}

std::string TvxnNFe::MontarXMLEventoFisco(std::string_view chave, std::string_view orgao,
                                          std::string_view tpEvento,
                                          const std::vector<TvxnItemRespostaPedido>& itens,
                                          const TvxnRespostaCancelamentoPedido& cancelamento,
                                          std::string_view dataHora, std::string_view fuso, int sequencia) {
  return ComTelemetria(GetTelemetria(), "MontarXMLEventoFisco", [&] {
    AtualizaDadosNFeEventos();
    return GetEventos().MontarXMLEventoFisco(chave, orgao, tpEvento, itens, cancelamento, dataHora, fuso,
                                             sequencia);
  });
}

std::string TvxnNFe::EnviarEventoFisco(std::string_view chave, std::string_view orgao,
                                       std::string_view tpEvento,
                                       const std::vector<TvxnItemRespostaPedido>& itens,
                                       const TvxnRespostaCancelamentoPedido& cancelamento,
                                       std::string_view dataHora, std::string_view fuso, int sequencia,
                                       std::string_view lote) {
  return ComTelemetria(GetTelemetria(), "EnviarEventoFisco", [&] {
    AtualizaDadosNFeEventos();
    return GetEventos().EnviarEventoFisco(chave, orgao, tpEvento, itens, cancelamento, dataHora, fuso,
                                          sequencia, lote);
  });
}

std::string TvxnNFe::AssinarCCe(std::string_view xml) {
  return ComTelemetria(GetTelemetria(), "AssinarCCe", [&] {
    AtualizaDadosNFeEventos();
    return GetEventos().AssinarCCe(xml);
  });
}

std::string TvxnNFe::AssinarEPEC(std::string_view xml) {
  return ComTelemetria(GetTelemetria(), "AssinarEPEC", [&] {
    AtualizaDadosNFeEventos();
    return GetEventos().AssinarEPEC(xml);
  });
}

std::string TvxnNFe::GerarXMLCCeDestinatario(std::string_view evento, std::string_view retorno) {
  AtualizaDadosNFeEventos();
  return GetEventos().GerarXMLCCeDestinatario(evento, retorno);
}

std::string TvxnNFe::GerarXMLManifestoDestinatario(std::string_view evento, std::string_view retorno) {
  AtualizaDadosNFeEventos();
  return GetEventos().GerarXMLManifestoDestinatario(evento, retorno);
}

std::string TvxnNFe::GerarXMLEPECDestinatario(std::string_view evento, std::string_view retorno) {
  AtualizaDadosNFeEventos();
  return GetEventos().GerarXMLEPECDestinatario(evento, retorno);
}

std::string TvxnNFe::GerarXMLComprovanteEntregaDestinatario(std::string_view evento,
                                                            std::string_view retorno) {
  AtualizaDadosNFeEventos();
  return GetEventos().GerarXMLDestinatarioComprovanteEntrega(evento, retorno);
}

std::string TvxnNFe::GerarXMLCancelamentoComprovanteEntregaDestinatario(std::string_view evento,
                                                                        std::string_view retorno) {
  AtualizaDadosNFeEventos();
  return GetEventos().GerarXMLDestinatarioCancelamentoComprovanteEntrega(evento, retorno);
}

void TvxnNFe::PreparaImpressaoCCe() {
  AtualizaDadosNFeEventos();
  TDanfeSettings& d = GetDanfeSettings();
  TvxnImpressaoCCeSettings& cce = GetEventos().ImpressaoCCeSettings();
  cce.ModeloRTM = d.GetModeloRTMCCe();
  cce.QtdeCopias = d.GetQtdeCopias();
  cce.LogotipoEmitente = d.GetLogotipoEmitente();
  cce.LineDelimiter = d.GetLineDelimiter();
  GetEventos().SetDanfe(&GetDanfe());
}

void TvxnNFe::ImprimirCCe(std::string_view xml, std::string_view impressora) {
  ComTelemetria(GetTelemetria(), "ImprimirCCe", [&] {
    PreparaImpressaoCCe();
    GetEventos().ImprimirCCe(xml, impressora);
  });
}

void TvxnNFe::VisualizarCCe(std::string_view xml) {
  ComTelemetria(GetTelemetria(), "VisualizarCCe", [&] {
    PreparaImpressaoCCe();
    GetEventos().VisualizarCCe(xml);
  });
}

void TvxnNFe::ExportarCCe(std::string_view xml, std::string_view arquivo, int formato) {
  ComTelemetria(GetTelemetria(), "ExportarCCe", [&] {
    PreparaImpressaoCCe();
    GetEventos().ExportarCCe(xml, arquivo, formato);
  });
}

void TvxnNFe::EditarModeloCCe(std::string_view xml) {
  ComTelemetria(GetTelemetria(), "EditarModeloCCe", [&] {
    PreparaImpressaoCCe();
    GetEventos().EditarModeloCCe(xml);
  });
}

std::string TvxnNFe::ConsultarDistribuicaoDFe(std::string_view cUFAutor, std::string_view cnpjCpf,
                                              std::string_view nsu, TNSUKind kind) {
  return ComTelemetria(GetTelemetria(), "ConsultarDistribuicaoDFe", [&] {
    AtualizaDadosNFeEventos();
    return GetEventos().ConsultarDistribuicaoDFe(cUFAutor, cnpjCpf, nsu, kind, "");
  });
}

std::string TvxnNFe::ConsultarDistribuicaoDFeChave(std::string_view cUFAutor, std::string_view cnpjCpf,
                                                   std::string_view chave) {
  return ComTelemetria(GetTelemetria(), "ConsultarDistribuicaoDFeChave", [&] {
    AtualizaDadosNFeEventos();
    return GetEventos().ConsultarDistribuicaoDFe(cUFAutor, cnpjCpf, "000000000000000", nkConsChNFe, chave);
  });
}

void TvxnNFe::ConsultarNFeDestinadas(int, int, std::string_view) {
  Obsoleta("ConsultarNFeDestinadas", "ConsultarDistribuicaoDFe");
}

void TvxnNFe::DownloadNFe(std::string_view) {
  Obsoleta("DownloadNFe", "ConsultarDistribuicaoDFeChave");
}

void TvxnNFe::Obsoleta(std::string_view operacao, std::string_view substituta) {
  GetTelemetria().Ping(operacao);
  EvxnNFeDeprecatedException erro("O método %s está obsoleto. Utilize: %s", {operacao, substituta},
                                  GetDiretorioLogErro());
  GetTelemetria().Excecao(operacao, erro.ClassName(), erro.Message());
  throw erro;
}

} // namespace vxn
