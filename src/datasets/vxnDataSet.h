// The in-memory table on which the input datasets are built: declared string fields, records held in
// memory, the record-editing states, navigation, callbacks around insert and post, a per-field
// value-change callback and a master-detail link. Nothing is stored anywhere but in memory.
#pragma once

#include "vxnMapaNomes.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vxn {

class TvxnDataSet;

// Record-editing state; the ordinals are the values the host sees.
enum class TvxnDataSetState { dsInactive = 0, dsBrowse = 1, dsEdit = 2, dsInsert = 3 };
using enum TvxnDataSetState;

// One declared string field. It holds no value of its own: it reads and writes the current record of
// its table.
class TvxnField {
public:
  using ChangeHandler = std::function<void(TvxnField&)>;

  TvxnField() = default;
  virtual ~TvxnField() = default;
  TvxnField(const TvxnField&) = delete;
  TvxnField& operator=(const TvxnField&) = delete;

  const std::string& FieldName() const { return fieldName_; }
  void SetFieldName(std::string_view name) { fieldName_ = name; }
  // Storage size in characters; a longer value is cut to it. 0 means no limit.
  std::size_t Size() const { return size_; }
  void SetSize(std::size_t size) { size_ = size; }
  bool Required() const { return required_; }
  void SetRequired(bool on) { required_ = on; }
  bool Visible() const { return visible_; }
  void SetVisible(bool on) { visible_ = on; }
  // The label used in messages; the field name until one is set.
  const std::string& DisplayLabel() const { return displayLabel_.empty() ? fieldName_ : displayLabel_; }
  void SetDisplayLabel(std::string_view label) { displayLabel_ = label; }

  // The value in the current record; "" when null or when there is no current record.
  std::string AsString() const;
  // The same without a copy; valid until the table's record or this value changes.
  std::string_view Value() const;
  // Stores the value (cut to Size characters) in the record being edited or inserted; the empty text
  // makes the field null. Fails when the table is not in edit or insert state. The value-change
  // callback runs after the store; when it throws, the previous value is put back.
  void SetAsString(std::string_view value);
  bool IsNull() const;
  void Clear();
  // This field's value in a record taken from its table's CurrentRecord; "" when null.
  std::string_view ValueIn(std::span<const std::optional<std::string>> record) const {
    return index_ < record.size() && record[index_] ? std::string_view(*record[index_]) : std::string_view();
  }

  void SetOnChange(ChangeHandler handler) { onChange_ = std::move(handler); }
  TvxnDataSet* DataSet() const { return dataSet_; }
  std::size_t Index() const { return index_; }

private:
  friend class TvxnDataSet;
  std::string fieldName_;
  std::string displayLabel_;
  std::size_t size_ = 0;
  bool required_ = false;
  bool visible_ = true;
  ChangeHandler onChange_;
  TvxnDataSet* dataSet_ = nullptr;
  std::size_t index_ = 0;
};

// The link object a detail table attaches to. It belongs to the master table.
class TvxnDataSource {
public:
  explicit TvxnDataSource(TvxnDataSet& dataSet) : dataSet_(&dataSet) {}
  TvxnDataSource(const TvxnDataSource&) = delete;
  TvxnDataSource& operator=(const TvxnDataSource&) = delete;

  TvxnDataSet& DataSet() const { return *dataSet_; }
  const std::vector<TvxnDataSet*>& Details() const { return details_; }

private:
  friend class TvxnDataSet;
  TvxnDataSet* dataSet_;
  std::vector<TvxnDataSet*> details_;
};

class TvxnDataSet {
public:
  using Callback = std::function<void(TvxnDataSet&)>;

  explicit TvxnDataSet(std::string_view name = {});
  virtual ~TvxnDataSet();
  TvxnDataSet(const TvxnDataSet&) = delete;
  TvxnDataSet& operator=(const TvxnDataSet&) = delete;

  const std::string& Name() const { return name_; }
  void SetName(std::string_view name) { name_ = name; }
  // Directory handed to the exceptions the table raises.
  const std::string& LogDir() const { return logDir_; }
  void SetLogDir(std::string_view dir) {
    if (logDir_ != dir) // handed again to every part with every new document
      logDir_ = dir;
  }

  // Declares a field; only while the table is inactive.
  TvxnField& AddField(std::unique_ptr<TvxnField> field);
  const std::vector<std::unique_ptr<TvxnField>>& Fields() const { return fields_; }
  // First field of that name (ASCII case ignored), or nullptr; FieldByName raises instead.
  TvxnField* FindField(std::string_view name) const;
  TvxnField& FieldByName(std::string_view name) const;

