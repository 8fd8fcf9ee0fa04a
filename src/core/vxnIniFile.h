// INI files as the configuration of the NF-e component and the servers files use them.
//
// Section and key names compare without regard to ASCII case; values are UTF-8 text; booleans are
// written as 1 and 0 and read as "any integer other than 0"; integers in decimal. Keys and sections
// keep the order in which they were first loaded or written.
//
// An object opened on a file name is file-backed: it reads the file when it exists, and every write
// that changes something is persisted at once (by an atomic replacement of the file, so a crash never leaves
// half an INI file). Inside an UpdateBatch the writes are persisted once, when the outermost batch ends. An
// object created without a file name lives in memory and never touches the disk.
#pragma once

#include "vxnStringList.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vxn {

class TvxnIniFile {
public:
  // In memory.
  TvxnIniFile();
  // Backed by the file; a missing file reads as an empty INI and is created on the first write.
  explicit TvxnIniFile(std::string_view fileName);
  ~TvxnIniFile();
  TvxnIniFile(const TvxnIniFile&) = delete;
  TvxnIniFile& operator=(const TvxnIniFile&) = delete;
  TvxnIniFile(TvxnIniFile&&) noexcept;
  TvxnIniFile& operator=(TvxnIniFile&&) noexcept;

  // "" for an object in memory.
  const std::string& FileName() const noexcept { return fileName_; }
  bool IsFileBacked() const noexcept { return !fileName_.empty(); }

  std::string ReadString(std::string_view section, std::string_view key, std::string_view def) const;
  // The value as a decimal integer; def when the key is missing or its value is not an integer.
  int ReadInteger(std::string_view section, std::string_view key, int def) const;
  // An integer other than 0 is true; def when the key is missing or not an integer.
  bool ReadBool(std::string_view section, std::string_view key, bool def) const;

  void WriteString(std::string_view section, std::string_view key, std::string_view value);
  void WriteInteger(std::string_view section, std::string_view key, int value);
  void WriteBool(std::string_view section, std::string_view key, bool value);

  bool SectionExists(std::string_view section) const;
  bool ValueExists(std::string_view section, std::string_view key) const;
  std::vector<std::string> ReadSections() const;
  // Key names of a section, in file order.
  std::vector<std::string> ReadSection(std::string_view section) const;
  // "key=value" rows of a section, in file order.
  TvxnStringList ReadSectionValues(std::string_view section) const;

  void DeleteKey(std::string_view section, std::string_view key);
  void EraseSection(std::string_view section);
  // Removes everything (a file-backed object then writes an empty file).
  void Clear();

  // The INI text as it is (or would be) written to disk: "[section]" lines, "key=value" lines, LF line
  // ends, two blank lines before every section but the first; comments of a loaded file are kept.
  std::string GetText() const;
  // Replaces the whole content with the parsed text (a file-backed object persists it).
  void SetText(std::string_view text);

  // Writes the content to the file now (nothing for an object in memory).
  void UpdateFile();

  // Groups many writes into one replacement of the file; batches nest. The file is written when the
  // outermost batch ends, also when it ends by an exception (a failure to write is then swallowed so
  // that the original exception is the one that travels).
  class UpdateBatch {
  public:
    explicit UpdateBatch(TvxnIniFile& ini) : ini_(ini) { ++ini_.batchDepth_; }
    ~UpdateBatch();
    UpdateBatch(const UpdateBatch&) = delete;
    UpdateBatch& operator=(const UpdateBatch&) = delete;
    // Ends the batch early and persists, letting a write failure propagate.
    void Commit();

  private:
    TvxnIniFile& ini_;
    bool done_ = false;
  };

private:
  struct Impl;
  void Changed();
  std::unique_ptr<Impl> impl_;
  std::string fileName_;
  int batchDepth_ = 0;
  bool dirty_ = false;
};

} // namespace vxn
