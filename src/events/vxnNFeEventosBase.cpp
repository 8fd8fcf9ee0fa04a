#include "events/vxnNFeEventosBase.h"

#include "events/vxnEventosXMLUtils.h"
#include "vxnFiles.h"
#include "vxnFormat.h"
#include "vxnGovUtils.h"
#include "vxnGovX.h"
#include "vxnIniFile.h"
#include "vxnNFeException.h"
#include "vxnPaths.h"
#include "vxnTelemetria.h"
#include "vxnText.h"
#include "xml/vxnNFeAssinaturaUtils.h"
#include "xml/vxnNFeNamespaces.h"
#include "xml/vxnNFeTemplateFiles.h"
#include "xml/vxnNFeXMLLogs.h"
#include "xml/vxnNFeXmlProcDestinatario.h"

#include <chrono>
#include <cstdio>
#include <vector>

namespace vxn {

namespace {

constexpr std::string_view kIdInicio = "<infEvento Id=\"";
constexpr std::size_t kTamanhoId = 54;

// Removes every occurrence of `what`.
void RemoverTodos(std::string& s, std::string_view what) {
  for (std::size_t p = s.find(what); p != std::string::npos; p = s.find(what, p))
    s.erase(p, what.size());
}

// Inside the content of every `tag` element, runs of two blanks are removed until none is left.
void RemoverEspacosEm(std::string& xml, std::string_view tag) {
  const std::string open = "<" + std::string(tag);
  const std::string close = "</" + std::string(tag) + ">";
  for (std::size_t p = xml.find(open); p != std::string::npos; p = xml.find(open, p + 1)) {
    const std::size_t start = xml.find('>', p);
    const std::size_t end = start == std::string::npos ? std::string::npos : xml.find(close, start);
    if (end == std::string::npos)
      return;
    std::string content = xml.substr(start + 1, end - start - 1);
    while (content.find("  ") != std::string::npos)
      RemoverTodos(content, "  ");
    xml.replace(start + 1, end - start - 1, content);
  }
}

// The services only the national environment offers (the distribution of documents and the legacy
// destination query and download).
bool ServicoNacional(std::string_view servico) {
  for (std::string_view k : {"nfeConsultaDFe", "nfeDistDFeInteresse", "nfeConsultaNFDest", "NFeDownloadNf"})
    if (SameText(k, servico))
      return true;
  return false;
}

} // namespace

// Microseconds since the epoch: log names of one event never repeat, so a later attempt with the same
// identifier (a duplicate refused by the authority) does not overwrite the logs of the accepted one.
std::string TvxnEventos::Carimbo() {
  const auto us = std::chrono::duration_cast<std::chrono::microseconds>(
      std::chrono::system_clock::now().time_since_epoch());
  return std::to_string(us.count());
}

TvxnEventos::TvxnEventos(TvxnGovX& gov, TvxnGovUtils& utils, TvxnEmailSettings& emailSettings)
    : gov_(gov), utils_(utils), emailSettings_(emailSettings), ufList_(UFList()) {}

TvxnEventos::~TvxnEventos() = default;

std::string TvxnEventos::CodigoUF(std::string_view uf) const {
  return ufList_.Value(std::string(uf));
}

// ---- Identifiers
// ---------------------------------------------------------------------------------------------

std::string TvxnEventos::GerarIdEvento(std::string_view chave, int sequencia) {
  char seq[16];
  std::snprintf(seq, sizeof seq, "%02d", sequencia);
  return "ID" + ObterTpEvento() + std::string(chave) + seq;
}

std::string TvxnEventos::ObterValorIdEvento(std::string_view xml) {
  const std::size_t p = xml.find(kIdInicio);
  if (p == std::string_view::npos)
    throw EvxnEventosException("Campo \"Id\" não encontrado para nota fiscal", diretorioLogErro_);
  return "#" + std::string(xml.substr(p + kIdInicio.size(), kTamanhoId));
}

// ---- Signing ---------------------------------------------------------------------------------------------

std::string TvxnEventos::AssinarEvento(std::string_view xml) {
  gov_.CheckCertificate();
  if (Trim(xml).empty())
    throw EvxnEventoCheckParams("Não foi possível Assinar o evento, o arquivo informado está vazio",
                                diretorioLogErro_);
  if (!utils_.IsValidXml(xml))
    throw EvxnEventoCheckParams("Não foi possível Assinar o evento, o arquivo ou seu conteúdo está inválido.",
                                diretorioLogErro_);
  // The events are taken out in one pass over the batch (not once per event), and the signing template
  // is read once.
  const std::vector<std::string> eventos = utils_.XPathSelectNodes(xml, R"(//*[local-name()="infEvento"])");
  const std::string modelo = LoadTemplate("assinarEvento.xml");
  gov_.Get_SignerSettings().ElementName = "infEvento";
  std::string assinados;
  for (const std::string& evento : eventos) {
    if (evento.empty())
      continue;
    const std::string preparado = Preparar(utils_.Escape(evento), modelo);
    std::string id;
    if (!utils_.FindAttribute(preparado, "infEvento", "Id", id) || id.empty())
      throw EvxnEventosException("Campo Id não encontrado para nota fiscal", diretorioLogErro_);
    std::string assinado = gov_.SignXmlById(preparado, id);
    LimparXMLAssinado(assinado);
    assinados += assinado;
  }
  return assinados;
}

std::string TvxnEventos::PrepararXMLAssinar(std::string_view evento) {
  return Preparar(evento, LoadTemplate("assinarEvento.xml"));
}

std::string TvxnEventos::Preparar(std::string_view evento, const std::string& modelo) const {
  std::string e = ReplaceAll(evento, "º", "o");
  // An infEvento taken out of an evento element carries the namespace its parent declared; inside the
  // evento of the signing template it is the same default namespace, so the declaration goes (the
  // canonical form is the same either way, and the Id stays the first attribute).
  const std::string declarado = "<infEvento xmlns=\"" + std::string(uri::kNFe) + "\"";
  if (e.starts_with(declarado))
    e.replace(0, declarado.size(), "<infEvento");
  return Format(modelo, {e, ""});
}

void TvxnEventos::LimparXMLAssinado(std::string& xml) {
  RemoveEspacosAssinatura(xml);
  RemoverTodos(xml, "<?xml version=\"1.0\"?>");
  RemoverTodos(xml, "\r\n");
}

void TvxnEventos::RemoveEspacosAssinatura(std::string& xml) {
  RemoverEspacosEm(xml, "KeyInfo");
  RemoverEspacosEm(xml, "SignatureValue");
}

// ---- Sending ---------------------------------------------------------------------------------------------

std::string TvxnEventos::NomeOperacao(std::string_view padrao) const {
  const std::string tp = ObterTpEvento();
  if (tp == "210200" || tp == "210210" || tp == "210220")
    return "ManifestacaoDestinatario";
  if (tp == "110111")
    return "CancelarNFeEvento";
  if (tp == "111500" || tp == "111501")
    return "EnvioPedidoProrrogacao";
  if (tp == "111502" || tp == "111503")
    return "CancelarPedidoProrrogacao";
  return std::string(padrao);
}

std::string TvxnEventos::EnviarEvento(std::string_view lote, std::string_view eventosAssinados,
                                      std::string_view templateEnvio, std::string_view comando,
                                      std::string_view logEnvio, std::string_view logRetorno) {
  if (utils_.RemoveAccents(lote) != lote)
    throw EvxnEventoCheckParams("Numero do Lote não pode conter acento: %s", {lote}, diretorioLogErro_);
  const std::string nomeEnvio = logEnvio.empty() ? "env-lot" : std::string(logEnvio);
  const std::string nomeRetorno = logRetorno.empty() ? "rec" : std::string(logRetorno);

  const std::string envelope = TvxnEventosXMLUtils::RemoveHeaderXml(
      Format(LoadTemplate(templateEnvio), {std::string(lote), std::string(eventosAssinados)}));
  ValidarLoteParaEnvio(envelope, comando);

  // The logs are named after the first event of the lot and the moment of sending.
  std::string idLog = ObterValorIdEvento(envelope).substr(3) + "-" + Carimbo();
  ultimoLogEnvio_ = GravarLog(envelope, nomeEnvio, idLog);

  const std::string operacao = NomeOperacao("EnviarEvento");
  const auto inicio = std::chrono::steady_clock::now();
  const std::string resposta =
      TvxnEventosXMLUtils::Eventos_DesenveloparSOAP(EnviarPorSoap(utils_.Escape(envelope)));
  if (telemetria_) {
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - inicio)
            .count();
    telemetria_->Tempo(operacao, "SEFAZ", ms);
    telemetria_->Resultado(operacao, utils_.GetValueTag("retEvento", "cStat", resposta),
                           utils_.GetValueTag("retEvento", "xMotivo", resposta));
  }
  ultimoLogRetorno_ = GravarLog(resposta, nomeRetorno, idLog);
  VerificarAssinaturaRetorno(resposta);
  return resposta;
}

