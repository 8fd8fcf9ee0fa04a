#include "xml/vxnNFeTemplateFiles.h"

#include "vxnFiles.h"
#include "vxnGovUtils.h"
#include "vxnNFeException.h"
#include "vxnPaths.h"
#include "xml/vxnNFeTemplates.h"

namespace vxn {

namespace {

constexpr std::string_view kTemplateNaoEncontrado = "Arquivo de template não encontrado: %s";

bool InProgram(TVersaoManual versao) {
  return versao == vm50a || versao == vm60;
}

// An expanded folder gets its trailing separator when it exists, so that a file name can follow it.
std::string ExpandFolder(std::string_view folder, const TvxnGovUtils& utils) {
  std::string path = utils.ExpandPath(folder);
  if (DirectoryExists(path))
    path = IncludeTrailingPathDelimiter(path);
  return path;
}

std::string RequireFile(const std::string& path, std::string_view logDir) {
  if (!FileExists(path))
    throw EvxnTemplateNotFoundException(kTemplateNaoEncontrado, {path}, logDir);
  return path;
}

} // namespace

std::string GetTemplateFolder(std::string_view diretorioTemplates, std::string_view uf) {
  return IncludeTrailingPathDelimiter(ToNativePath(diretorioTemplates)) + std::string(uf) + "/";
}

std::string LoadTemplateComponente(TVersaoManual versao, std::string_view uf, std::string_view templateFolder,
                                   std::string_view name, const TvxnGovUtils& utils,
                                   std::string_view logDir) {
  if (InProgram(versao))
    return TvxnNFeTemplates::LoadTemplate(versao, uf, name);
  const std::string path = RequireFile(ExpandFolder(templateFolder, utils) + std::string(name), logDir);
  return utils.LoadFromFile(path);
}

std::string LoadTemplateInterface(TVersaoManual versao, std::string_view uf,
                                  std::string_view diretorioTemplates, std::string_view name,
                                  const TvxnGovUtils& utils, std::string_view logDir) {
  if (InProgram(versao))
    return TvxnNFeTemplates::LoadTemplate(versao, uf, name);
  const std::string folder = GetTemplateFolder(diretorioTemplates, uf);
  const std::string path = RequireFile(ExpandFolder(folder, utils) + std::string(name), logDir);
  return utils.RemoveAccents(utils.LoadFromFile(path));
}

std::string LoadTemplateEventos(TVersaoManual versao, std::string_view uf, std::string_view pastaTemplate,
                                std::string_view name, const TvxnGovUtils& utils) {
  if (InProgram(versao))
    return TvxnNFeTemplates::LoadTemplate(versao, uf, name);
  std::string path =
      FileExists(name) ? std::string(name) : ExpandFolder(pastaTemplate, utils) + std::string(name);
  path = RequireFile(utils.ExpandPath(path), {});
  return utils.RemoveAccents(utils.LoadFromFile(path));
}

std::string GetVersaoNota(std::string_view loteTemplate, std::string_view logDir) {
  constexpr std::string_view kOpening = "versao=\"";
  const std::size_t start = loteTemplate.find(kOpening);
  if (start == std::string_view::npos)
    throw EvxnNFeException("Não foi encontrado o atributo \"versao\" no template: pedido_enviarnota.xml",
                           logDir);
  const std::size_t from = start + kOpening.size();
  const std::size_t end = loteTemplate.find('"', from);
  return end == std::string_view::npos ? std::string() : std::string(loteTemplate.substr(from, end - from));
}

} // namespace vxn
