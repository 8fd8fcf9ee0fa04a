#include "vxnDataSet.h"

#include "vxnNFeException.h"
#include "vxnText.h"

#include <algorithm>
#include <utility>

namespace vxn {

namespace {
// FNV-1a: the keys under a master link are short (record handles), and this runs on every
// repositioning of a detail.
std::size_t HashChave(std::string_view key) {
  std::size_t h = 14695981039346656037ull;
  for (const char c : key) {
    h ^= static_cast<unsigned char>(c);
    h *= 1099511628211ull;
  }
  return h;
}
} // namespace

// ---- TvxnField ----

std::string TvxnField::AsString() const {
  const auto* value = dataSet_ ? dataSet_->CurrentValue(index_) : nullptr;
  return value && *value ? **value : std::string();
}

std::string_view TvxnField::Value() const {
  const auto* value = dataSet_ ? dataSet_->CurrentValue(index_) : nullptr;
  return value && *value ? std::string_view(**value) : std::string_view();
}

bool TvxnField::IsNull() const {
  const auto* value = dataSet_ ? dataSet_->CurrentValue(index_) : nullptr;
  return !value || !*value;
}

void TvxnField::SetAsString(std::string_view value) {
  if (!dataSet_)
    throw EvxnDataSetException("Campo %s não pertence a uma tabela", {fieldName_});
  dataSet_->StoreValue(*this, value);
}

void TvxnField::Clear() {
  SetAsString({});
}

// ---- TvxnDataSet ----

TvxnDataSet::TvxnDataSet(std::string_view name) : name_(name) {}

TvxnDataSet::~TvxnDataSet() {
  ClearMasterLink();
  for (TvxnDataSet* detail : dataSource_.details_) {
    detail->Settle();
    detail->master_ = nullptr, detail->masterField_ = nullptr;
  }
}

TvxnField& TvxnDataSet::AddField(std::unique_ptr<TvxnField> field) {
  if (Active())
    throw EvxnDataSetException("Não é possível declarar o campo %s com a tabela %s aberta",
                               {field->FieldName(), name_}, logDir_);
  field->dataSet_ = this;
  field->index_ = fields_.size();
  fieldIndex_.try_emplace(field->FieldName(), fields_.size());
  fields_.push_back(std::move(field));
  return *fields_.back();
}

TvxnField* TvxnDataSet::FindField(std::string_view name) const {
  auto it = fieldIndex_.find(name);
  return it == fieldIndex_.end() ? nullptr : fields_[it->second].get();
}

TvxnField& TvxnDataSet::FieldByName(std::string_view name) const {
  if (TvxnField* field = FindField(name))
    return *field;
  throw EvxnDataSetFieldNotFoundException("%s: Campo %s não encontrado", {name_, name}, logDir_);
}

void TvxnDataSet::CreateDataSet() {
  records_.clear();
  keyHashes_.clear();
  buffer_.clear();
  current_.reset();
  modified_ = false;
  Open();
}

void TvxnDataSet::Open() {
  state_ = dsBrowse;
  First();
}

void TvxnDataSet::Close() {
  // A closed table reads as empty to its details; they stay where its last record put them.
  Settle();
  SettleDetails();
  buffer_.clear();
  modified_ = false;
  state_ = dsInactive;
}

void TvxnDataSet::CheckActive() const {
  if (!Active())
    throw EvxnNfeDataSetStateException("Parte %s está fechada", {name_}, logDir_);
}

void TvxnDataSet::CheckEditing() const {
  if (state_ != dsEdit && state_ != dsInsert)
    throw EvxnNfeDataSetStateException("Parte %s não está em edição ou inclusão", {name_}, logDir_);
}

// A cursor that Settle has just placed needs no second look at the master's key.
const TvxnDataSet::Value* TvxnDataSet::CurrentValue(std::size_t fieldIndex) const {
  const bool placed = Settle();
  if (state_ == dsEdit || state_ == dsInsert)
    return fieldIndex < buffer_.size() ? &buffer_[fieldIndex] : nullptr;
  if (state_ == dsBrowse && current_ && *current_ < records_.size() && (placed || InView(*current_)))
    return &records_[*current_][fieldIndex];
  return nullptr;
}

std::span<const std::optional<std::string>> TvxnDataSet::CurrentRecord() const {
  const bool placed = Settle();
  if (state_ == dsEdit || state_ == dsInsert)
    return buffer_;
  if (state_ == dsBrowse && current_ && *current_ < records_.size() && (placed || InView(*current_)))
    return records_[*current_];
  return {};
}

void TvxnDataSet::StoreValue(TvxnField& field, std::string_view value) {
  CheckEditing();
  bool linksDetails = false;
  for (const TvxnDataSet* detail : dataSource_.details_)
    if (detail->masterField_ == &field) {
      linksDetails = true;
      break;
    }
  // Nothing runs after the store of most fields, so nothing can ask for the previous value back: the
  // value is written into its slot, whose text storage is reused. Assigning from a view of the slot
  // itself is safe for std::string::assign.
  if (!linksDetails && !field.onChange_) {
    Value& slot = buffer_[field.index_];
    if (value.empty())
      slot.reset();
    else if (field.size_ > 0 && value.size() > field.size_ && Utf8Length(value) > field.size_)
      slot = Utf8Left(value, field.size_);
    else if (slot)
      slot->assign(value.data(), value.size());
    else
      slot.emplace(value);
    modified_ = true;
    return;
  }
  // The new value is built before the slot changes: the text may be a view of the slot itself.
  // No more bytes than the size means no more characters either.
  Value novo;
  if (!value.empty())
    novo = field.size_ > 0 && value.size() > field.size_ && Utf8Length(value) > field.size_
               ? Utf8Left(value, field.size_)
               : std::string(value);
  Value previous = std::exchange(buffer_[field.index_], std::move(novo));
  const bool wasModified = modified_;
  modified_ = true;
  bool notified = false;
  try {
    if (linksDetails) {
      notified = true;
      NotifyDetails();
    }
    if (field.onChange_)
      field.onChange_(field);
  } catch (...) {
    // The details went to the records of the refused key; that move happens before the key is put back.
    if (notified)
      SettleDetails();
    buffer_[field.index_] = std::move(previous);
    modified_ = wasModified;
    throw;
  }
}

// Moving away from a record being edited stores it when it was changed and drops it otherwise.
void TvxnDataSet::LeaveEditing() {
  if (state_ != dsEdit && state_ != dsInsert)
    return;
  if (modified_)
    Post();
  else
    Cancel();
}

void TvxnDataSet::Append() {
  CheckActive();
  LeaveEditing();
  Settle();
  if (beforeInsert_)
    beforeInsert_(*this);
  savedCurrent_ = current_;
  if (buffer_.capacity() < fields_.size() && !spare_.empty()) {
    buffer_ = std::move(spare_.back());
    spare_.pop_back();
  }
  buffer_.assign(fields_.size(), std::nullopt);
  state_ = dsInsert;
  modified_ = false;
  eof_ = true;
  NotifyDetails();
  if (afterInsert_)
    afterInsert_(*this);
}

void TvxnDataSet::Edit() {
  CheckActive();
  if (state_ == dsEdit || state_ == dsInsert)
    return;
  Settle();
  if (!current_ || !InView(*current_)) {
    Append();
    return;
  }
  buffer_ = records_[*current_];
  state_ = dsEdit;
  modified_ = false;
}

void TvxnDataSet::Post() {
  CheckEditing();
  if (beforePost_)
    beforePost_(*this);
  if (state_ == dsInsert) {
    records_.push_back(std::move(buffer_));
    current_ = records_.size() - 1;
    keyHashes_.push_back(HashChave(KeyOf(records_.back())));
  } else {
    keyHashes_[*current_] = HashChave(KeyOf(buffer_));
    records_[*current_] = std::move(buffer_);
  }
  buffer_.clear();
  state_ = dsBrowse;
  modified_ = false;
  eof_ = false;
  NotifyDetails();
}

void TvxnDataSet::Cancel() {
  if (state_ != dsEdit && state_ != dsInsert)
    return;
  if (state_ == dsInsert)
    current_ = savedCurrent_;
  buffer_.clear();
  state_ = dsBrowse;
  modified_ = false;
  eof_ = !current_ || !InView(*current_);
  NotifyDetails();
}

void TvxnDataSet::EmptyDataSet() {
  Cancel();
  for (Record& record : records_) {
    record.clear();
    spare_.push_back(std::move(record));
  }
  records_.clear();
  keyHashes_.clear();
  current_.reset();
  eof_ = true;
  pendingFirst_ = false;
  NotifyDetails();
}

bool TvxnDataSet::InView(std::size_t recordIndex) const {
  return !master_ || !masterField_ || InView(recordIndex, masterField_->Value());
}

// Compared in place: this runs for every record on every move of the master.
bool TvxnDataSet::InView(std::size_t recordIndex, std::string_view masterKey) const {
  const Value& key = records_[recordIndex][indexField_];
  return (key ? std::string_view(*key) : std::string_view()) == masterKey;
}

std::string_view TvxnDataSet::MasterKey() const {
  return masterField_ ? masterField_->Value() : std::string_view();
}

void TvxnDataSet::First() {
  LeaveEditing();
  pendingFirst_ = false;
  PlaceOnFirst();
  NotifyDetails();
}

void TvxnDataSet::PlaceOnFirst() const {
  current_ = FindInView(0);
  eof_ = !current_;
}

std::string_view TvxnDataSet::KeyOf(const Record& record) const {
  if (indexField_ >= record.size()) // a table without fields
    return {};
  const Value& key = record[indexField_];
  return key ? std::string_view(*key) : std::string_view();
}

std::optional<std::size_t> TvxnDataSet::FindInView(std::size_t from) const {
  if (!master_ || !masterField_)
    return from < records_.size() ? std::optional<std::size_t>(from) : std::nullopt;
  const std::string_view masterKey = MasterKey();
  const std::size_t hash = HashChave(masterKey);
  for (std::size_t i = from; i < records_.size(); ++i)
    if (keyHashes_[i] == hash && InView(i, masterKey))
      return i;
  return std::nullopt;
}

void TvxnDataSet::HashKeys() {
  keyHashes_.clear();
  for (const Record& record : records_)
    keyHashes_.push_back(HashChave(KeyOf(record)));
}

void TvxnDataSet::Next() {
  LeaveEditing();
  Settle();
  if (!current_) {
    eof_ = true;
    return;
  }
  const std::optional<std::size_t> next = FindInView(*current_ + 1);
  if (!next) {
    eof_ = true;
    return;
  }
  current_ = next;
  NotifyDetails();
}

bool TvxnDataSet::Eof() const {
  Settle();
  return eof_ || !current_;
}

std::size_t TvxnDataSet::RecordCount() const {
  std::size_t count = 0;
  for (std::size_t i = 0; i < records_.size(); ++i)
    count += InView(i) ? 1 : 0;
  return count;
}

void TvxnDataSet::SetMasterLink(TvxnDataSource& master, std::string_view indexFieldName,
                                std::string_view masterFieldName) {
  // The same link again (every document's XML re-links every part) keeps the stored key hashes; what
  // re-linking does besides is done: the detail goes last among the master's details and, in browse
  // state, to its first record.
  const TvxnField* index = FindField(indexFieldName);
  if (master_ == &master && index && index->Index() == indexField_ &&
      masterField_ == master.DataSet().FindField(masterFieldName)) {
    auto& details = master.details_;
    const auto self = std::find(details.begin(), details.end(), this);
    std::rotate(self, std::next(self), details.end());
    if (state_ == dsBrowse)
      First();
    return;
  }
  ClearMasterLink();
  indexField_ = FieldByName(indexFieldName).Index();
  HashKeys();
  masterField_ = &master.DataSet().FieldByName(masterFieldName);
  master_ = &master;
  master.details_.push_back(this);
  if (state_ == dsBrowse)
    First();
}

void TvxnDataSet::ClearMasterLink() {
  Settle(); // the position a move of the master gave is kept without the link
  if (master_) {
    auto& details = master_->details_;
    details.erase(std::remove(details.begin(), details.end(), this), details.end());
  }
  master_ = nullptr;
  masterField_ = nullptr;
}

void TvxnDataSet::NotifyDetails() {
  for (TvxnDataSet* detail : dataSource_.details_)
    detail->MasterChanged();
}

// A detail that is being edited keeps its record; one in browse state moves to the first record of
// the master's current record. The move itself waits until the detail is used (Settle); its own
// details, which would follow the move, are marked now, each according to its state now.
void TvxnDataSet::MasterChanged() {
  if (state_ != dsBrowse)
    return;
  pendingFirst_ = true;
  NotifyDetails();
}

// The pending move of MasterChanged. Only a table in browse state has one: Edit and Append settle
// first, and nothing else leaves browse state. The master's key is read through its field, which
// settles the master first. The details were marked when the move became pending, so they are not
// notified again: one that has left browse state since keeps its record, as it would have.
bool TvxnDataSet::Settle() const {
  if (!pendingFirst_)
    return false;
  pendingFirst_ = false;
  PlaceOnFirst();
  return true;
}

void TvxnDataSet::SettleDetails() const {
  for (const TvxnDataSet* detail : dataSource_.details_) {
    detail->Settle();
    detail->SettleDetails();
  }
}

} // namespace vxn
