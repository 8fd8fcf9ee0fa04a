// How the three owners of templates (the NF-e component, the web-service interface and the events
// component) load a template: from the in-program store for layouts 3.10 and 4.00, from a file in the
// state's template folder for the older layouts.
//
// A file template's text is a Format string whose slots the caller fills in the same order as for the
// in-program text of the same name.
#pragma once

#include "vxnNFeType.h"

#include <string>
#include <string_view>

namespace vxn {

class TvxnGovUtils;

// The state's folder of file templates: the templates directory (which already ends in the layout's
// folder, "vm50/") followed by the state and "/".
std::string GetTemplateFolder(std::string_view diretorioTemplates, std::string_view uf);

// The component's rule: layouts vm50a and vm60 from the in-program store; otherwise the file
// `templateFolder` (expanded) + `name`, read as it is. A missing file raises
// EvxnTemplateNotFoundException "Arquivo de template não encontrado: <path>" with `logDir`.
std::string LoadTemplateComponente(TVersaoManual versao, std::string_view uf, std::string_view templateFolder,
                                   std::string_view name, const TvxnGovUtils& utils, std::string_view logDir);

// The web-service interface's rule: as the component's, the file being
// ExpandPath(diretorioTemplates + uf + "/") + name, and its whole text passed through RemoveAccents.
std::string LoadTemplateInterface(TVersaoManual versao, std::string_view uf,
                                  std::string_view diretorioTemplates, std::string_view name,
                                  const TvxnGovUtils& utils, std::string_view logDir);

// The events component's rule: `name` may itself be the path of an existing file; otherwise the file is
// ExpandPath(pastaTemplate) + name. The missing-file exception carries no log directory; the text goes
// through RemoveAccents.
std::string LoadTemplateEventos(TVersaoManual versao, std::string_view uf, std::string_view pastaTemplate,
                                std::string_view name, const TvxnGovUtils& utils);

// The layout version written in a lot template: the value of its first versao="..." attribute ("" when
// the closing quote is missing). No such attribute raises EvxnNFeException
// "Não foi encontrado o atributo \"versao\" no template: pedido_enviarnota.xml" with `logDir`.
std::string GetVersaoNota(std::string_view loteTemplate, std::string_view logDir);

} // namespace vxn
