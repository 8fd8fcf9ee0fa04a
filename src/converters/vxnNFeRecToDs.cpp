#include "vxnNFeRecToDs.h"

#include "vxnNFeException.h"
#include "vxnText.h"

#include <array>

namespace vxn {

namespace {

// Groups that open a record of a repeated part (after storing the open one).
struct GrupoParte {
  std::string_view grupo;
  std::string_view parte;
};
constexpr std::array<GrupoParte, 27> kAbreParte{{
    {"BA02", "NREF"}, {"BA03", "NREF"}, {"BA10", "NREF"},     {"B19", "NREF"},      {"BA19", "NREF"},
    {"BA20", "NREF"}, {"B13", "NREF"},  {"B14", "NREF"},      {"B20A", "NREF"},     {"B20B", "NREF"},
    {"B20I", "NREF"}, {"B20J", "NREF"}, {"GA02", "AUTXML"},   {"GA03", "AUTXML"},   {"I05A", "NVE"},
    {"I18", "DI"},    {"I25", "ADI"},   {"I50", "DETEXPORT"}, {"I52", "EXPORTIND"}, {"I80", "I80"},
    {"K", "K"},       {"L", "L"},       {"X22", "REBOQUE"},   {"X26", "VOL"},       {"X33", "LACRE"},
    {"Y07", "DUP"},   {"YA01", "YA"},
}};
constexpr std::array<GrupoParte, 7> kAbreParteFim{{
    {"Z04", "OBSCONT"},
    {"Z07", "OBSFISCO"},
    {"Z10", "PROCREF"},
    {"ZC", "CANA"},
    {"ZC01", "CANA"},
    {"ZC04", "FORDIA"},
    {"ZC10", "DEDUC"},
}};

const GrupoParte* ParteQueAbre(std::string_view grupo) {
  for (const GrupoParte& g : kAbreParte)
    if (g.grupo == grupo)
      return &g;
  for (const GrupoParte& g : kAbreParteFim)
    if (g.grupo == grupo)
      return &g;
  return nullptr;
}

} // namespace

TvxnNFeRecToDs::TvxnNFeRecToDs() {
  ignoreTags_.Add("NOTA FISCAL");
  ignoreTags_.Add("NOTAFISCAL");
  recParser_.SetOnGroup([this](const std::string& grupo, const std::vector<TvxnRecElemento>& elementos, int) {
    HandleGroupSelected(grupo, elementos);
  });
}

std::string TvxnNFeRecToDs::ConverterXML() {
  auto container = std::make_unique<TvxnNFeDataSets>();
  container->SetDiretorioLogErro(diretorioLogErro_);
  container->SetVersaoEsquema(versaoEsquema_);
  container->SetUsarDatasetExportacao(usarDatasetExportacao_);
  container->SetXMLDicionario(xmlDicionario_);
  Converter(*container);
  return container->GetLoteNFe().Text();
}

void TvxnNFeRecToDs::Converter(TvxnNFeDataSets& dataSet) {
  dataset_ = &dataSet;
  errorList_.Clear();
  try {
    recParser_.SetRec(txt_);
    if (Trim(recParser_.GetRec()).empty())
      throw EvxnNFeDataSetException("Conteúdo a ser convertido é inválido.", diretorioLogErro_);
    documentos_ = 0;
    recParser_.Execute();
    // Text of another kind has no record the layout knows: nothing would come out, silently.
    if (documentos_ == 0)
      throw EvxnNFeCheckTXT("O texto não tem o leiaute REC: nenhum registro A (início de NF-e) foi encontrado.",
                            diretorioLogErro_);
    const TvxnDataSetState estado = dataSet.GetState();
    if (estado == dsInsert || estado == dsEdit)
      dataSet.Salvar();
  } catch (...) {
    dataset_ = nullptr;
    throw;
  }
  dataset_ = nullptr;
}

void TvxnNFeRecToDs::HandleGroupSelected(const std::string& grupo,
                                         const std::vector<TvxnRecElemento>& elementos) {
  if (!dataset_)
    throw EvxnException("Não foi definido um dataset para executar a conversão.");
  for (const std::string& ignorado : ignoreTags_)
    if (AsciiUpper(ignorado) == grupo)
      return;
  // A group the dictionary does not know at all (such as the NFC-e's ZX01) is passed over.
  bool conhecido = false;
  for (int posicao = 2; posicao <= static_cast<int>(elementos.size()) + 1 && !conhecido; ++posicao)
    conhecido = dataset_->DataSet().FindCampoRec(grupo, posicao) != nullptr;
  if (!conhecido && !ParteQueAbre(grupo) && grupo != "A" && grupo != "H" && grupo != "W" && grupo != "C" &&
      grupo != "M")
    return;
  ExecutaMetodosDataset(grupo);
  for (const TvxnRecElemento& e : elementos) {
    // Trailing empty fields beyond the layout (some exporters pad lines) store nothing.
    if (e.valor.empty() && !dataset_->DataSet().FindCampoRec(grupo, e.posicao))
      continue;
    dataset_->Campo(grupo, e.posicao).SetAsString(e.valor);
  }
}

bool TvxnNFeRecToDs::EmInsercao(std::string_view parte) const {
  const TvxnDataSetState s = dataset_->FindDataSet(parte).State();
  return s == dsInsert || s == dsEdit;
}

void TvxnNFeRecToDs::SalvaSeEmInsercao(std::string_view parte) {
  if (EmInsercao(parte))
    dataset_->SalvarPart(parte);
}

void TvxnNFeRecToDs::ExecutaMetodosDataset(const std::string& grupo) {
  if (grupo == "A") {
    const TvxnDataSetState s = dataset_->GetState();
    if (s == dsInsert || s == dsEdit)
      dataset_->Salvar();
    dataset_->Incluir();
    ++documentos_;
  } else if (grupo == "C") {
    SalvaSeEmInsercao("NREF");
  } else if (grupo == "H") {
    if (EmInsercao("H"))
      dataset_->SalvarItem();
    dataset_->IncluirItem();
  } else if (grupo == "M") {
    SalvaSeEmInsercao("EXPORTIND");
    SalvaSeEmInsercao("DETEXPORT");
  } else if (grupo == "W") {
    if (EmInsercao("H"))
      dataset_->SalvarItem();
  } else if (const GrupoParte* g = ParteQueAbre(grupo)) {
    if (g->parte == "NREF" || g->parte == "DETEXPORT" || g->parte == "EXPORTIND")
      SalvaSeEmInsercao(g->parte);
    dataset_->IncluirPart(g->parte);
  }
}

} // namespace vxn
