// The kinds of NF-e event the component sends: correction letter (CC-e), cancellation, recipient
// manifestation, EPEC, delivery proof and its cancellation, interested party, extension request and its
// cancellation. Each builder checks its parameters in a fixed order (the first failure raises, before
// anything is signed or sent), fills its template, signs every infEvento, sends the lot and, after an
// accepted reply, writes the event's distribution XML (procEventoNFe) and announces it.
#pragma once

#include "events/vxnNFeEventosBase.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vxn {

class TvxnNFeDanfe;

// tpEvento of each kind.
namespace tpevento {
inline constexpr std::string_view kCCe = "110110";
inline constexpr std::string_view kCancelamento = "110111";
inline constexpr std::string_view kCancelamentoSubstituicao = "110112";
inline constexpr std::string_view kComprovanteEntrega = "110130";
inline constexpr std::string_view kCancelamentoComprovanteEntrega = "110131";
inline constexpr std::string_view kEPEC = "110140";
inline constexpr std::string_view kAtorInteressado = "110150";
inline constexpr std::string_view kConfirmacao = "210200";
inline constexpr std::string_view kCiencia = "210210";
inline constexpr std::string_view kDesconhecimento = "210220";
inline constexpr std::string_view kNaoRealizada = "210240";
} // namespace tpevento

enum class TTipoPedidoProrrogacao { tEPP1, tEPP2 };

// One item of the tax authority's answer to an extension request (tpEvento 411500, 411501).
struct TvxnItemRespostaPedido {
  std::string NumItem;      // numItem of the request's item
  std::string StatPedido;   // 1 granted, 2 refused
  std::string JustStatus;   // the justification's code, 1 to 10
  std::string JustStaOutra; // another justification; "" leaves it out
};

// The tax authority's answer to the cancellation of an extension request (tpEvento 411502, 411503).
struct TvxnRespostaCancelamentoPedido {
  std::string StatCancPedido; // 1 granted, 2 refused
  std::string JustStatus;     // the justification's code, 1 to 5
  std::string JustStaOutra;   // another justification; "" leaves it out
};
// One item of an event of the tax reform (IBS, CBS): the group per item of the kinds that have one.
// Each kind writes the fields of its schema and leaves the others out.
struct TvxnItemEventoReforma {
  std::string NItem;                                // nItem of the document's det the group refers to
  std::string VIBS, VCBS;                           // vIBS, vCBS of the item (vCredIBS, vCredCBS of 211150)
  std::string Quantidade, Unidade;                  // gControleEstoque: the quantity and its unit
  std::string VIBSEstoque, VCBSEstoque;             // 112130: vIBS, vCBS inside gControleEstoque
  std::string ChaveReferenciada, NItemReferenciado; // 211120: DFeReferenciado (chaveAcesso, nItem)
  std::string VBC;                                  // 211110: the base of the presumed credit
  std::string CCredPresIBS, PCredPresIBS, VCredPresIBS; // 211110: gIBS, when VCredPresIBS is given
  std::string CCredPresCBS, PCredPresCBS, VCredPresCBS; // 211110: gCBS, when VCredPresCBS is given
};

// An event of the tax reform (tpEvento 112110 to 112150, 211110 to 211150, 212110, 212120, 412120,
// 412130), as the package's schema of its kind has it.
struct TvxnEventoReforma {
  std::string TpEvento;
  std::string Chave;
  std::string Orgao;            // cOrgao: the key's state when empty
  std::string OrgaoAutor;       // cOrgaoAutor: the key's state when empty
  std::string TpAutor;          // "" is the kind's author (211120 admits 1 for an import, else 2)
  std::string VerAplic;         // 1 to 20 characters
  std::string Indicador;        // indAceitacao (211128, 212110, 212120), indDeferimento (412120, 412130)
  std::string CMotivo, XMotivo; // 412120, 412130
  std::string DPrevEntrega;     // 112150: AAAA-MM-DD
  std::vector<TvxnItemEventoReforma> Itens;
  std::string DataHora, Fuso;
  int Sequencia = 1;
};

// The tpEvento of the tax reform's events, in the order of their codes.
const std::vector<std::string_view>& TiposEventoReforma();

