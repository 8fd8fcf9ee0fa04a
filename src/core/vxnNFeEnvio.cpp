// Sending lots of signed NF-e to the tax authority and querying the receipts of asynchronous lots.
//
// Every operation is one request and one reply: the component never waits or retries, polling a
// receipt is the host's loop. Checks come first, so that nothing is logged or sent for a refused lot;
// the request is logged before it is sent and the reply as soon as it arrives, and with logs on disk
// the index files name the lot-sending log for each receipt and key, from which the distribution XML
// is built later.
#include "vxnNFe.h"

#include "services/vxnNFEInterface.h"
#include "vxnFormat.h"
#include "vxnGovUtils.h"
#include "vxnNFeException.h"
#include "vxnTelemetriaOperacao.h"
#include "vxnText.h"
#include "xml/vxnNFeAssinaturaUtils.h"
#include "xml/vxnNFeUtils.h"

#include <array>
#include <charconv>
#include <chrono>
#include <clocale>
#include <functional>

namespace vxn {
namespace {

// Statuses after which the distribution XML is produced: a synchronous send whose document was
// authorised (100, 150) or denied (110, 301, 302); a receipt whose lot was processed (104) or, as some
// authorities answer, carries a denial as the lot status.
constexpr std::array<std::string_view, 5> kStatusSincronoComDocumento{"100", "110", "301", "302", "150"};
constexpr std::array<std::string_view, 4> kStatusLoteProcessado{"104", "110", "301", "302"};

template <std::size_t N> bool Contem(const std::array<std::string_view, N>& lista, std::string_view valor) {
  for (std::string_view item : lista)
    if (item == valor)
      return true;
  return false;
}

// A size in thousands of characters in its shortest decimal form, with the decimal separator of the
// C locale in force.
std::string TamanhoDecimal(double tamanho) {
  std::array<char, 64> buffer{};
  const auto [fim, erro] =
      std::to_chars(buffer.data(), buffer.data() + buffer.size(), tamanho, std::chars_format::fixed);
  std::string texto(buffer.data(), erro == std::errc() ? fim : buffer.data());
  const std::lconv* locale = std::localeconv();
  const std::string separador = locale && locale->decimal_point ? locale->decimal_point : ".";
  if (const std::size_t ponto = texto.find('.'); ponto != std::string::npos)
    texto.replace(ponto, 1, separador);
  return texto;
}

// Replaces the first occurrence of `de`, compared without regard to ASCII case.
std::string SubstituirPrimeiroTexto(std::string_view texto, std::string_view de, std::string_view para) {
  const std::string minusculo = AsciiLower(texto);
  const std::size_t pos = minusculo.find(AsciiLower(de));
  if (pos == std::string::npos)
    return std::string(texto);
  std::string resultado(texto);
  resultado.replace(pos, de.size(), para);
  return resultado;
}

// Runs one operation of the web-service object: the call is timed and its result reported to
// telemetry; whatever it raises is raised again as EvxnNFeException with the operation's prefix.
class TvxnNFeChamadaServico {
public:
  TvxnNFeChamadaServico(TvxnNFe& nfe, std::string_view operacao, std::string_view prefixoErro)
      : nfe_(nfe), operacao_(operacao), prefixoErro_(prefixoErro) {}

