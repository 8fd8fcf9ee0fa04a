// The engine behind every NF-e event: the event identifier, the signing of every infEvento of a batch,
// the envEvento lot, its schema and size checks, the choice of the event service's address from the
// servers file by operating mode (the national environment included), posting, the XML logs and the
// distribution XML of an accepted event. The kinds of event (which fields, which template, which
// tpEvento) are built by TvxnNFeEventos (vxnNFeEventos.h).
//
// The NF-e component owns one events object, lends it its government-services objects and copies its
// configuration into it before every operation (TvxnNFe::AtualizaDadosNFeEventos); the object never
// reads the component's configuration itself. Every failure is an exception of the events family
// (EvxnNFeEventosException) carrying DiretorioLogErro, so it is logged to "nfeeventos_exception.log".
#pragma once

#include "vxnNFeSettings.h"
#include "vxnNFeType.h"
#include "vxnStringList.h"

#include <memory>
#include <string>
#include <string_view>

namespace vxn {

class TvxnGovX;
class TvxnGovUtils;
class TvxnIniFile;
class TvxnTelemetria;

class TvxnEventos {
public:
  // The three objects are borrowed from the component, never freed here.
  TvxnEventos(TvxnGovX& gov, TvxnGovUtils& utils, TvxnEmailSettings& emailSettings);
  virtual ~TvxnEventos();
  TvxnEventos(const TvxnEventos&) = delete;
  TvxnEventos& operator=(const TvxnEventos&) = delete;

  // ---- Properties (copied from the component before every operation) ----------------------------------

  bool GetValidarEsquemaAntesEnvio() const { return validarEsquema_; }
  void SetValidarEsquemaAntesEnvio(bool v) { validarEsquema_ = v; }
  const TOnLogEventNFe& GetOnLog() const { return onLog_; }
  void SetOnLog(TOnLogEventNFe v) { onLog_ = std::move(v); }
  // CNPJ (14 digits) or CPF (11 digits) of the event's author.
  const std::string& GetCNPJ() const { return cnpj_; }
  void SetCNPJ(std::string_view v) { cnpj_ = v; }
  const std::string& GetArquivoServidoresProd() const { return arquivoServidoresProd_; }
  void SetArquivoServidoresProd(std::string_view v) { arquivoServidoresProd_ = v; }
  const std::string& GetArquivoServidoresHom() const { return arquivoServidoresHom_; }
  void SetArquivoServidoresHom(std::string_view v) { arquivoServidoresHom_ = v; }
  // Folder of the XSD files and "Mapping.txt".
  const std::string& GetDiretorioEsquemas() const { return diretorioEsquemas_; }
  void SetDiretorioEsquemas(std::string_view v) { diretorioEsquemas_ = v; }
  const std::string& GetDiretorioLog() const { return diretorioLog_; }
  void SetDiretorioLog(std::string_view v) { diretorioLog_ = v; }
  const std::string& GetDiretorioTemplates() const { return diretorioTemplates_; }
  void SetDiretorioTemplates(std::string_view v) { diretorioTemplates_ = v; }
  TvxnEmailSettings& GetEmailSettings() { return emailSettings_; }
  TAmbienteKind GetAmbiente() const { return ambiente_; }
  void SetAmbiente(TAmbienteKind v) { ambiente_ = v; }
  virtual const std::string& GetDataHoraEvento() const { return dataHoraEvento_; }
  virtual void SetDataHoraEvento(std::string_view v) { dataHoraEvento_ = v; }
  virtual int GetSeqEvento() const { return seqEvento_; }
  virtual void SetSeqEvento(int v) { seqEvento_ = v; }
  virtual const std::string& GetOrgao() const { return orgao_; }
  virtual void SetOrgao(std::string_view v) { orgao_ = v; }
  // State of the issuer: the cUF of the SOAP header and the template set.
  virtual const std::string& GetUF() const { return uf_; }
  virtual void SetUF(std::string_view v) { uf_ = v; }
  // Section of the servers file that gives the service address.
  const std::string& GetUFWS() const { return ufws_; }
  void SetUFWS(std::string_view v) { ufws_ = v; }
  const std::string& GetDiretorioXmlDestinatario() const { return diretorioXmlDestinatario_; }
  void SetDiretorioXmlDestinatario(std::string_view v) { diretorioXmlDestinatario_ = v; }
  TVersaoManual GetVersaoManual() const { return versaoManual_; }
  void SetVersaoManual(TVersaoManual v) { versaoManual_ = v; }
  const std::string& GetDiretorioLogErro() const { return diretorioLogErro_; }
  void SetDiretorioLogErro(std::string_view v) { diretorioLogErro_ = v; }
  TModoOperacao GetModoOperacao() const { return modoOperacao_; }
  void SetModoOperacao(TModoOperacao v) { modoOperacao_ = v; }
  // Whether logs and distribution files are written to disk.
  bool GetSalvarLogsEmDisco() const { return salvarLogsEmDisco_; }
  void SetSalvarLogsEmDisco(bool v) { salvarLogsEmDisco_ = v; }
  // Telemetry client of the component (borrowed; none means no telemetry).
  void SetTelemetria(const TvxnTelemetria* t) { telemetria_ = t; }
  // The 28 rows "UF=code" of the state code table, the national environment last ("AN=91").
  const TvxnStringList& GetUFList() const { return ufList_; }