class TvxnNFe;
// The component's side of MontarXmlEventoReforma and EnviarEventoReforma below: the component's
// configuration is copied into its events object first, as for every other event.
std::string MontarXmlEventoReforma(TvxnNFe& nfe, const TvxnEventoReforma& evento);
std::string EnviarEventoReforma(TvxnNFe& nfe, const TvxnEventoReforma& evento, std::string_view lote);

enum class TTipoCancelamentoPedidoProrrogacao { tECPP1, tECPP2 };
enum class TTipoAutorizacaoAtorInter { tEAINaoPermite, tEAIPermite };

// The author of an interested-party event (tpAutor "1", "2", "3").
enum class TTipoAutorInteressado { taiEmitente, taiDestinatario, taiTransportador };
using enum TTipoAutorInteressado;
// The author of a delivery proof and of its cancellation (tpAutor "1", "2", "3", "5", "6", "9").
enum class TTipoAutorCompEntrega {
  tacEmpresaEmitente,
  tacEmpresaDestinataria,
  tacEmpresa,
  tacFisco,
  tacRFB,
  tacOutrosOrgaos
};
using enum TTipoAutorCompEntrega;

// tpAutor as the event carries it, and back. An unknown code raises EvxnEventoCheckParams
// "Tipo do Autor inválido: %s".
std::string TipoAutorInteressadoToStr(TTipoAutorInteressado t);
TTipoAutorInteressado StrToTipoAutorInteressado(std::string_view s, std::string_view logDir = {});
std::string TipoAutorCompEntregaToStr(TTipoAutorCompEntrega t);
TTipoAutorCompEntrega StrToTipoAutorCompEntrega(std::string_view s, std::string_view logDir = {});

// Items of an extension request: (item number, quantity), in the order added.
class TvxnAdicionaPedidoProrrogacao {
public:
  void Adicionar(std::string_view item, std::string_view quantidade) {
    itens_.emplace_back(item, quantidade);
  }
  void Limpar() { itens_.clear(); }
  const std::vector<std::pair<std::string, std::string>>& Itens() const { return itens_; }

private:
  std::vector<std::pair<std::string, std::string>> itens_;
};

// Print settings of the correction-letter form. The component fills them from its DANFE settings.
struct TvxnImpressaoCCeSettings {
  std::string
      ModeloRTM; // "" is DiretorioTemplates without its version folder + "cce/Impressao/ModeloCCe.rtm"
  int QtdeCopias = 1;
  std::string Impressora;
  std::string LogotipoEmitente;
  std::string SalvarComo;
  std::string LineDelimiter;
  // "ModeloRTM=", "LogotipoEmitente=", "QtdeCopias=" lines.
  std::string GetParams() const;
};

// The correction-letter model shipped with the templates: the form is the same for every layout
// version, so it lives beside the version folders ("cce/Impressao/ModeloCCe.rtm").
std::string ModeloCCePadrao(std::string_view diretorioTemplates);

class TvxnNFeEventos : public TvxnEventos {
public:
  TvxnNFeEventos(TvxnGovX& gov, TvxnGovUtils& utils, TvxnEmailSettings& emailSettings);
  ~TvxnNFeEventos() override;

  std::string ObterTpEvento() const override { return tpEvento_; }

  // ---- Callbacks and settings ------------------------------------------------------------------------
  using TOnXmlEvento = std::function<void(const std::string&)>;
  void SetOnXmlCanDestinatario(TOnXmlEvento v) { onXmlCanDestinatario_ = std::move(v); }
  void SetOnXmlManDestinatario(TOnXmlEvento v) { onXmlManDestinatario_ = std::move(v); }
  // Announces every other event distribution file written (CC-e, EPEC, delivery proof, ...).
  void SetOnXmlEventoDestinatario(TOnXmlEvento v) { onXmlEventoDestinatario_ = std::move(v); }
  // Gates the EPEC distribution file (the component copies its SalvarLogsEmDisco).
  void SetGerarXmlEPEC(bool v) { gerarXmlEPEC_ = v; }
  // Replaces the configured accented characters in the correction and justification texts.
  void SetCaracteresRemoverAcentos(std::string_view v) { caracteresRemoverAcentos_ = v; }
  TvxnAdicionaPedidoProrrogacao& ItensQuantidade() { return itens_; }
  // The DANFE printer of the component (borrowed); without one the events object prints with its own.
  void SetDanfe(TvxnNFeDanfe* danfe) { danfe_ = danfe; }
  TvxnImpressaoCCeSettings& ImpressaoCCeSettings() { return impressaoCCe_; }
  // The distribution file written by the last accepted event ("" when none was written).
  const std::string& UltimoXmlDestinatario() const { return ultimoXmlDestinatario_; }
  // Folder of the documents fetched by key (the program directory's "Downloads/" when empty).
  const std::string& GetDiretorioDownloads() const { return diretorioDownloads_; }
  void SetDiretorioDownloads(std::string_view v) { diretorioDownloads_ = v; }
  // Told the path of every document a download by key wrote.
  void SetOnDownloadNFe(TOnXmlEvento v) { onDownloadNFe_ = std::move(v); }