// The authority signs each event it registers. A signature that does not verify is not its word:
// nothing is filed from such a reply, which stays in its log as it came.
void TvxnEventos::VerificarAssinaturaRetorno(std::string_view resposta) const {
  if (resposta.find("<Signature") == std::string_view::npos)
    return;
  if (const TvxnSignatureCheck check = VerifyXmlSignature(resposta); !check)
    throw EvxnEventoRetException("A assinatura do retorno do evento não confere: %s", {check.Reason},
                                 diretorioLogErro_);
}

std::string TvxnEventos::CancelarEvento(std::string_view lote, std::string_view eventosAssinados) {
  try {
    return EnviarEvento(lote, eventosAssinados, "evento_enviocancelar.xml", "ENVIOCANCEVENTO", "caneve-env",
                        "caneve-ret");
  } catch (const std::exception& e) {
    throw EvxnEventosException(std::string("Erro ao cancelar NF-e por evento: ") + e.what(),
                               diretorioLogErro_);
  }
}

void TvxnEventos::ValidarLoteParaEnvio(std::string_view xml, std::string_view comando) {
  gov_.CheckCertificate();
  if (!ValidaAssinatura(xml))
    throw EvxnEventoInvalidSigner("A nota não possui assinatura", diretorioLogErro_);
  ValidarXmlEvento(xml, comando);
}