  // Creates the empty table from the declared fields and opens it.
  void CreateDataSet();
  void Open();
  void Close();
  bool Active() const { return state_ != dsInactive; }
  TvxnDataSetState State() const { return state_; }
  bool Modified() const { return modified_; }

  // Leaves edit or insert state first (posting a modified record, cancelling an unmodified one), then
  // runs BeforeInsert, starts a new empty record at the end (insert state) and runs AfterInsert.
  void Append();
  // Puts the current record in edit state; on an empty table it appends instead.
  void Edit();
  // Runs BeforePost, then stores the record. When BeforePost throws, the state and the values stay.
  void Post();
  void Cancel();
  // Cancels any edit and removes every record.
  void EmptyDataSet();

  // Navigation first leaves edit or insert state as Append does.
  void First();
  void Next();
  bool Eof() const;
  // Stored records (under the master-detail link, those of the master's current record).
  std::size_t RecordCount() const;
  // The values of the record that the fields read (the record being edited or inserted, else the
  // current record when the link shows it), one per field in declaration order, null as nullopt;
  // empty when there is none. Valid until the table or its master changes; for reading many fields
  // of one record without finding the record for each.
  std::span<const std::optional<std::string>> CurrentRecord() const;

  // Every stored record, whatever the master-detail link shows (for exporting a whole table), in the
  // order they were appended; values one per field in declaration order, null as nullopt.
  std::size_t StoredRecordCount() const { return records_.size(); }
  std::span<const std::optional<std::string>> StoredRecord(std::size_t index) const {
    return records_.at(index);
  }

  void SetBeforeInsert(Callback cb) { beforeInsert_ = std::move(cb); }
  void SetAfterInsert(Callback cb) { afterInsert_ = std::move(cb); }
  void SetBeforePost(Callback cb) { beforePost_ = std::move(cb); }

  // The link object details attach to.
  TvxnDataSource& DataSource() { return dataSource_; }
  // Shows only the records whose index field equals the master field of the master's current record.
  void SetMasterLink(TvxnDataSource& master, std::string_view indexFieldName,
                     std::string_view masterFieldName);
  void ClearMasterLink();
  TvxnDataSet* MasterDataSet() const { return master_ ? &master_->DataSet() : nullptr; }

private:
  friend class TvxnField;
  using Value = std::optional<std::string>;
  using Record = std::vector<Value>;

  void CheckActive() const;
  void CheckEditing() const;
  void LeaveEditing();
  const Value* CurrentValue(std::size_t fieldIndex) const;
  void StoreValue(TvxnField& field, std::string_view value);
  bool InView(std::size_t recordIndex) const;
  bool InView(std::size_t recordIndex, std::string_view masterKey) const;
  std::string_view KeyOf(const Record& record) const;
  // The first record from `from` on that the link shows (every record without a link).
  std::optional<std::size_t> FindInView(std::size_t from) const;
  void HashKeys();
  std::string_view MasterKey() const;
  void NotifyDetails();
  void MasterChanged();
  // The cursor on the first record under the link (the first record without one), eof when none.
  void PlaceOnFirst() const;
  // Moves a detail whose master moved to its first record under the link, if that is still pending.
  // True when it moved the cursor just now: the record it found is under the link by construction.
  bool Settle() const;
  // Settles every detail below this table, before this table's values stop being readable.
  void SettleDetails() const;

  std::string name_;
  std::string logDir_;
  std::vector<std::unique_ptr<TvxnField>> fields_;
  TvxnMapaNomes<std::size_t> fieldIndex_; // name (any case) -> first field
  std::vector<Record> records_;
  Record buffer_;
  // Records emptied by EmptyDataSet, without values, whose storage the next inserts take over: every
  // new document empties the parts and inserts about as many records again.
  std::vector<Record> spare_;
  // The cursor is settled on first use after the master moved (see Settle), hence mutable.
  mutable std::optional<std::size_t> current_; // record under the cursor (browse and edit)
  std::optional<std::size_t> savedCurrent_;    // cursor to return to when an insert is cancelled
  mutable bool eof_ = true;
  // The master moved while this table was in browse state: the cursor goes to the first record under
  // the link when the table is next used. Moving an item would otherwise search every item part.
  mutable bool pendingFirst_ = false;
  // Hash of each stored record's index field (null read as ""), kept by Post: the search for the
  // master's records compares these numbers and the text only where they agree.
  std::vector<std::size_t> keyHashes_;
  bool modified_ = false;
  TvxnDataSetState state_ = dsInactive;
  Callback beforeInsert_, afterInsert_, beforePost_;
  TvxnDataSource dataSource_{*this};
  TvxnDataSource* master_ = nullptr;
  std::size_t indexField_ = 0;
  TvxnField* masterField_ = nullptr;
};

} // namespace vxn