  // ---- Documents addressed to the taxpayer (vxnNFeEventosDFe.cpp) ---------------------------------------

  // The distribution query: the party's documents after the last NSU it has (nkUltimo), the one of an
  // NSU (nkEspecifico) or a document by key (nkConsChNFe, `chave`). NSU has 15 digits, or is "0" for
  // "from the beginning" (sent as fifteen zeros, the form the schema and the authority accept). The
  // checks come first, in a fixed order, each with its own exception. By key, the first document the
  // reply carries is also written to DiretorioDownloads as chave + "-nfe.xml" (OnDownloadNFe hears its
  // path). Returns the retDistDFeInt.
  std::string ConsultarDistribuicaoDFe(std::string_view cUFAutor, std::string_view cnpjCpf,
                                       std::string_view nsu, TNSUKind kind, std::string_view chave);
  // The legacy query of the documents addressed to the component's CNPJ (indNFe 0 to 2, indEmi 0 or 1,
  // the last NSU, "" for "0"). Returns the retConsNFeDest. Its checks raise their own exceptions; a
  // failure after them is re-raised as "Um problema foi encontrado durante a Consulta de NF Destinadas: "
  // followed by the cause in double quotes.
  std::string ConsultarNFeDestinadas(int indNFe, int indEmi, std::string_view ultNSU);
  // The legacy download of up to ten documents by key (keys separated by commas): each document the
  // reply gives (cStat 140) is written to DiretorioDownloads as chNFe + "-NFe.xml" and its path told to
  // OnDownloadNFe. Returns the retDownloadNFe.
  std::string DownloadNFe(std::string_view chaves);

  // ---- Kinds ---------------------------------------------------------------------------------------------

  std::string EnviarCCe(std::string_view chave, std::string_view correcao, std::string_view orgao,
                        std::string_view dataHora, std::string_view fuso, int sequencia,
                        std::string_view lote);
  // Sends events already built and signed.
  std::string EnviarCCe(std::string_view lote, std::string_view xml);
  // The CC-e template: the layout's own for the layouts the library carries, else "eventoCCe.xml" in
  // DiretorioTemplates + "cce/" (EvxnTemplateNotFoundException "Arquivo de template não encontrado: %s"
  // when it is missing).
  std::string LoadTemplateCCe();
  // The signed CC-e, without sending (what EnviarCCe sends).
  std::string MontarXmlCCe(std::string_view chave, std::string_view correcao, std::string_view orgao,
                           std::string_view dataHora, std::string_view fuso, int sequencia);

  std::string CancelarNFeEvento(std::string_view chave, std::string_view protocolo,
                                std::string_view justificativa, std::string_view dataHora,
                                std::string_view fuso, int sequencia, std::string_view lote);
  // Cancellation by substitution (110112): the document `chave` is cancelled because the one of
  // `chaveSubstituta`, issued in contingency, covers the same operation. The checks of the cancellation,
  // then the substitute's key and the application version (1 to 20 characters); cOrgaoAutor is the
  // state of the key, tpAutor 1 (the issuer). Logs "cansub-env" / "cansub-ret"; accepted (135, 155), the
  // distribution XML is KEY + "-cansub.xml", announced by OnXmlCanDestinatario.
  std::string CancelarNFeEventoSubstituicao(std::string_view chave, std::string_view protocolo,
                                            std::string_view justificativa, std::string_view chaveSubstituta,
                                            std::string_view verAplic, std::string_view dataHora,
                                            std::string_view fuso, int sequencia, std::string_view lote);

