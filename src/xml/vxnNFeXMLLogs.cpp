#include "xml/vxnNFeXMLLogs.h"

#include "vxnFiles.h"
#include "vxnGovUtils.h"
#include "vxnNFeException.h"
#include "vxnPaths.h"
#include "vxnText.h"
#include "xml/vxnNFeUtils.h"

#include <algorithm>
#include <filesystem>
#include <fnmatch.h>
#include <stdexcept>
#include <system_error>
#include <vector>

namespace vxn {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kMsgChaveNumerica = "A Chave deve ser composta apenas por Números";

bool CombinaMascara(const std::string& nome, const std::string& mascara) {
  return ::fnmatch(mascara.c_str(), nome.c_str(), FNM_PERIOD) == 0;
}

struct Entrada {
  std::string nome;
  bool diretorio = false;
};

// The entries of a folder in byte order of their names; an unreadable folder has none.
std::vector<Entrada> EntradasOrdenadas(const std::string& pasta) {
  std::vector<Entrada> out;
  std::error_code ec;
  fs::directory_iterator it(pasta, ec);
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    std::error_code ecTipo;
    out.push_back({it->path().filename().string(), it->is_directory(ecTipo)});
  }
  std::sort(out.begin(), out.end(), [](const Entrada& a, const Entrada& b) { return a.nome < b.nome; });
  return out;
}

void PercorrerPasta(const std::string& pasta, const std::string& mascara, bool recursivo,
                    TvxnStringList& lista) {
  const std::vector<Entrada> entradas = EntradasOrdenadas(pasta);
  for (const Entrada& e : entradas)
    if (!e.diretorio && CombinaMascara(e.nome, mascara))
      lista.Add(pasta + e.nome);
  if (!recursivo)
    return;
  for (const Entrada& e : entradas)
    if (e.diretorio && e.nome != "." && e.nome != "..")
      PercorrerPasta(pasta + e.nome + "/", mascara, recursivo, lista);
}

// Reading functions search the log as loaded; a log that is not XML selects nothing.
std::vector<std::string> Selecionar(std::string_view xml, std::string_view xpath) {
  TvxnGovUtils utils;
  return utils.XPathSelectNodes(xml, xpath);
}

} // namespace

std::string TvxnNFeXMLLogs::LoadLog(std::string_view arquivo, std::string_view diretorio) {
  TvxnGovUtils utils;
  if (!IsAbsolutePath(arquivo)) {
    const std::string caminho =
        IncludeTrailingPathDelimiter(ExpandPath(diretorio)) + ExtractFileName(arquivo);
    if (!diretorio.empty() && FileExists(caminho))
      return utils.LoadFromFile(caminho);
    return utils.RemoveBOM(arquivo);
  }
  if (!FileExists(arquivo))
    throw EvxnNFeLogNotFoundException("Arquivo de Log %s não existe.", {arquivo});
  return utils.LoadFromFile(arquivo);
}

std::string TvxnNFeXMLLogs::AchaNFeAssinadaLogEnvio(std::string_view chave, std::string_view arquivo,
                                                    std::string_view diretorio) {
  if (StartsWithText(chave, "N"))
    throw std::runtime_error(std::string(kMsgChaveNumerica));
  const std::string log = LoadLog(arquivo, diretorio);
  if (log.empty())
    throw EvxnNFeCheckParams("Arquivo de Log Vazio");
  const std::vector<std::string> nos = Selecionar(log, "*");
  if (nos.empty())
    throw EvxnNFeCheckParams("Arquivo Log não contém Chave de NFe ou é inválido.");
  for (const std::string& no : nos)
    if (ContainsText(no, chave))
      return no;
  return {};
}

std::string TvxnNFeXMLLogs::AchaInfProtLogConsRec(std::string_view chave, std::string_view arquivo,
                                                  std::string_view diretorio) {
  if (StartsWithText(chave, "N"))
    throw EvxnChaveNFeException(kMsgChaveNumerica);
  for (const std::string& no : Selecionar(LoadLog(arquivo, diretorio), ".//tec:infProt"))
    if (ContainsText(no, chave))
      return no;
  return {};
}

std::string TvxnNFeXMLLogs::AchaInfProtLogConsNF(std::string_view chave, std::string_view arquivo,
                                                 std::string_view diretorio) {
  if (StartsWithText(chave, "N"))
    throw std::runtime_error(std::string(kMsgChaveNumerica));
  const std::vector<std::string> nos = Selecionar(LoadLog(arquivo, diretorio), ".//tec:infProt");
  return nos.empty() ? std::string() : nos.front();
}

void TvxnNFeXMLLogs::ListaChavesLogRecibo(std::string_view arquivo, int cStat, TvxnStringList* lista,
                                          std::string_view diretorio) {
  ListaChavesLogRecibo(arquivo, {cStat}, lista, diretorio);
}

void TvxnNFeXMLLogs::ListaChavesLogRecibo(std::string_view arquivo, std::initializer_list<int> cStats,
                                          TvxnStringList* lista, std::string_view diretorio) {
  for (int cStat : cStats)
    if (cStat <= 0)
      throw EvxnNFeCheckParams("O cStat deve ser informado.");
  if (!lista)
    throw EvxnNFeCheckParams("Lista não foi instanciada.");
  if (cStats.size() == 0)
    return;
  std::vector<std::pair<int, std::string>> protocolos; // cStat and chNFe of each protNFe
  for (const std::string& no : Selecionar(LoadLog(arquivo, diretorio), ".//tec:protNFe"))
    protocolos.emplace_back(StrToIntDef(Trim(GetValueTag("cStat", no)), -1), GetValueTag("chNFe", no));
  for (int cStat : cStats)
    for (const auto& [status, chave] : protocolos)
      if (status == cStat)
        lista->Add(chave);
}

void TvxnNFeXMLLogs::ListaChavesLogEnv(std::string_view arquivo, TvxnStringList* lista,
                                       std::string_view diretorio) {
  if (!lista)
    throw EvxnNFeCheckParams("Lista não foi instanciada.");
  // The Id of every infNFe (".//tec:infNFe/@Id"), read without building the tree of the whole lot.
  TvxnGovUtils utils;
  for (const std::string& id :
       utils.FindAttributes(LoadLog(arquivo, diretorio), kNFeNamespace, "infNFe", "Id"))
    lista->Add(Utf8Mid(id, 3));
}

bool CompareDigValLogsNFe(std::string_view xmlNFe, std::string_view xmlProt) {
  return GetValueTag("DigestValue", xmlNFe) == GetValueTag("digVal", xmlProt);
}

void PercorrerArquivos(std::string_view pasta, std::string_view mascara, bool recursivo,
                       TvxnStringList& lista) {
  TvxnGovUtils utils;
  PercorrerPasta(utils.FixSlash(pasta), std::string(mascara), recursivo, lista);
}

TvxnStringList ListarEntradas(std::string_view pasta, std::string_view mascara) {
  TvxnStringList nomes;
  const std::string m(mascara);
  for (const Entrada& e : EntradasOrdenadas(std::string(pasta)))
    if (CombinaMascara(e.nome, m))
      nomes.Add(e.nome);
  return nomes;
}

} // namespace vxn