  // ---- Identifiers ---------------------------------------------------------------------------------------

  // "ID" + tpEvento + key + the sequence with at least two digits: 54 characters for a valid key.
  virtual std::string GerarIdEvento(std::string_view chave, int sequencia);
  // "#" followed by the 54 characters after the first `<infEvento Id="`; EvxnEventosException
  // "Campo \"Id\" não encontrado para nota fiscal" when there is none.
  virtual std::string ObterValorIdEvento(std::string_view xml);
  // The six-digit tpEvento of the event being built.
  virtual std::string ObterTpEvento() const = 0;

  // ---- Signing
  // ---------------------------------------------------------------------------------------------

  // Signs every infEvento of the text and returns the signed evento elements joined in document order.
  virtual std::string AssinarEvento(std::string_view xml);
  // Every "º" becomes "o" and the event goes into the evento element of "assinarEvento.xml".
  virtual std::string PrepararXMLAssinar(std::string_view evento);
  virtual void LimparXMLAssinado(std::string& xml);
  // Inside KeyInfo and SignatureValue, runs of two blanks are removed until none is left.
  virtual void RemoveEspacosAssinatura(std::string& xml);

  // ---- Sending
  // ---------------------------------------------------------------------------------------------

  // Wraps the signed events in the envelope template, checks, logs, posts and returns the unwrapped
  // reply. Empty log names become "env-lot" and "rec". A signed reply whose signature does not verify
  // raises EvxnEventoRetException once it is logged.
  std::string EnviarEvento(std::string_view lote, std::string_view eventosAssinados,
                           std::string_view templateEnvio, std::string_view comando,
                           std::string_view logEnvio, std::string_view logRetorno);
  void VerificarAssinaturaRetorno(std::string_view resposta) const;
  // EnviarEvento with "evento_enviocancelar.xml", "ENVIOCANCEVENTO", "caneve-env" and "caneve-ret";
  // failures become EvxnEventosException "Erro ao cancelar NF-e por evento: " + cause.
  std::string CancelarEvento(std::string_view lote, std::string_view eventosAssinados);
  // The signature and schema checks of a lot before it is sent.
  void ValidarLoteParaEnvio(std::string_view xml, std::string_view comando);
  // Validates against the XSD that "Mapping.txt" names for the command.
  virtual void ValidarXmlEvento(std::string_view xml, std::string_view comando);
  virtual std::string GetURIEsquema() const;
  virtual std::string GetXSDFileName(std::string_view comando);
  // size = characters / 1000.0; above the limit (strictly) EvxnEventoMaxSizeException.
  virtual bool ValidarTamanhoArquivoEnvio(std::string_view xml, int limiteKB);
  // The service address of the key for the environment and operating mode.
  virtual std::string ObterEnderecoWS(std::string_view servico);
  virtual bool ChecarEnderecoWs(std::string_view servico);
  // The national environment: UF and UFWS become "AN".
  void ConfigurarWsNacional();
  // Posts the lot to the event reception service and returns the whole SOAP reply.
  virtual std::string EnviarPorSoap(std::string_view xml);
  virtual std::string EnviarPorSoap(std::string_view xml, std::string_view servico);
  virtual std::string EnveloparSoapEnvio(std::string_view xml);

  // ---- Queries of the national environment (vxnNFeEventosConsultas.cpp) ----------------------------------
  // Their addresses come from section "AN" of the servers file (the section of the operating mode when
  // "AN" lacks the key).

