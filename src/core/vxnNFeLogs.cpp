// The component's XML log operations for the host: index files of a sent lot, listing and reading of
// log files.
#include "vxnNFe.h"

#include "vxnFiles.h"
#include "vxnGovUtils.h"
#include "vxnNFeException.h"
#include "vxnPaths.h"
#include "vxnText.h"
#include "xml/vxnNFeXMLLogs.h"

namespace vxn {

void TvxnNFe::SaveFileTemporario(std::string_view nome, std::string_view arquivoLogEnvio) {
  const std::string pasta = IncludeTrailingPathDelimiter(GetDiretorioXmlDestinatario());
  ForceDirectories(pasta);
  // SaveToFile writes to a temporary name and renames it into place: a reader never meets half an index.
  GetGovUtils().SaveToFile("env-lot=" + std::string(arquivoLogEnvio), pasta + std::string(nome));
}

void TvxnNFe::SaveFileChavesTemporario(std::string_view arquivoLogEnvio) {
  if (!GetSalvarLogsEmDisco())
    return;
  TvxnStringList chaves;
  TvxnNFeXMLLogs::ListaChavesLogEnv(
      IncludeTrailingPathDelimiter(GetDiretorioLog()) + std::string(arquivoLogEnvio), &chaves, "");
  // The index files of a lot are written together: one flush of the disk for the lot, not one a key.
  const std::string pasta = IncludeTrailingPathDelimiter(GetDiretorioXmlDestinatario());
  const std::string conteudo = "env-lot=" + std::string(arquivoLogEnvio);
  std::vector<FileToWrite> indices;
  for (const std::string& chave : chaves)
    indices.push_back({ToNativePath(pasta + chave), conteudo});
  WriteFilesAtomic(indices);
}

void TvxnNFe::ListarLogs(TvxnStringList* lista, TLogFilter filtro, std::string_view texto) {
  GetTelemetria().Ping("ListarLogs");
  if (!lista)
    throw EvxnNFeCheckParams("Parâmetro aList não foi instanciado (nil).", GetDiretorioLogErro());
  const std::string pasta = GetDiretorioLog();
  if (Trim(pasta).empty() || !ForceDirectories(pasta))
    throw EvxnNFeLogException("Diretório de log não pode ser criado ou está vazio: %s", {pasta},
                              GetDiretorioLogErro());
  std::string mascara = filtro == TLogFilter::lfCustom ? std::string(texto) : LogFilterMask(filtro);
  if (filtro != TLogFilter::lfCustom && !Trim(texto).empty())
    mascara = Format("*%s%s", {texto, mascara});
  lista->Clear();
  const std::string base = IncludeTrailingPathDelimiter(pasta);
  for (const std::string& nome : ListarEntradas(base, mascara))
    lista->Add(base + nome);
}

std::string TvxnNFe::LerLog(std::string_view arquivo) {
  GetTelemetria().Ping("LerLog");
  UpdateNFeData();
  const std::string caminho = ExpandPath(arquivo);
  if (!FileExists(caminho))
    throw EvxnNFeCheckParams(Format("Arquivo de log %s não encontrado.", {caminho}), GetDiretorioLogErro());
  return GetGovUtils().LoadFromFile(caminho);
}

void TvxnNFe::VisualizarDanfeLog(std::string_view) {
  constexpr std::string_view mensagem = "O método VisualizarDanfeLog está obsoleto.";
  GetTelemetria().Excecao("VisualizarDanfeLog", "EvxnNFeDeprecatedException", mensagem);
  throw EvxnNFeDeprecatedException(mensagem, GetDiretorioLogErro());
}

} // namespace vxn
