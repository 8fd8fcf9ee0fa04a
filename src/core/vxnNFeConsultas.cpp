// The document query by access key, the unpacking of compressed documents and the obsolete direct
// cancellation.
#include "vxnNFe.h"

#include "services/vxnNFEInterface.h"
#include "vxnGovUtils.h"
#include "vxnNFeException.h"
#include "vxnText.h"

#include <array>
#include <chrono>

namespace vxn {

namespace {

constexpr std::string_view kConsultarNF = "ConsultarNF";

// The situations whose reply carries a protocol worth a distribution document: authorised (100, and
// 150 out of time) and denied (110, 301, 302).
constexpr std::array<std::string_view, 5> kSituacoesComProtocolo = {"100", "110", "301", "302", "150"};

bool TemProtocolo(std::string_view cStat) {
  for (std::string_view s : kSituacoesComProtocolo)
    if (s == cStat)
      return true;
  return false;
}

} // namespace

std::string TvxnNFe::ConsultarNF(std::string_view chave) {
  GetTelemetria().Ping(kConsultarNF);
  try {
    UpdateNFeData();
    UpdateIniServidores();
    CheckCertificate();
    TvxnGovUtils& utils = GetGovUtils();
    if (utils.RemoveAccents(chave) != chave)
      throw EvxnNFeCheckParams("ID da Nota não pode conter acentos: %s", {chave}, GetDiretorioLogErro());
    TvxnNFEInterface& nfe = GetNFE();
    const std::string pedido = nfe.GetPedido_ConsultarNF(chave);
    ValidarXMLNFe(pedido, "CONSULTANF");
    std::string reply;
    const auto inicio = std::chrono::steady_clock::now();
    try {
      reply = nfe.ConsultarNF(chave);
    } catch (const std::exception& e) {
      throw EvxnNFeException(std::string("Erro ao consultar NF-e: ") + e.what(), GetDiretorioLogErro());
    }
    GetTelemetria().Tempo(
        kConsultarNF, "SEFAZ",
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - inicio)
            .count());
    const std::string cStat = utils.GetValueTag("cStat", reply);
    GetTelemetria().Resultado(kConsultarNF, cStat, utils.GetValueTag("xMotivo", reply));
    // The request is logged only once the authority has answered it.
    Log(pedido, "ped-sit", chave);
    const std::string logResposta = utils.GetLogFileName("sit", chave);
    Log(reply, "sit", chave, logResposta);
    if (GetSalvarLogsEmDisco() && TemProtocolo(cStat))
      GerarXMLDestinatario(chave, logResposta);
    return reply;
  } catch (const EvxnException& e) {
    GetTelemetria().Excecao(kConsultarNF, e.ClassName(), e.Message());
    throw;
  }
}

std::string TvxnNFe::DescompactarXMLZip(std::string_view texto) {
  GetTelemetria().Ping("DescompactarXMLZip");
  std::string xml = GetGovUtils().DecompressBase64Gz(Trim(texto));
  if (xml.empty()) {
    EvxnNFeDescompactarXMLException erro("Verifique se o conteúdo informado é um xml compactado válido",
                                         GetDiretorioLogErro());
    GetTelemetria().Excecao("DescompactarXMLZip", erro.ClassName(), erro.Message());
    throw erro;
  }
  return xml;
}

void TvxnNFe::CancelarNF(std::string_view, std::string_view, std::string_view) {
  GetTelemetria().Ping("CancelarNF");
  EvxnNFeDeprecatedException erro("O método CancelarNF está obsoleto. Utilize: CancelarNFeEvento",
                                  GetDiretorioLogErro());
  GetTelemetria().Excecao("CancelarNF", erro.ClassName(), erro.Message());
  throw erro;
}

} // namespace vxn