  // The transport of the distribution query: checks the certificate and the request against the schema of
  // "DISTRIBUICAODFE", logs it (`logEnvio`, "env-dfe" when empty), posts it to the distribution service
  // (key "nfeConsultaDFe"), logs the reply (`logRetorno`, "ret-dfe" when empty) and puts the unwrapped
  // retDistDFeInt into `retorno`.
  void ConsultarDFe(std::string_view xml, std::string_view logEnvio, std::string& retorno,
                    std::string_view logRetorno);
  virtual std::string EnveloparConsultaDFeSoap(std::string_view xml);
  // Posts a distribution request with "consulta_dfe.soap" to "nfeConsultaDFe"; the whole SOAP reply.
  virtual std::string ConsultarDFePorSoap(std::string_view xml);
  // The other posting of the same request, not used by ConsultarDFe: "consulta_dest.soap" (with the cUF
  // of UF in its header where the template has one) to "nfeDistDFeInteresse"; the whole SOAP reply.
  virtual std::string DistribuicaoDFePorSoap(std::string_view xml);
  // The legacy query of the documents addressed to the taxpayer: checks the request against the schema
  // of "CONSULTADESTINADAS", logs it ("cons-env" when empty), posts it with ConsultarPorSoap, logs the
  // reply ("cons-ret" when empty) and returns the unwrapped retConsNFeDest.
  std::string ConsultarEvento(std::string_view xml, std::string_view logEnvio = {},
                              std::string_view logRetorno = {});
  virtual std::string EnveloparConsultaDestSoap(std::string_view xml);
  // Posts with "consulta_dest.soap" to "nfeConsultaNFDest"; the whole SOAP reply.
  virtual std::string ConsultarPorSoap(std::string_view xml);
  virtual std::string EnveloparDownloadSoap(std::string_view xml);

  // ---- Templates and logs ------------------------------------------------------------------------------

  std::string LoadTemplate(std::string_view name);
  virtual std::string ObterPastaTemplate() const;
  // Writes a log into DiretorioLog (when logs go to disk) and tells OnLog; returns the path written.
  std::string GravarLog(std::string_view xml, std::string_view nome, std::string_view id);
  // The send and reply log paths of the last EnviarEvento ("" before the first).
  const std::string& UltimoLogEnvio() const { return ultimoLogEnvio_; }
  const std::string& UltimoLogRetorno() const { return ultimoLogRetorno_; }

  // ---- Distribution XML --------------------------------------------------------------------------------

  // The procEventoNFe of an event from its send log and its reply (log names, paths or the texts
  // themselves) for the event identifier (with or without "ID"); template "eventoxml_dest.xml" when
  // `templateNome` is empty.
  std::string GerarXMLEventoDestinatario(std::string_view logEnvio, std::string_view logRetorno,
                                         std::string_view idEvento, std::string_view templateNome = {});

protected:
  TvxnGovX& Gov() const { return gov_; }
  TvxnGovUtils& Utils() const { return utils_; }
  const TvxnTelemetria* Telemetria() const { return telemetria_; }
  // The cUF of a state abbreviation of the table ("" when unknown).
  std::string CodigoUF(std::string_view uf) const;
  // The operation name telemetry hears for the current tpEvento.
  std::string NomeOperacao(std::string_view padrao) const;
  // Posts an envelope to the address of `servico` and reports the elapsed time to telemetry under
  // `operacao`; the whole SOAP reply.
  std::string Postar(std::string_view servico, const std::string& envelope, std::string_view acao,
                     std::string_view resultado, std::string_view ns, std::string_view operacao);
  // Fills a "consulta_dest.soap"-shaped envelope: with the cUF of UF when the template has a header slot.
  std::string EnvelopeComCabecalho(std::string_view modelo, std::string_view xml);
  // The element `raiz` of a SOAP reply (wherever the service's wrappers put it); the reply unwrapped as
  // Eventos_DesenveloparSOAP does when it has none.
  std::string Desenvelopar(std::string_view resposta, std::string_view raiz) const;
  // A moment in microseconds, for log names that never repeat.
  static std::string Carimbo();

private:
  // PrepararXMLAssinar with the signing template already loaded.
  std::string Preparar(std::string_view evento, const std::string& modelo) const;
  TvxnIniFile& ArquivoServidores();
  std::string SecaoServidores(bool paraChecagem) const;
  // The section of the servers file that holds `servico`: "AN" for the national services when it has
  // them, otherwise the section of the operating mode.
  std::string SecaoDoServico(std::string_view servico, bool paraChecagem);

  TvxnGovX& gov_;
  TvxnGovUtils& utils_;
  TvxnEmailSettings& emailSettings_;
  const TvxnTelemetria* telemetria_ = nullptr;
  bool validarEsquema_ = false;
  bool salvarLogsEmDisco_ = true;
  TOnLogEventNFe onLog_;
  std::string cnpj_, arquivoServidoresProd_, arquivoServidoresHom_, diretorioEsquemas_, diretorioLog_,
      diretorioTemplates_, dataHoraEvento_, orgao_, uf_, ufws_, diretorioXmlDestinatario_, diretorioLogErro_;
  TAmbienteKind ambiente_ = akHomologacao;
  int seqEvento_ = 1;
  TVersaoManual versaoManual_ = vm60;
  TModoOperacao modoOperacao_ = moNormal;
  std::unique_ptr<TvxnIniFile> servidores_;
  std::string servidoresArquivo_;
  TvxnStringList ufList_;
  std::string ultimoLogEnvio_, ultimoLogRetorno_;
};

} // namespace vxn
