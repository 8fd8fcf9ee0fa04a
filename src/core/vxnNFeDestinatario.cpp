// The component's distribution XML operations: the nfeProc of authorised and denied documents after a
// processed receipt, a synchronous send or a situation query, the documents the host asks for from its
// logs, the cancellation and invalidation documents, and the check of a distribution document.
#include "vxnNFe.h"

#include "vxnFiles.h"
#include "vxnGovUtils.h"
#include "vxnNFeException.h"
#include "vxnPaths.h"
#include "vxnText.h"
#include "xml/vxnNFeUtils.h"
#include "xml/vxnNFeXMLLogs.h"
#include "xml/vxnNFeXmlDestinatario.h"
#include "xml/vxnNFeXmlProcDestinatario.h"

namespace vxn {
namespace {

constexpr std::string_view kMsgLogReciboVazio = "Log de consulta de Recibo não informado";

// The first document of a distribution text with its protocol: from "<infNFe" to the first "</protNFe>".
std::string DocumentoComProtocolo(std::string_view xml) {
  const auto inicio = xml.find("<infNFe");
  if (inicio == std::string_view::npos)
    return {};
  const auto fim = xml.find("</protNFe>", inicio);
  return std::string(fim == std::string_view::npos ? xml.substr(inicio)
                                                   : xml.substr(inicio, fim + 10 - inicio));
}

// A builder configured as the component is: its folders, template, callback and log switch.
void ConfigurarBuilder(TvxnNFe& nfe, TvxnNFeXmlDestinatario& b) {
  b.SetOnXmlDestinatario(nfe.GetOnXmlDestinatario());
  b.SetTemplate(nfe.LoadTemplate("envioxml_dest.xml"));
  b.SetDiretorioXmlDestinatario(nfe.GetDiretorioXmlDestinatario());
  b.SetDiretorioLog(nfe.GetDiretorioLog());
  b.SetSalvarLogsEmDisco(nfe.GetSalvarLogsEmDisco());
}

TvxnDestinatarioConfig ConfigDestinatario(TvxnNFe& nfe) {
  TvxnDestinatarioConfig c;
  c.VersaoManual = nfe.GetVersaoManual();
  c.DiretorioXmlDestinatario = nfe.GetDiretorioXmlDestinatario();
  c.UF = nfe.GetUF();
  c.DiretorioTemplates = nfe.GetDiretorioTemplates();
  c.DiretorioLog = nfe.GetDiretorioLog();
  c.DiretorioLogErro = nfe.GetDiretorioLogErro();
  return c;
}

} // namespace

void TvxnNFe::GerarXMLDestinatario(std::string_view key, std::string_view logFile) {
  const std::string pasta = IncludeTrailingPathDelimiter(GetDiretorioXmlDestinatario());
  if (!FileExists(pasta + std::string(key)))
    return;
  TvxnNFeXmlDestinatario builder(GetDiretorioLogErro());
  ConfigurarBuilder(*this, builder);
  builder.SetChaveNFe(key);
  builder.SetLogConsChave(IncludeTrailingPathDelimiter(GetDiretorioLog()) + std::string(logFile));
  builder.SetSalvarComo(pasta + std::string(key) + "-nfe.xml");
  builder.GerarXmlDestinatario(key);
}

void TvxnNFe::GerarXmlDestinatarioNFsAprovadas(std::string_view recibo, std::string_view logFile) {
  CheckConfig();
  if (logFile.empty())
    throw EvxnCheckParams(kMsgLogReciboVazio, GetDiretorioLogErro());
  TvxnNFeXmlDestinatario builder(GetDiretorioLogErro());
  ConfigurarBuilder(*this, builder);
  builder.SetLogConsRec(IncludeTrailingPathDelimiter(GetDiretorioLog()) + std::string(logFile));
  builder.GerarXmlDestinatario(recibo);
}

std::string TvxnNFe::GerarXMLEnvioDestinatario(std::string_view chave, std::string_view logEnvio,
                                               std::string_view logResposta, std::string_view salvarComo) {
  GetTelemetria().Ping("GerarXMLEnvioDestinatario");
  CheckConfig();
  if (logResposta.empty())
    throw EvxnCheckParams(kMsgLogReciboVazio, GetDiretorioLogErro());
  TvxnNFeXmlDestinatario builder(GetDiretorioLogErro());
  ConfigurarBuilder(*this, builder);
  builder.SetChaveNFe(chave);
  builder.SetLogEnvio(TvxnNFeXMLLogs::LoadLog(logEnvio, GetDiretorioLog()));
  // The kind of reply decides where the protocol is looked for: among the protocols of a lot, or the
  // one protocol of a situation or synchronous reply.
  const std::string resposta = TvxnNFeXMLLogs::LoadLog(logResposta, GetDiretorioLog());
  const std::string maiusculas = AsciiUpper(resposta);
  if (maiusculas.find("RETCONSRECINFE") != std::string::npos)
    builder.SetLogConsRec(resposta);
  else if (maiusculas.find("RETCONSSITNFE") != std::string::npos ||
           maiusculas.find("RETENVINFE") != std::string::npos)
    builder.SetLogConsChave(resposta);
  builder.SetSalvarComo(salvarComo);
  return GetGovUtils().RemoveBOM(builder.GerarXmlDestinatario());
}

std::string TvxnNFe::GerarXmlDestinatarioInutilizacao(std::string_view retorno, std::string_view pedido) {
  // A log may begin with an XML declaration, which has no place inside ProcInutNFe.
  return Format(LoadTemplate("inutxml_dest.xml"), {LimparXmlLog(pedido), LimparXmlLog(retorno)});
}

std::string TvxnNFe::GerarXMLCancelamentoDestinatario(std::string_view chave, std::string_view pedido,
                                                      std::string_view retorno, std::string_view salvarComo) {
  return vxn::GerarXMLCancelamentoDestinatario(ConfigDestinatario(*this), chave, pedido, retorno, salvarComo);
}

std::string TvxnNFe::GerarXMLInutilizacaoDestinatario(std::string_view id, std::string_view pedido,
                                                      std::string_view retorno, std::string_view salvarComo) {
  return vxn::GerarXMLInutilizacaoDestinatario(ConfigDestinatario(*this), id, pedido, retorno, salvarComo);
}

bool TvxnNFe::ValidarArquivoXmlDestinatario(std::string_view xml, TvxnStringList* mensagens) {
  GetTelemetria().Ping("ValidarArquivoXmlDestinatario");
  TvxnStringList achados;
  try {
    GetGovUtils().ValidateSchema(xml, GetURIEsquema(), GetXSDFileName("XMLDESTINATARIO"));
  } catch (const std::exception& e) {
    achados.Add(e.what());
  }
  try {
    const std::string documento = DocumentoComProtocolo(xml);
    if (!CompareDigValLogsNFe(documento, GetValueTag("infProt", documento)))
      achados.Add("O DigestValue da nota assinada, difere do digVal do protocolo processado");
  } catch (const std::exception& e) {
    achados.Add(e.what());
  }
  // The schema lets a document without signature through; a recipient cannot use one.
  if (xml.find("<Signature") == std::string_view::npos)
    achados.Add("A nota não possui assinatura");
  if (mensagens)
    *mensagens = achados;
  return achados.Empty();
}

} // namespace vxn