std::string TvxnEventos::GetURIEsquema() const {
  return std::string(uri::kNFe);
}

std::string TvxnEventos::GetXSDFileName(std::string_view comando) {
  const std::string pasta = IncludeTrailingPathDelimiter(utils_.ExpandPath(diretorioEsquemas_));
  const std::string mapping = pasta + "Mapping.txt";
  if (!FileExists(mapping))
    throw EvxnEventoFileNotFoundException("Arquivo %s utilizado na validação de esquema, não foi encontrado",
                                          {mapping}, diretorioLogErro_);
  const std::string xsd = TvxnIniFile(mapping).ReadString("ValidarXML", comando, "");
  if (xsd.empty())
    throw EvxnEventoCheckParams("Não foi encontrado mapeamento de XSD para o comando %s ", {comando},
                                diretorioLogErro_);
  return pasta + xsd;
}

void TvxnEventos::ValidarXmlEvento(std::string_view xml, std::string_view comando) {
  if (!validarEsquema_)
    return;
  utils_.ValidateSchema(xml, GetURIEsquema(), GetXSDFileName(comando));
}

bool TvxnEventos::ValidarTamanhoArquivoEnvio(std::string_view xml, int limiteKB) {
  const double tamanho = static_cast<double>(Utf8Length(xml)) / 1000.0;
  if (tamanho > limiteKB) {
    char texto[64];
    std::snprintf(texto, sizeof texto, "%g", tamanho);
    throw EvxnEventoMaxSizeException("O Lote do Evento possui %s KB ultrapassando o limite de %s KB.",
                                     {std::string(texto), std::to_string(limiteKB)}, diretorioLogErro_);
  }
  return true;
}

TvxnIniFile& TvxnEventos::ArquivoServidores() {
  const std::string nome = ambiente_ == akProducao ? arquivoServidoresProd_ : arquivoServidoresHom_;
  const std::string caminho = utils_.ExpandPath(ExtractFilePath(nome)) + ExtractFileName(nome);
  if (!FileExists(caminho))
    throw EvxnFileNotFoundException("O arquivo de servidores informado não existe: %s", {caminho},
                                    diretorioLogErro_);
  if (!servidores_ || servidoresArquivo_ != caminho) {
    servidores_ = std::make_unique<TvxnIniFile>(caminho);
    servidoresArquivo_ = caminho;
  }
  return *servidores_;
}

std::string TvxnEventos::SecaoServidores(bool paraChecagem) const {
  switch (modoOperacao_) {
  case moNormal:
    return ufws_;
  case moSVCAN:
    return "SVCAN";
  case moSVCRS:
    return "SVCRS";
  case moEPEC:
    // The check knows only the modes with a section of their own.
    return paraChecagem ? std::string() : ufws_;
  }
  return ufws_;
}

std::string TvxnEventos::SecaoDoServico(std::string_view servico, bool paraChecagem) {
  // The published servers files list the national services under "AN" only; a file that puts them under
  // the state is read there.
  if (ServicoNacional(servico) && !ArquivoServidores().ReadString("AN", servico, "").empty())
    return "AN";
  return SecaoServidores(paraChecagem);
}

