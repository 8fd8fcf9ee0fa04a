#include "vxnRecParser.h"

#include "datasets/vxnNFeEscape.h"
#include "vxnFiles.h"
#include "vxnText.h"

namespace vxn {

namespace {

constexpr std::string_view kFimDeLinha = "end_of_line";

// The fields of a prepared line (each ended by "|").
std::vector<std::string_view> Campos(std::string_view linha) {
  std::vector<std::string_view> campos;
  std::size_t inicio = 0;
  for (std::size_t barra = linha.find('|'); barra != std::string_view::npos;
       barra = linha.find('|', inicio)) {
    campos.push_back(linha.substr(inicio, barra - inicio));
    inicio = barra + 1;
  }
  if (inicio < linha.size())
    campos.push_back(linha.substr(inicio));
  return campos;
}

} // namespace

void TvxnRecParser::SetRec(std::string_view text) {
  const bool arquivo =
      !text.empty() && text.find_first_of("\r\n|") == std::string_view::npos && FileExists(text);
  std::string conteudo = arquivo ? ReadWholeFile(text) : std::string(text);
  if (conteudo.starts_with("\xEF\xBB\xBF"))
    conteudo.erase(0, 3);
  rec_ = std::move(conteudo);
}

void TvxnRecParser::Execute() {
  notaRec_.SetText(rec_);
  for (const std::string& linha : notaRec_) {
    std::string preparada = Trim(linha);
    if (preparada.empty())
      continue;
    if (preparada.back() != '|')
      preparada += '|';
    // Values go into XML: escaped once here (entities already escaped pass unchanged).
    headGroup_ = EscaparTextoXML(preparada) + std::string(kFimDeLinha) + "|";
    SelectGroup();
  }
}

std::string TvxnRecParser::GetTag(int index, std::string_view line) {
  const auto campos = Campos(line);
  const std::size_t i = index <= 1 ? 0 : static_cast<std::size_t>(index - 1);
  return i < campos.size() ? std::string(campos[i]) : std::string();
}

bool TvxnRecParser::isLastField(int index) const {
  return GetTag(index, headGroup_) == kFimDeLinha;
}

void TvxnRecParser::SelectGroup() {
  const auto campos = Campos(headGroup_);
  const std::string grupo = AsciiUpper(Trim(campos.front()));
  std::vector<TvxnRecElemento> elementos;
  for (std::size_t i = 1; i < campos.size() && campos[i] != kFimDeLinha; ++i)
    elementos.push_back({grupo, static_cast<int>(i) + 1, Trim(campos[i])});
  if (onGroup_)
    onGroup_(grupo, elementos, static_cast<int>(elementos.size()) + 1);
}

} // namespace vxn
