#include "vxnNFeCustomDataSet.h"

#include "vxnNFeException.h"
#include "vxnText.h"

namespace vxn {

namespace {
bool Editing(const TvxnDataSet& part) {
  return part.State() == dsEdit || part.State() == dsInsert;
}
} // namespace

TvxnNFeCustomDataSet::TvxnNFeCustomDataSet()
    : ownLote_(std::make_unique<TvxnStringList>()), lote_(ownLote_.get()) {}

std::unique_ptr<TXmlFieldNFe> TvxnNFeCustomDataSet::CreateXmlField(TXmlDataSetNFe&) {
  return std::make_unique<TvxnNFeXMLField>();
}

void TvxnNFeCustomDataSet::GetAtributosComplementares(const TvxnXmlElement& node, TXmlFieldNFe& field) {
  TvxnXMLDataSetNFe::GetAtributosComplementares(node, field);
  if (const std::string* rec = node.Attribute("rec"))
    static_cast<TvxnNFeXMLField&>(field).SetRec(*rec);
}

void TvxnNFeCustomDataSet::SetXMLDicionario(std::string_view path) {
  // The references point into the parts about to be destroyed.
  partsNFe_.clear();
  partsNFeItem_.clear();
  letters_.fill(nullptr);
  recIndex_.clear();
  recIndexBuilt_ = false;
  TvxnXMLDataSetNFe::SetXMLDicionario(path);
}

void TvxnNFeCustomDataSet::CreateListDataSets() {
  TvxnXMLDataSetNFe::CreateListDataSets();
  for (char letter = 'A'; letter <= 'Z'; ++letter)
    letters_[static_cast<std::size_t>(letter - 'A')] = &FindDataSet(std::string(1, letter));
  AddDataSetsListaNFE();
  AddDataSetsListaItemNFe();
}

// The lists of the first layouts; newer layouts override these two.
void TvxnNFeCustomDataSet::AddDataSetsListaNFE() {
  SetPartsNFe({"A", "B", "C", "D", "E", "F", "G", "X", "W", "Y", "Z", "REBOQUE", "VOL", "LACRE", "PROCREF",
               "OBSCONT", "MANAGER"});
}

void TvxnNFeCustomDataSet::AddDataSetsListaItemNFe() {
  SetPartsNFeItem(
      {"H", "I", "J", "K", "L", "M", "N", "O", "P", "Q", "R", "S", "T", "U", "V", "DI", "ADI", "L1"});
}

void TvxnNFeCustomDataSet::SetPartsNFe(std::initializer_list<std::string_view> names) {
  partsNFe_.clear();
  for (std::string_view name : names)
    partsNFe_.push_back(&FindDataSet(name));
}

void TvxnNFeCustomDataSet::SetPartsNFeItem(std::initializer_list<std::string_view> names) {
  partsNFeItem_.clear();
  for (std::string_view name : names)
    partsNFeItem_.push_back(&FindDataSet(name));
}

TXmlDataSetNFe* TvxnNFeCustomDataSet::Part(char letter) const {
  const char upper = static_cast<char>(letter >= 'a' && letter <= 'z' ? letter - 'a' + 'A' : letter);
  if (upper < 'A' || upper > 'Z')
    return nullptr;
  return letters_[static_cast<std::size_t>(upper - 'A')];
}

void TvxnNFeCustomDataSet::CheckDicionario() const {
  if (GetXMLDicionario().empty() || GetListDataSets().empty())
    throw EvxnNfeDataSetConfigException("Arquivo Estrutura do XML não configurado.", GetDiretorioLogErro());
}

void TvxnNFeCustomDataSet::Incluir() {
  ClearDataSets();
  SetState(dsInsert);
  for (TXmlDataSetNFe* part : partsNFe_)
    part->Append();
}

void TvxnNFeCustomDataSet::IncluirItem() {
  if (stateItem_ == dsEdit || stateItem_ == dsInsert)
    SalvarItem();
  for (TXmlDataSetNFe* part : partsNFeItem_)
    part->Append();
  stateItem_ = dsInsert;
}

void TvxnNFeCustomDataSet::SalvarItem() {
  CheckDicionario();
  for (TXmlDataSetNFe* part : partsNFeItem_)
    if (Editing(*part))
      part->Post();
  stateItem_ = dsBrowse;
}

// Stores the parts of the document, then appends the document's XML text to the lot.
void TvxnNFeCustomDataSet::Salvar() {
  CheckDicionario();
  SalvarItem();
  for (TXmlDataSetNFe* part : partsNFe_)
    if (Editing(*part)) {
      part->Post();
      part->First();
    }
  LoteNFe().Add(ConverterAuto());
  SetState(dsBrowse);
}

void TvxnNFeCustomDataSet::Cancelar() {
  for (const auto& part : GetListDataSets())
    part->EmptyDataSet();
  SetState(dsBrowse);
  stateItem_ = dsBrowse;
}

TvxnNFeXMLField* TvxnNFeCustomDataSet::FindCampoRec(std::string_view group, int position) {
  if (!recIndexBuilt_) {
    for (const auto& part : GetListDataSets())
      for (std::size_t i = 0; i < part->Fields().size(); ++i) {
        auto& field = static_cast<TvxnNFeXMLField&>(part->XmlField(i));
        for (const std::string& entry : Split(field.Rec(), ','))
          if (!entry.empty())
            recIndex_.try_emplace(AsciiUpper(entry), &field);
      }
    recIndexBuilt_ = true;
  }
  auto it = recIndex_.find(AsciiUpper(Format("%s=%s", {group, std::to_string(position)})));
  return it == recIndex_.end() ? nullptr : it->second;
}

} // namespace vxn
