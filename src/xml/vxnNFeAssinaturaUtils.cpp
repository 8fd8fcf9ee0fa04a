#include "xml/vxnNFeAssinaturaUtils.h"

#include "vxnGovUtils.h"
#include "vxnNFeException.h"

namespace vxn {

std::string GetReferenceInfo(std::string_view xml, std::string_view logDir) {
  TvxnGovUtils utils;
  utils.SetDiretorioLogErro(logDir);
  // The value the XPath //@Id selects first, read without building the tree.
  std::string id;
  if (!utils.FindAttribute(xml, {}, "Id", id))
    throw EvxnNFeException("Campo Id não encontrado para nota fiscal", logDir);
  return id;
}

bool ValidaAssinatura(std::string_view xml) {
  const std::string marca = "<Signature xmlns=\"" + std::string(kDSigNamespace) + "\">";
  return xml.find(marca) != std::string_view::npos;
}

} // namespace vxn
