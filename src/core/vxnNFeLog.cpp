// The component's templates and logs.
#include "vxnNFe.h"

#include "vxnGovUtils.h"
#include "xml/vxnNFeTemplateFiles.h"

namespace vxn {

std::string TvxnCustomNFe::LoadTemplate(std::string_view name) {
  return LoadTemplateComponente(GetVersaoManual(), GetUF(), GetTemplateFolder(), name, GetGovUtils(),
                                GetDiretorioLogErro());
}

void TvxnCustomNFe::Log(std::string_view texto, std::string_view tipo, std::string_view id,
                        std::string_view arquivo) {
  // GetGovUtils hands SalvarLogsEmDisco to the utility object and forwards its log events to OnLog and
  // OnLogContent.
  GetGovUtils().Log(texto, tipo, id, GetDiretorioLog(), arquivo);
}

std::string TvxnNFe::GetVersaoNota() {
  return vxn::GetVersaoNota(LoadTemplate("pedido_enviarnota.xml"), GetDiretorioLogErro());
}

} // namespace vxn
