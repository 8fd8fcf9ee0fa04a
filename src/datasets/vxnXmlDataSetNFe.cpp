#include "vxnXmlDataSetNFe.h"

#include "vxnNFeEscape.h"

#include "vxnFiles.h"
#include "vxnNFeException.h"
#include "vxnText.h"

#include <charconv>
#include <iterator>
#include <string>

namespace vxn {

namespace {

constexpr std::string_view kHandle = "handle";

// A boolean dictionary attribute is true only for exactly "s".
bool Flag(const TvxnXmlElement& node, std::string_view name) {
  const std::string* value = node.Attribute(name);
  return value && *value == "s";
}

std::string Text(const TvxnXmlElement& node, std::string_view name) {
  const std::string* value = node.Attribute(name);
  return value ? *value : std::string();
}

// Adds one to the decimal number that the text holds from `inicio` on (digits only, no sign).
void IncrementarDigitos(std::string& text, std::size_t inicio) {
  std::size_t i = text.size();
  while (i > inicio && text[i - 1] == '9')
    text[--i] = '0';
  if (i > inicio)
    ++text[i - 1];
  else
    text.insert(inicio, 1, '1');
}

} // namespace

std::unique_ptr<TXmlFieldNFe> TvxnXMLDataSetNFe::CreateXmlField(TXmlDataSetNFe&) {
  return std::make_unique<TXmlFieldNFe>();
}

void TvxnXMLDataSetNFe::GetAtributosComplementares(const TvxnXmlElement& node, TXmlFieldNFe& field) {
  field.SetTpNode(Text(node, "tpnode"));
  if (const std::string* values = node.Attribute("enum"))
    for (const std::string& value : Split(*values, ','))
      field.Enum().Add(value);
  field.SetDica(Text(node, "dica"));
  if (const std::string* display = node.Attribute("display"))
    field.SetDisplayLabel(*display);
}

void TvxnXMLDataSetNFe::SetXMLDicionario(std::string_view path) {
  ClearParts();
  xmlDicionario_ = path;
  if (!xmlDicionario_.empty())
    CreateListDataSets();
}

void TvxnXMLDataSetNFe::ClearParts() {
  verProc_ = nullptr;
  listasResolvidas_.clear();
  modelosResolvidos_.clear();
  campoCache_.clear();
  components_.clear();
  partsByName_.clear();
  listDataSets_.clear();
}

TvxnXmlElement TvxnXMLDataSetNFe::LoadDicXML() {
  if (!FileExists(xmlDicionario_))
    throw EvxnNFeException("Arquivo: %s não encontrado.", {xmlDicionario_}, diretorioLogErro_);
  return ReadXmlElementTree(xmlDicionario_, diretorioLogErro_);
}

void TvxnXMLDataSetNFe::CreateListDataSets() {
  const TvxnXmlElement root = LoadDicXML();
  for (const TvxnXmlElement& partNode : root.children)
    LoadPart(partNode);
  if (activeMasterSource_)
    SetActiveMasterSource(true);
}

void TvxnXMLDataSetNFe::LoadPart(const TvxnXmlElement& partNode) {
  auto part = std::make_unique<TXmlDataSetNFe>(partNode.name);
  part->SetLogDir(diretorioLogErro_);
  components_.try_emplace(AsciiUpper(partNode.name), nullptr);
  if (!partNode.children.empty())
    for (const TvxnXmlElement& fieldNode : partNode.children[0].children)
      LoadField(*part, fieldNode);
  if (partNode.children.size() > 1 && !partNode.children[1].attributes.empty()) {
    const TvxnXmlElement& link = partNode.children[1];
    part->SetXMLMasterSource(Text(link, "mastersource"));
    part->SetXMLMasterField(Text(link, "masterfield"));
    part->SetXMLKeyField(Text(link, "keyfield"));
  }
  part->CreateDataSet();
  TXmlDataSetNFe* p = part.get();
  part->SetBeforePost([this, p](TvxnDataSet&) { AntesDeSalvar(*p); });
  part->SetBeforeInsert([this, p](TvxnDataSet&) { AntesDeIncluir(*p); });
  part->SetAfterInsert([this, p](TvxnDataSet&) { DepoisDeIncluir(*p); });
  partsByName_.try_emplace(p->Name(), p);
  listDataSets_.push_back(std::move(part));
}

void TvxnXMLDataSetNFe::LoadField(TXmlDataSetNFe& part, const TvxnXmlElement& fieldNode) {
  const std::string* nome = fieldNode.Attribute("nome");
  const std::string* tamanho = fieldNode.Attribute("tamanho");
  if (!nome || nome->empty() || !tamanho || !IsDigits(Trim(*tamanho)))
    throw EvxnNFeDataSetLoadTemplateException(
        "Dicionário %s: campo da parte %s sem os atributos nome e tamanho (decimal)",
        {xmlDicionario_, part.Name()}, diretorioLogErro_);
  const std::string componentName = part.Name() + *nome;
  if (components_.contains(AsciiUpper(componentName)))
    return;
  std::unique_ptr<TXmlFieldNFe> owned = CreateXmlField(part);
  TXmlFieldNFe& field = *owned;
  field.SetFieldName(*nome);
  field.SetName(componentName);
  field.SetPermiteEscapar(Flag(fieldNode, "escape"));
  const auto size = static_cast<std::size_t>(StrToIntDef(*tamanho, 0));
  // Escaped text may grow: room for every character of the layout size written as the longest entity
  // ("&quot;"), so that the escaped form of a text the layout admits is stored whole, never cut.
  field.SetSize(field.PermiteEscapar() ? size * kMaiorEntidadeXML : size);
  field.SetTamanhoMapeadoDataSet(size);
  field.SetRequired(Flag(fieldNode, "requerido"));
  field.SetGeraTagVazia(Flag(fieldNode, "tagvazia"));
  field.SetVisible(Flag(fieldNode, "visible"));
  field.SetDiretorioLogErro(diretorioLogErro_);
  part.AddField(std::move(owned));
  components_.emplace(AsciiUpper(componentName), &field);
  GetAtributosComplementares(fieldNode, field);
  if (field.PermiteEscapar())
    field.SetOnChange([&field](TvxnField&) { field.EscaparValor(); });
}

void TvxnXMLDataSetNFe::SetActiveMasterSource(bool on) {
  activeMasterSource_ = on;
  for (const auto& part : listDataSets_) {
    if (!on)
      part->ClearMasterLink();
    else if (!part->XMLMasterSource().empty())
      part->SetMasterLink(FindDataSet(part->XMLMasterSource()).DataSource(), part->XMLKeyField(),
                          part->XMLMasterField());
  }
}

long long TvxnXMLDataSetNFe::GetHandle(const TXmlDataSetNFe& part, bool increment) {
  // The line of each part is found once; lines are never removed, so its index stays valid.
  if (part.handleLine_ == TXmlDataSetNFe::kSemLinha) {
    int index = handles_.IndexOfName(part.Name());
    if (index < 0)
      index = static_cast<int>(handles_.Add(part.Name() + "=0"));
    part.handleLine_ = static_cast<std::size_t>(index);
    // Lines added since the last look are read once from their text.
    for (std::size_t i = handleCounters_.size(); i < handles_.Count(); ++i)
      handleCounters_.push_back(StrToIntDef(handles_.ValueFromIndex(i), 0));
  }
  long long& counter = handleCounters_[part.handleLine_];
  const long long value = counter;
  if (increment) {
    std::string& line = handles_[part.handleLine_];
    if (part.handleLineEscrita_ && value >= 0) {
      IncrementarDigitos(line, part.Name().size() + 1);
    } else {
      // The first write gives the line the form "name=counter"; later ones add one to its digits.
      char digits[24];
      char* end = std::to_chars(std::begin(digits), std::end(digits), value + 1).ptr;
      line.assign(part.Name());
      line += '=';
      line.append(std::begin(digits), end);
      part.handleLineEscrita_ = true;
    }
    counter = value + 1;
  }
  return value;
}

// The names are looked up on the first insert only; a name that is missing fails then and on every
// later insert, at the same point as before.
void TvxnXMLDataSetNFe::DepoisDeIncluir(TXmlDataSetNFe& part) {
  if (!part.handleField_)
    part.handleField_ = &part.FieldByName(kHandle);
  char digits[24];
  const char* end = std::to_chars(std::begin(digits), std::end(digits), GetHandle(part, true)).ptr;
  part.handleField_->SetAsString(std::string_view(digits, static_cast<std::size_t>(end - digits)));
  if (part.XMLMasterSource().empty())
    return;
  if (!part.linkKey_) {
    const TXmlDataSetNFe& master = FindDataSet(part.XMLMasterSource());
    TvxnField& key = part.FieldByName(part.XMLKeyField());
    part.linkMaster_ = &master.FieldByName(part.XMLMasterField());
    part.linkKey_ = &key;
  }
  part.linkKey_->SetAsString(part.linkMaster_->Value());
}

bool TvxnXMLDataSetNFe::PossuiDadosCampo(const TXmlDataSetNFe& part) const {
  const auto record = part.CurrentRecord();
  for (const auto& field : part.Fields())
    if (!field->ValueIn(record).empty() && field->Visible() && !SameText(field->FieldName(), kHandle) &&
        !SameText(field->FieldName(), part.XMLMasterField()))
      return true;
  return false;
}

// Cancel leaves only edit or insert state, so the fields are looked at only then (Append has already
// left them when it calls this).
void TvxnXMLDataSetNFe::AntesDeIncluir(TXmlDataSetNFe& part) {
  if ((part.State() == dsEdit || part.State() == dsInsert) && !PossuiDadosCampo(part))
    part.Cancel();
}

namespace {
// Null, empty or only blanks (what Trim removes).
bool EmBranco(std::string_view value) {
  for (const char c : value)
    if (static_cast<unsigned char>(c) > ' ')
      return false;
  return true;
}
} // namespace

void TvxnXMLDataSetNFe::AntesDeSalvar(TXmlDataSetNFe& part) {
  const auto record = part.CurrentRecord();
  for (std::size_t i = 0; i < part.Fields().size(); ++i) {
    const TXmlFieldNFe& field = part.XmlField(i);
    if (field.Required() && EmBranco(field.ValueIn(record)))
      throw EvxnDataSetException("O Campo [%s] referente a [%s] deve ser preenchido.%s",
                                 {field.FieldName(), field.DisplayLabel(), field.TextoDica()},
                                 diretorioLogErro_);
    if (!field.Enum().Empty())
      field.ValidarValor(field.ValueIn(record));
  }
  VerificaCampoVerProc();
}

void TvxnXMLDataSetNFe::VerificaCampoVerProc() {
  if (!verProc_) {
    TXmlDataSetNFe* partB = FindPart("B");
    verProc_ = partB ? partB->FindField("verProc_B27") : nullptr;
    if (!verProc_)
      return;
  }
  // Only a record being edited can take the value; a stored one already went through this check.
  const TvxnDataSetState state = verProc_->DataSet()->State();
  if ((state == dsEdit || state == dsInsert) && verProc_->Value().empty())
    verProc_->SetAsString("Versao Aplicativo9");
}

TXmlDataSetNFe* TvxnXMLDataSetNFe::FindPart(std::string_view name) const {
  auto it = partsByName_.find(name);
  return it == partsByName_.end() ? nullptr : it->second;
}

TXmlDataSetNFe& TvxnXMLDataSetNFe::FindDataSet(std::string_view name) const {
  if (TXmlDataSetNFe* part = FindPart(name))
    return *part;
  throw EvxnDataSetException("Parte %s não encontrada.", {AsciiUpper(name)}, diretorioLogErro_);
}

void TvxnXMLDataSetNFe::IncluirPart(std::string_view name) {
  TXmlDataSetNFe& part = FindDataSet(name);
  if (part.State() == dsEdit || part.State() == dsInsert) {
    if (PossuiDadosCampo(part))
      part.Post();
    else
      part.Cancel();
  }
  part.Append();
}

void TvxnXMLDataSetNFe::SalvarPart(std::string_view name) {
  TXmlDataSetNFe& part = FindDataSet(name);
  if (part.State() == dsEdit || part.State() == dsInsert)
    part.Post();
}

TXmlFieldNFe& TvxnXMLDataSetNFe::Campo(std::string_view name) {
  if (auto cached = campoCache_.find(name); cached != campoCache_.end())
    return *cached->second;
  const std::string key = AsciiUpper(name);
  for (const auto& part : listDataSets_) {
    auto it = components_.find(AsciiUpper(part->Name()) + key);
    if (it != components_.end() && it->second) {
      campoCache_.emplace(std::string(name), it->second); // kept as the host writes it
      return *it->second;
    }
  }
  throw EvxnDataSetFieldNotFoundException("Campo %s não encontrado", {name}, diretorioLogErro_);
}

void TvxnXMLDataSetNFe::ClearDataSets() {
  for (const auto& part : listDataSets_) {
    part->Cancel();
    part->EmptyDataSet();
    part->Close();
    part->Open();
    if (part->RecordCount() > 0)
      throw EvxnDataSetException("Erro ao Liberar memória para próxima NFe em (%s) ", {part->Name()},
                                 diretorioLogErro_);
  }
}

void TvxnXMLDataSetNFe::SetDiretorioLogErro(std::string_view dir) {
  diretorioLogErro_ = dir;
  for (const auto& part : listDataSets_) {
    part->SetLogDir(dir);
    for (std::size_t i = 0; i < part->Fields().size(); ++i)
      part->XmlField(i).SetDiretorioLogErro(dir);
  }
}

} // namespace vxn