  // tipo 1 to 4: confirmation, awareness, operation not recognised, operation not performed.
  std::string ManifestacaoDestinatario(int tipo, std::string_view chave, std::string_view justificativa,
                                       std::string_view dataHora, std::string_view fuso,
                                       std::string_view lote, int sequencia);

  // The EPEC lot (signed events) of every document of a signed NF-e lot.
  std::string MontarXmlEPEC(std::string_view lote, std::string_view xmlEnvio, std::string_view dataHora,
                            std::string_view fuso);
  std::string EnviarEPEC(std::string_view loteEPEC);

  // The signed delivery proof, without sending (what EnviarComprovanteEntrega sends).
  std::string MontarXmlEnvioComprovanteEntrega(std::string_view chave, std::string_view orgao,
                                               std::string_view orgaoAutor, TTipoAutorCompEntrega tpAutor,
                                               std::string_view verAplic, std::string_view dataHoraEntrega,
                                               std::string_view nDoc, std::string_view nome,
                                               std::string_view latitude, std::string_view longitude,
                                               std::string_view imagem, std::string_view dataHora,
                                               std::string_view fuso, int sequencia);
  std::string EnviarComprovanteEntrega(std::string_view chave, std::string_view orgao,
                                       std::string_view orgaoAutor, TTipoAutorCompEntrega tpAutor,
                                       std::string_view verAplic, std::string_view dataHoraEntrega,
                                       std::string_view nDoc, std::string_view nome,
                                       std::string_view latitude, std::string_view longitude,
                                       std::string_view imagem, std::string_view dataHora,
                                       std::string_view fuso, int sequencia, std::string_view lote);
  // tpAutor as its code ("1", "2", "3", "5", "6", "9").
  std::string EnviarComprovanteEntrega(std::string_view chave, std::string_view orgao,
                                       std::string_view orgaoAutor, std::string_view tpAutor,
                                       std::string_view verAplic, std::string_view dataHoraEntrega,
                                       std::string_view nDoc, std::string_view nome,
                                       std::string_view latitude, std::string_view longitude,
                                       std::string_view imagem, std::string_view dataHora,
                                       std::string_view fuso, int sequencia, std::string_view lote);
  std::string CancelarComprovanteEntrega(std::string_view chave, std::string_view orgao,
                                         std::string_view orgaoAutor, TTipoAutorCompEntrega tpAutor,
                                         std::string_view verAplic, std::string_view protocoloEntrega,
                                         std::string_view dataHora, std::string_view fuso, int sequencia,
                                         std::string_view lote);
  std::string CancelarComprovanteEntrega(std::string_view chave, std::string_view orgao,
                                         std::string_view orgaoAutor, std::string_view tpAutor,
                                         std::string_view verAplic, std::string_view protocoloEntrega,
                                         std::string_view dataHora, std::string_view fuso, int sequencia,
                                         std::string_view lote);
  // The signed interested-party event, without sending (what EnviarAtorInteressado sends).
  std::string MontarXmlEnvioAtorInteressado(std::string_view chave, std::string_view orgao,
                                            std::string_view orgaoAutor, TTipoAutorInteressado tpAutor,
                                            std::string_view verAplic, std::string_view autorizado,
                                            TTipoAutorizacaoAtorInter tipo, std::string_view dataHora,
                                            std::string_view fuso, int sequencia);
  std::string EnviarAtorInteressado(std::string_view chave, std::string_view orgao,
                                    std::string_view orgaoAutor, TTipoAutorInteressado tpAutor,
                                    std::string_view verAplic, std::string_view autorizado,
                                    TTipoAutorizacaoAtorInter tipo, std::string_view dataHora,
                                    std::string_view fuso, int sequencia, std::string_view lote);
  // tpAutor as its code ("1", "2", "3").
  std::string EnviarAtorInteressado(std::string_view chave, std::string_view orgao,
                                    std::string_view orgaoAutor, std::string_view tpAutor,
                                    std::string_view verAplic, std::string_view autorizado,
                                    TTipoAutorizacaoAtorInter tipo, std::string_view dataHora,
                                    std::string_view fuso, int sequencia, std::string_view lote);
  // The signed extension request of the items of ItensQuantidade, without sending.
  std::string MontarXmlPedidoProrrogacao(std::string_view chave, std::string_view protocolo,
                                         TTipoPedidoProrrogacao tipo, std::string_view dataHora,
                                         std::string_view fuso, int sequencia);
  std::string EnviarPedidoProrrogacao(std::string_view chave, std::string_view protocolo,
                                      TTipoPedidoProrrogacao tipo, std::string_view dataHora,
                                      std::string_view fuso, int sequencia, std::string_view lote);
  std::string CancelarPedidoProrrogacao(std::string_view chave, std::string_view protocolo,
                                        TTipoCancelamentoPedidoProrrogacao tipo, std::string_view dataHora,
                                        std::string_view fuso, int sequencia, std::string_view lote);