std::string TvxnEventos::ObterEnderecoWS(std::string_view servico) {
  TvxnIniFile& ini = ArquivoServidores();
  const std::string endereco = ini.ReadString(SecaoDoServico(servico, false), servico, "");
  if (endereco.empty())
    throw EvxnEventosAddressException("Servidor para %s não definido no arquivo: %s",
                                      {servico, ini.FileName()}, diretorioLogErro_);
  return endereco;
}

bool TvxnEventos::ChecarEnderecoWs(std::string_view servico) {
  const std::string secao = SecaoDoServico(servico, true);
  return !secao.empty() && !ArquivoServidores().ReadString(secao, servico, "").empty();
}

void TvxnEventos::ConfigurarWsNacional() {
  SetUF("AN");
  ufws_ = "AN";
}

std::string TvxnEventos::EnveloparSoapEnvio(std::string_view xml) {
  const std::string modelo = LoadTemplate("envio.soap");
  if (versaoManual_ == vm60)
    return Format(modelo, {std::string(xml)});
  return Format(modelo, {CodigoUF(GetUF()), std::string(xml)});
}

std::string TvxnEventos::EnviarPorSoap(std::string_view xml) {
  return EnviarPorSoap(xml, "nfeRecepcaoEvento");
}

std::string TvxnEventos::EnviarPorSoap(std::string_view xml, std::string_view servico) {
  const std::string envelope = EnveloparSoapEnvio(xml);
  std::string chave, acao, padraoNs;
  const std::string ns(uri::kNFe);
  if (versaoManual_ == vm60) {
    chave = "nfeRecepcaoEvento4";
    acao = ns + "/wsdl/NFeRecepcaoEvento4/NFeRecepcaoEvento4";
    padraoNs = ns + "/wsdl/NFeRecepcaoEvento4";
  } else {
    chave = ChecarEnderecoWs("nfeRecepcaoEvento3") ? "nfeRecepcaoEvento3" : std::string(servico);
    acao = ns + "/wsdl/RecepcaoEvento/nfeRecepcaoEvento";
    padraoNs = ns + "/wsdl/RecepcaoEvento";
  }
  const std::string targetNs = ArquivoServidores().ReadString(ufws_, "TargetNamespaceCCe", padraoNs);
  return gov_.PostSOAP(ObterEnderecoWS(chave), envelope, acao, "nfeRecepcaoEventoResult", targetNs);
}

// ---- Templates and logs ----------------------------------------------------------------------------------

std::string TvxnEventos::ObterPastaTemplate() const {
  return IncludeTrailingPathDelimiter(diretorioTemplates_) + GetUF() + "/";
}

std::string TvxnEventos::LoadTemplate(std::string_view name) {
  return LoadTemplateEventos(versaoManual_, GetUF(), ObterPastaTemplate(), name, utils_);
}

std::string TvxnEventos::GravarLog(std::string_view xml, std::string_view nome, std::string_view id) {
  utils_.SetSaveLogToFile(salvarLogsEmDisco_);
  utils_.SetOnLog(onLog_);
  return utils_.Log(xml, nome, id, utils_.ExpandPath(diretorioLog_));
}

// ---- Distribution XML --------------------------------------------------------------------------------

std::string TvxnEventos::GerarXMLEventoDestinatario(std::string_view logEnvio, std::string_view logRetorno,
                                                    std::string_view idEvento,
                                                    std::string_view templateNome) {
  if (Trim(logEnvio).empty())
    throw EvxnEventoXmlDestinatario("Log de envio do evento não informado", diretorioLogErro_);
  if (Trim(logRetorno).empty())
    throw EvxnEventoXmlDestinatario("Log de consulta não informado", diretorioLogErro_);
  const std::string pasta = utils_.ExpandPath(diretorioLog_);
  const std::string envio = TvxnNFeXMLLogs::LoadLog(logEnvio, pasta);
  const std::string retorno = TvxnNFeXMLLogs::LoadLog(logRetorno, pasta);
  if (!utils_.IsValidXml(envio))
    throw EvxnEventoRetException("O log de envio do evento está inválido ou não foi possível encontrá-lo",
                                 diretorioLogErro_);
  TvxnEventosXmlDestinatario builder;
  builder.SetLogPedido(envio);
  builder.SetLogRetorno(retorno);
  builder.SetTemplate(LoadTemplate(templateNome.empty() ? "eventoxml_dest.xml" : templateNome));
  builder.SetId(StartsWithText(idEvento, "ID") ? std::string(idEvento) : "ID" + std::string(idEvento));
  builder.SetDiretorioLogErro(diretorioLogErro_);
  return builder.GerarXmlDestinatario();
}

} // namespace vxn