  std::string Executar(const std::function<std::string()>& chamada) {
    std::string resposta;
    const auto inicio = std::chrono::steady_clock::now();
    try {
      resposta = chamada();
    } catch (const EvxnException& e) {
      throw EvxnNFeException(prefixoErro_ + e.Message(), nfe_.GetDiretorioLogErro());
    } catch (const std::exception& e) {
      throw EvxnNFeException(prefixoErro_ + e.what(), nfe_.GetDiretorioLogErro());
    }
    const auto duracao = std::chrono::steady_clock::now() - inicio;
    nfe_.GetTelemetria().Tempo(operacao_, "SEFAZ",
                               std::chrono::duration_cast<std::chrono::milliseconds>(duracao).count());
    nfe_.GetTelemetria().Resultado(operacao_, nfe_.GetGovUtils().GetValueTag("cStat", resposta),
                                   nfe_.GetGovUtils().GetValueTag("xMotivo", resposta));
    return resposta;
  }

private:
  TvxnNFe& nfe_;
  std::string operacao_;
  std::string prefixoErro_;
};

} // namespace

void TvxnNFe::ValidarTamanhoArquivoEnvio(std::string_view lote) {
  if (lote.empty())
    throw EvxnNFeMaxSizeException("O Lote de NFes informado está vazio", GetDiretorioLogErro());
  // The limit counts characters, not bytes: an accented letter is one character of the lot.
  const double tamanho = static_cast<double>(Utf8Length(lote)) / 1000.0;
  if (tamanho <= static_cast<double>(GetMaxSizeLoteEnvio()))
    return;
  throw EvxnNFeMaxSizeException("O Lote de NFes possui %s KB ultrapassando o limite de %s KB.",
                                {TamanhoDecimal(tamanho), std::to_string(GetMaxSizeLoteEnvio())},
                                GetDiretorioLogErro());
}

std::string TvxnNFe::ValidarLoteParaEnvio(std::string_view numeroLote, std::string_view lote) {
  GetTelemetria().Ping("ValidarLoteParaEnvio");
  // The lot goes into the request on one line: the documents were signed without line breaks.
  const std::string loteLimpo = ReplaceAll(ReplaceAll(lote, "\n", ""), "\r", "");
  const std::string pedido =
      Format(LoadTemplate("pedido_enviarnota.xml"), {numeroLote, loteLimpo, std::string_view()});
  CheckCertificate();
  if (GetGovUtils().RemoveAccents(numeroLote) != numeroLote)
    throw EvxnNFeCheckParams("Numero do Lote não pode conter acento: %s", {numeroLote},
                             GetDiretorioLogErro());
  ValidarTamanhoArquivoEnvio(lote);
  if (!ValidaAssinatura(lote))
    throw EvxnSignatureException("A nota não possui assinatura", GetDiretorioLogErro());
  if (GetValidarEsquemaAntesEnvio())
    ValidarXMLNFe(pedido, "ENVIO");
  return pedido;
}

std::string TvxnNFe::EnviarNF(std::string_view numeroLote, std::string_view lote, bool compactar) {
  constexpr std::string_view kOperacao = "EnviarNF";
  return ComTelemetria(GetTelemetria(), kOperacao, [&] {
    if (Trim(lote).empty())
      throw EvxnNFeCheckParams("Favor preencher o parâmetro aLoteNotas", GetDiretorioLogErro());
    UpdateNFeData();
    UpdateIniServidores();
    if (EnviaComoSincrono(lote))
      return EnviarNFSincrono(numeroLote, lote, compactar);
    const std::string pedido = ValidarLoteParaEnvio(numeroLote, lote);

    const std::string logEnvio = GetGovUtils().GetLogFileName("env-lot", numeroLote);
    Log(pedido, "env-lot", numeroLote, logEnvio);
    SaveFileChavesTemporario(logEnvio);

    const std::string resposta =
        TvxnNFeChamadaServico(*this, kOperacao, "Erro ao enviar NF-e: ").Executar([&] {
          // The web-service object and its servers file are taken inside the call, so that their
          // configuration errors carry the operation's prefix like its other failures.
          return GetNFE().EnviarNF(numeroLote, pedido, compactar);
        });
    Log(resposta, "rec", numeroLote);

    const std::string recibo = ObterNumRecibo(resposta);
    if (!recibo.empty() && GetSalvarLogsEmDisco())
      SaveFileTemporario(recibo, logEnvio);
    return resposta;
  });
}

// Since technical note 2025.001 the authorities answer a 4.00 lot of one document only synchronously
// (452 when it asks for a receipt). The request of the national environment has no indSinc: it stays
// asynchronous.
bool TvxnNFe::EnviaComoSincrono(std::string_view lote) {
  return GetLoteUnicoSincrono() && GetVersaoManual() == vm60 && GetNumNotas(lote) == 1 &&
         LoadTemplate("pedido_enviarnota.xml").find("<indSinc>") != std::string::npos;
}

std::string TvxnNFe::EnviarNFSincrono(std::string_view numeroLote, std::string_view lote, bool compactar) {
  constexpr std::string_view kOperacao = "EnviarNFSincrono";
  return ComTelemetria(GetTelemetria(), kOperacao, [&] {
    // Only the layout classes of 5.0a and 6.0 implement the synchronous send.
    if (GetVersaoManual() < vm50a)
      throw EvxnNFeException(
          "Só é possível fazer o envio síncrono de NF-e com versão manual 5.0a ou superior.",
          GetDiretorioLogErro());
    if (Trim(lote).empty())
      throw EvxnNFeCheckParams("Favor preencher o parâmetro aLoteNota", GetDiretorioLogErro());
    if (GetNumNotas(lote) >= 2)
      throw EvxnNFeCheckParams("O lote de notas para envio síncrono deve conter somente uma NF-e",
                               GetDiretorioLogErro());
    UpdateNFeData();
    UpdateIniServidores();
    const std::string pedido = SubstituirPrimeiroTexto(ValidarLoteParaEnvio(numeroLote, lote),
                                                       "<indSinc>0</indSinc>", "<indSinc>1</indSinc>");
    const std::string chave = ObterNotaID(lote);

    const std::string logEnvio = GetGovUtils().GetLogFileName("env-sinc-lot", chave);
    Log(pedido, "env-sinc-lot", chave, logEnvio);
    SaveFileChavesTemporario(logEnvio);

    const std::string resposta =
        TvxnNFeChamadaServico(*this, kOperacao, "Erro ao enviar NF-e (síncrono): ").Executar([&] {
          return GetNFE().EnviarNFSincrono(numeroLote, pedido, compactar);
        });
    const std::string cStat = GetGovUtils().GetValueTag("infProt", "cStat", resposta);
    // The reply is kept under the name of the synchronous return, the name the distribution XML reads.
    const std::string logRetorno = GetGovUtils().GetLogFileName("env-sinc-ret", chave);
    Log(resposta, "rec-sinc", chave, logRetorno);

    if (GetSalvarLogsEmDisco() && Contem(kStatusSincronoComDocumento, cStat))
      GerarXMLDestinatario(chave, logRetorno);
    return resposta;
  });
}

std::string TvxnNFe::ConsultarRecibo(std::string_view recibo) {
  constexpr std::string_view kOperacao = "ConsultarRecibo";
  return ComTelemetria(GetTelemetria(), kOperacao, [&] {
    UpdateNFeData();
    UpdateIniServidores();
    CheckCertificate();
    if (Utf8Length(recibo) != 15)
      throw EvxnNFeCheckParams("Número do Recibo deve ter exatamente 15 dígitos: %s", {recibo},
                               GetDiretorioLogErro());
    if (GetGovUtils().RemoveAccents(recibo) != recibo)
      throw EvxnNFeCheckParams("Número do Recibo não pode conter acentos: %s", {recibo},
                               GetDiretorioLogErro());

    TvxnNFEInterface& servico = GetNFE();
    const std::string pedido = servico.GetPedido_ConsultaRecibo(recibo);
    ValidarXMLNFe(pedido, "CONSULTARECIBO");
    Log(pedido, "ped-rec", recibo);

    const std::string resposta =
        TvxnNFeChamadaServico(*this, kOperacao, "Erro ao consultar recibo: ").Executar([&] {
          return servico.ConsultarRecibo(recibo);
        });
    const std::string logRetorno = GetGovUtils().GetLogFileName("pro-rec", recibo);
    Log(resposta, "pro-rec", recibo, logRetorno);

    // The first cStat of the reply is the lot's own status.
    if (GetSalvarLogsEmDisco() && Contem(kStatusLoteProcessado, GetGovUtils().GetValueTag("cStat", resposta)))
      GerarXmlDestinatarioNFsAprovadas(recibo, logRetorno);
    return resposta;
  });
}

void TvxnNFe::ValidarLoteItem() {
  constexpr std::string_view mensagem =
      "O método ValidarLoteItem está obsoleto. Utilize: ValidarLoteParaEnvio ou AuditarXml";
  GetTelemetria().Excecao("ValidarLoteItem", "EvxnNFeDeprecatedException", mensagem);
  throw EvxnNFeDeprecatedException(mensagem, GetDiretorioLogErro());
}

void TvxnNFe::GerarNotasAleatorias() {
  throw EvxnNFeDeprecatedException("O método GerarNotasAleatorias está obsoleto.", GetDiretorioLogErro());
}

} // namespace vxn