  // The tax authority's answer to an extension request, as the published schemas of its kinds have it:
  // 411500 and 411501 answer the request of the first and second term item by item (`itens`, the new
  // term granted when one item is); 411502 and 411503 answer the cancellation of such a request
  // (`cancelamento`). `idPedido` is the identifier of the request answered: its tpEvento (the answer's with
  // a 1 for the 4), the key and the sequence. Checks in the order of the other kinds, then tpEvento and
  // the answer's fields; the signed event.
  std::string MontarXMLEventoFisco(std::string_view chave, std::string_view orgao, std::string_view tpEvento,
                                   const std::vector<TvxnItemRespostaPedido>& itens,
                                   const TvxnRespostaCancelamentoPedido& cancelamento,
                                   std::string_view dataHora, std::string_view fuso, int sequencia);
  // MontarXMLEventoFisco, sent (logs "eppenv-lot" / "epprec"); an accepted answer gets its distribution
  // XML as KEY + "-" + tpEvento + ".xml".
  std::string EnviarEventoFisco(std::string_view chave, std::string_view orgao, std::string_view tpEvento,
                                const std::vector<TvxnItemRespostaPedido>& itens,
                                const TvxnRespostaCancelamentoPedido& cancelamento, std::string_view dataHora,
                                std::string_view fuso, int sequencia, std::string_view lote);

  // An event of the tax reform (TvxnEventoReforma): the checks every kind shares (key, receiving body,
  // sequence, date-time, time zone, author), then the kind's own; the detEvento is checked against the
  // kind's schema (e<tpEvento>_v1.00.xsd of DiretorioEsquemas) when ValidarEsquemaAntesEnvio is on.
  // Returns the signed event.
  std::string MontarXmlEventoReforma(const TvxnEventoReforma& evento);
  // MontarXmlEventoReforma, sent to the state of the key (logs tpEvento + "-env" / tpEvento + "-ret");
  // accepted (135, 136), its distribution XML is KEY + "-" + tpEvento + ".xml".
  std::string EnviarEventoReforma(const TvxnEventoReforma& evento, std::string_view lote);

  // ---- Signing of events built by the host -------------------------------------------------------------
  std::string AssinarCCe(std::string_view xml);
  std::string AssinarEPEC(std::string_view xml);
  std::string AssinarComprovanteEntrega(std::string_view xml);
  std::string AssinarCancelaComprovanteEntrega(std::string_view xml);
  std::string AssinarAtorInteressado(std::string_view xml);
  std::string AssinarPedidoProrrogacao(std::string_view xml);

  // ---- Distribution XML of an event from its request and reply (texts, log names or paths) --------------
  std::string GerarXMLCCeDestinatario(std::string_view evento, std::string_view retorno);
  std::string GerarXMLManifestoDestinatario(std::string_view evento, std::string_view retorno);
  std::string GerarXMLEPECDestinatario(std::string_view evento, std::string_view retorno);
  std::string GerarXMLDestinatarioComprovanteEntrega(std::string_view evento, std::string_view retorno);
  std::string GerarXMLDestinatarioCancelamentoComprovanteEntrega(std::string_view evento,
                                                                 std::string_view retorno);

