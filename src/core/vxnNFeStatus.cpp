// The service status query of the component.
#include "vxnNFe.h"

#include "services/vxnNFEInterface.h"
#include "vxnGovUtils.h"
#include "vxnNFeException.h"

#include <chrono>

namespace vxn {

namespace {

constexpr std::string_view kOperacao = "StatusDoServico";

} // namespace

std::string TvxnNFe::StatusDoServico() {
  GetTelemetria().Ping(kOperacao);
  try {
    UpdateNFeData();
    UpdateIniServidores();
    CheckCertificate();
    TvxnNFEInterface& nfe = GetNFE();
    ValidarXMLNFe(nfe.GetPedido_Status(), "STATUS");
    Log(nfe.GetPedido_Status(), "ped-sta", "", "");
    std::string reply;
    const auto inicio = std::chrono::steady_clock::now();
    try {
      reply = nfe.StatusDoServico();
    } catch (const std::exception& e) {
      throw EvxnNFeException(std::string("Erro ao consultar status do serviço: ") + e.what(),
                             GetDiretorioLogErro());
    }
    const auto duracao = std::chrono::steady_clock::now() - inicio;
    GetTelemetria().Tempo(kOperacao, "SEFAZ",
                          std::chrono::duration_cast<std::chrono::milliseconds>(duracao).count());
    GetTelemetria().Resultado(kOperacao, GetGovUtils().GetValueTag("cStat", reply),
                              GetGovUtils().GetValueTag("xMotivo", reply));
    Log(reply, "sta", "", "");
    return reply;
  } catch (const EvxnException& e) {
    GetTelemetria().Excecao(kOperacao, e.ClassName(), e.Message());
    throw;
  }
}

} // namespace vxn
