// The service status query of the component.
#include "vxnNFe.h"

#include "services/vxnNFEInterface.h"
#include "vxnNFeException.h"

namespace vxn {

std::string TvxnNFe::StatusDoServico() {
  UpdateNFeData();
  UpdateIniServidores();
  CheckCertificate();
  TvxnNFEInterface& nfe = GetNFE();
  ValidarXMLNFe(nfe.GetPedido_Status(), "STATUS");
  Log(nfe.GetPedido_Status(), "ped-sta", "", "");
  std::string reply;
  try {
    reply = nfe.StatusDoServico();
  } catch (const std::exception& e) {
    throw EvxnNFeException(std::string("Erro ao consultar status do serviço: ") + e.what(),
                           GetDiretorioLogErro());
  }
  Log(reply, "sta", "", "");
  return reply;
}

} // namespace vxn