  // ---- Printing of the CC-e (vxnNFeEventosImpressao.cpp) ------------------------------------------------
  // The XML is the CC-e's distribution XML (text or file). Each first checks that the authority's reply
  // in it has cStat 135 or 136 (EvxnCCeReportException "A CCe não está Autorizada."), then prints the
  // correction-letter form with the print settings above.
  // The parameter lines of the form: "QtdeCopias=", "ArquivoRtm=", "LogotipoEmitente=", "LineDelimiter=".
  std::string LoadImpressaoCCeSettings() const;
  // To the CUPS queue ("" the settings' Impressora, then the default destination).
  void ImprimirCCe(std::string_view xml, std::string_view impressora = {});
  void VisualizarCCe(std::string_view xml);
  // Writes the PDF (formato 2; 3: PNG pages in the directory `arquivo`); an empty file name (and none in
  // the settings' SalvarComo) raises EvxnCCeReportException "Nome do arquivo de exportação não informado.".
  void ExportarCCe(std::string_view xml, std::string_view arquivo = {}, int formato = 2);
  // Raises EvxnNFeReportException after the check: models are edited as text files.
  void EditarModeloCCe(std::string_view xml);

  // Event date-time as sent: empty gives now in the event's time zone; "yyyy-mm-ddThh:nn:ss" is kept;
  // anything else is parsed and reformatted (EvxnEventoCheckParams "Data/Hora do evento inválida").
  std::string FormataDataHoraEvento(std::string_view dataHora, std::string_view fuso) const;

private:
  // The author element (<CNPJ> or <CPF>) of the component's CNPJ.
  std::string ElementoAutor() const;
  std::string TpAmb() const;
  // Free text as it may go into a signed event: configured accents removed, line breaks and tabs as
  // blanks, XML special characters escaped.
  std::string TextoLivre(std::string_view texto) const;
  // Sends one signed event and, when accepted, writes its distribution XML under `sufixo`.
  std::string EnviarEGerar(std::string_view lote, const std::string& assinado, std::string_view templateEnvio,
                           std::string_view comando, std::string_view logEnvio, std::string_view logRetorno,
                           const std::string& id, std::string_view chave, std::string_view sufixo,
                           std::vector<std::string_view> aceitos, const TOnXmlEvento& aviso);
  // Validates a reform event's detEvento against its kind's schema (before signing, when asked to).
  void ChecarDetalheReforma(std::string_view tpEvento, const std::string& det);
  std::string GerarDestinatarioKind(std::string_view evento, std::string_view retorno,
                                    std::string_view mensagem, std::string_view templateNome);
  std::string SalvarDestinatario(const std::string& xml, const std::string& arquivo,
                                 const TOnXmlEvento& aviso);
  // The printer the CC-e goes through: the component's, else the object's own.
  TvxnNFeDanfe& Danfe();
  // Checks the CC-e and runs the printer's operation with its parameters.
  void ExecutarCCe(std::string_view xml, std::string_view extras, void (TvxnNFeDanfe::*operacao)());
  // DiretorioDownloads, created; when it cannot be, the same path under the program directory.
  std::string PastaDownloads();
  // Writes a downloaded document and tells OnDownloadNFe.
  void GravarDownload(const std::string& xml, const std::string& arquivo);
  // The checks of the CNPJ or CPF of a query (`cpfInvalido`/`cnpjInvalido`: the classes of the kind).
  template <typename ECpf, typename ECnpj> void ChecarDocumento(std::string_view cnpjCpf) const;
  // Posts the download request and logs its reply.
  std::string DownloadNFeEvento(std::string_view xml);
  std::string DownloadNFeSoap(std::string_view xml);

  std::string tpEvento_;
  TOnXmlEvento onXmlCanDestinatario_, onXmlManDestinatario_, onXmlEventoDestinatario_;
  bool gerarXmlEPEC_ = true;
  std::string caracteresRemoverAcentos_;
  TvxnAdicionaPedidoProrrogacao itens_;
  TvxnNFeDanfe* danfe_ = nullptr;
  std::unique_ptr<TvxnNFeDanfe> danfeProprio_;
  TvxnImpressaoCCeSettings impressaoCCe_;
  std::string ultimoXmlDestinatario_;
  std::string diretorioDownloads_;
  TOnXmlEvento onDownloadNFe_;
};

} // namespace vxn
