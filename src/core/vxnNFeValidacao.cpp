// Schema validation of the requests the component sends.
#include "vxnNFe.h"

#include "vxnFiles.h"
#include "vxnGovUtils.h"
#include "vxnIniFile.h"
#include "vxnNFeException.h"

namespace vxn {

std::string TvxnCustomNFe::GetXSDFileName(std::string_view comando) {
  const std::string dir = GetDiretorioEsquemas();
  const std::string mapping = dir + "Mapping.txt";
  if (!FileExists(mapping))
    throw EvxnFileNotFoundException("Arquivo %s utilizado na validação de esquema, não foi encontrado",
                                    {mapping}, GetDiretorioLogErro());
  const std::string xsd = TvxnIniFile(mapping).ReadString("ValidarXML", comando, "");
  if (xsd.empty())
    throw EvxnCheckParams("Não foi encontrado mapeamento de XSD para o comando %s ", {comando},
                          GetDiretorioLogErro());
  return dir + xsd;
}

void TvxnCustomNFe::ValidarXMLNFe(std::string_view xml, std::string_view comando) {
  const bool proprioEsquema = xml.find("schemaLocation") != std::string_view::npos;
  const std::string xsd = proprioEsquema ? std::string() : GetXSDFileName(comando);
  TvxnGovUtils& utils = GetGovUtils();
  try {
    if (proprioEsquema)
      utils.ValidateSchemaByDirectory(xml, GetDiretorioEsquemas());
    else
      utils.ValidateSchema(xml, GetURIEsquema(), xsd);
  } catch (const EvxnException& e) {
    GetErrosValidador() = utils.Get_ValidatorErrors();
    throw EvxnSchemaValidationException(e.Message(), GetDiretorioLogErro());
  }
}

} // namespace vxn
