#include "xml/vxnNFeLogsLidos.h"

#include "vxnGovUtils.h"
#include "vxnNFeException.h"
#include "vxnText.h"
#include "vxnXPathSelection.h"
#include "xml/vxnNFeUtils.h"
#include "xml/vxnNFeXMLLogs.h"

#include <stdexcept>

namespace vxn {
namespace {

constexpr std::string_view kMsgChaveNumerica = "A Chave deve ser composta apenas por Números";
constexpr std::string_view kPrefixoIdNFe = "NFe";

std::vector<std::string> Selecionar(std::string_view xml, std::string_view xpath) {
  TvxnGovUtils utils;
  return utils.XPathSelectNodes(xml, xpath);
}

// The elements under the root of a lot-sending log, each with its key: the Id of the first infNFe in it
// without the "NFe" in front ("" for an element without one).
TvxnNFeNosPorChave NFesDoLog(std::string_view log) {
  TvxnGovUtils utils;
  std::vector<std::string> nos;
  std::vector<std::string> chaves;
  for (TvxnSelectedNode& no : XPathSelectNodesWithAttribute(utils, log, "*", "infNFe", "Id")) {
    nos.push_back(std::move(no.Xml));
    chaves.push_back(StartsWithText(no.Attribute, kPrefixoIdNFe) ? no.Attribute.substr(kPrefixoIdNFe.size())
                                                                 : std::string());
  }
  return TvxnNFeNosPorChave(std::move(nos), chaves);
}

} // namespace

std::string TvxnNFeNosPorChave::Acha(std::string_view chave) const {
  const auto it = porChave_.find(chave);
  const std::size_t proprio = it == porChave_.end() ? nos_.size() : it->second;
  for (std::size_t i : semChave_)
    if (i < proprio && ContainsText(nos_[i], chave))
      return nos_[i];
  return proprio < nos_.size() ? nos_[proprio] : std::string();
}

TvxnNFeLogEnvioLido::TvxnNFeLogEnvioLido(std::string_view arquivo, std::string_view diretorio) {
  const std::string log = TvxnNFeXMLLogs::LoadLog(arquivo, diretorio);
  if (log.empty())
    throw EvxnNFeCheckParams("Arquivo de Log Vazio");
  nfe_ = NFesDoLog(log);
  if (nfe_.Vazio())
    throw EvxnNFeCheckParams("Arquivo Log não contém Chave de NFe ou é inválido.");
}

std::string TvxnNFeLogEnvioLido::NFeAssinada(std::string_view chave) const {
  if (StartsWithText(chave, "N"))
    throw std::runtime_error(std::string(kMsgChaveNumerica));
  return nfe_.Acha(chave);
}

TvxnNFeLogReciboLido::TvxnNFeLogReciboLido(std::string_view arquivo, std::string_view diretorio)
    : infProt_(Selecionar(TvxnNFeXMLLogs::LoadLog(arquivo, diretorio), ".//tec:infProt"),
               [](const std::string& no) { return GetValueTag("chNFe", no); }) {}

std::string TvxnNFeLogReciboLido::InfProt(std::string_view chave) const {
  if (StartsWithText(chave, "N"))
    throw EvxnChaveNFeException(kMsgChaveNumerica);
  return infProt_.Acha(chave);
}

} // namespace vxn
