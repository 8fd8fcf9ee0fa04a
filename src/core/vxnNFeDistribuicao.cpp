// The filing of the documents a distribution reply brings: each docZip unpacked and written under a
// folder tree by what it is (summary, whole document, event by its kind).
#include "vxnNFe.h"

#include "vxnFiles.h"
#include "vxnGovUtils.h"
#include "vxnPaths.h"
#include "vxnText.h"

#include <array>
#include <utility>

namespace vxn {

namespace {

// File suffixes of the events by tpEvento; any other is "-" + tpEvento + ".xml".
constexpr std::array<std::pair<std::string_view, std::string_view>, 6> kSufixos{{
    {"110111", "-caneve.xml"},
    {"110110", "-cce.xml"},
    {"210200", "-co-mde.xml"},
    {"210210", "-ci-mde.xml"},
    {"210220", "-do-mde.xml"},
    {"210240", "-or-mde.xml"},
}};

std::string SufixoEvento(const std::string& tpEvento) {
  for (const auto& [tp, sufixo] : kSufixos)
    if (tp == tpEvento)
      return std::string(sufixo);
  return "-" + tpEvento + ".xml";
}

// The local name of the document element ("" when there is none).
std::string Raiz(std::string_view xml) {
  std::size_t p = xml.find('<');
  while (p != std::string_view::npos && p + 1 < xml.size() && (xml[p + 1] == '?' || xml[p + 1] == '!'))
    p = xml.find('<', p + 1);
  if (p == std::string_view::npos)
    return {};
  const std::size_t fim = xml.find_first_of(" \t\r\n/>", p + 1);
  std::string nome(xml.substr(p + 1, fim == std::string_view::npos ? std::string_view::npos : fim - p - 1));
  const std::size_t doisPontos = nome.find(':');
  return doisPontos == std::string::npos ? nome : nome.substr(doisPontos + 1);
}

} // namespace

void TvxnNFe::TratarXMLRetornoDFe(std::string_view retorno, std::string_view pasta,
                                  const TOnDFeArquivado& aviso) {
  TvxnGovUtils& u = GetGovUtils();
  if (Trim(u.GetValueTag("cStat", retorno)) != "138")
    return;
  const std::string base = Trim(pasta).empty()
                               ? IncludeTrailingPathDelimiter(GetDiretorioXmlDestinatario()) + "DFe/"
                               : IncludeTrailingPathDelimiter(u.ExpandPath(Trim(pasta)));
  const std::string resumos = base + "Resumo/";
  ForceDirectories(resumos);
  for (const std::string& zip : u.XPathSelectNodes(retorno, R"(//*[local-name()="docZip"])")) {
    const std::string documento = DescompactarXMLZip(u.GetValueTag("docZip", zip));
    TvxnDFeArquivado a;
    a.Chave = Trim(u.GetValueTag("chNFe", documento));
    if (a.Chave.empty())
      continue;
    a.NSU = u.GetValueParam("docZip", "NSU", zip);
    a.Schema = u.GetValueParam("docZip", "schema", zip);
    a.Tipo = Raiz(documento);
    if (ContainsText(documento, "<resNFe ")) {
      a.Arquivo = resumos + a.Chave + ".xml";
    } else if (!ContainsText(documento, "<resEvento ") && !ContainsText(documento, "<procEventoNFe ")) {
      a.Arquivo = base + a.Chave + "-nfe.xml";
    } else {
      a.TpEvento = Trim(u.GetValueTag("tpEvento", documento));
      a.Arquivo = base + a.Chave + SufixoEvento(a.TpEvento);
    }
    ForceDirectories(ExtractFilePath(a.Arquivo));
    u.SaveToFileUtf8(documento, a.Arquivo);
    if (aviso)
      aviso(a);
  }
}

} // namespace vxn
