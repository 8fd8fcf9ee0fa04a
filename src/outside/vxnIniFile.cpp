// TvxnIniFile on SimpleIni. SimpleIni's case-insensitive char flavour gives the name matching, its
// load-order bookkeeping the stable key order; reading and writing the file go through vxnFiles so
// that a replacement is atomic.
#include "vxnIniFile.h"

#include "vxnFiles.h"
#include "vxnNFeException.h"
#include "vxnText.h"

// Values stay UTF-8 bytes as they are (no wide-character conversion); names compare ASCII-case-insensitively.
#define SI_NO_CONVERSION
#include <SimpleIni.h>

#include <algorithm>
#include <climits>

namespace vxn {

namespace {

// A section line that lacks its closing "]" names its section by the rest of the line, as the Windows
// profile functions read it. SimpleIni would run the name on to the next "]" anywhere in the text,
// swallowing the keys of every line in between (and the section header that "]" closes): a single typing
// error in a hand-edited file would silently lose settings.
std::string CloseSectionLines(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 8);
  // A line ends at CR or LF, as SimpleIni ends it: a lone CR inside a line ends it too.
  for (std::size_t inicio = 0; inicio < text.size();) {
    const std::size_t fim = std::min(text.find_first_of("\r\n", inicio), text.size());
    const std::string_view linha = text.substr(inicio, fim - inicio);
    out.append(linha);
    const std::size_t primeiro = linha.find_first_not_of(" \t");
    if (primeiro != std::string_view::npos && linha[primeiro] == '[' &&
        linha.find(']') == std::string_view::npos)
      out.push_back(']');
    if (fim < text.size())
      out.push_back(text[fim]);
    inicio = fim + 1;
  }
  return out;
}

} // namespace

struct TvxnIniFile::Impl {
  // UTF-8 data, one value per key, no multi-line values; "key=value" without blanks around "=".
  Impl() : ini(true, false, false) { ini.SetSpaces(false); }
  CSimpleIniA ini;

  void Load(std::string_view text) {
    ini.Reset();
    const std::string closed = CloseSectionLines(text);
    if (ini.LoadData(closed.data(), closed.size()) < 0)
      throw EvxnException("Não foi possível interpretar o arquivo INI");
  }
};

namespace {

using Names = CSimpleIniA::TNamesDepend;

std::vector<std::string> InLoadOrder(Names names) {
  names.sort(CSimpleIniA::Entry::LoadOrder());
  std::vector<std::string> out;
  out.reserve(names.size());
  for (const auto& n : names)
    out.emplace_back(n.pItem);
  return out;
}

} // namespace

TvxnIniFile::TvxnIniFile() : impl_(std::make_unique<Impl>()) {}

TvxnIniFile::TvxnIniFile(std::string_view fileName) : impl_(std::make_unique<Impl>()), fileName_(fileName) {
  if (FileExists(fileName_))
    impl_->Load(ReadWholeFile(fileName_));
}

TvxnIniFile::~TvxnIniFile() = default;
TvxnIniFile::TvxnIniFile(TvxnIniFile&&) noexcept = default;
TvxnIniFile& TvxnIniFile::operator=(TvxnIniFile&&) noexcept = default;

std::string TvxnIniFile::ReadString(std::string_view section, std::string_view key,
                                    std::string_view def) const {
  const char* v = impl_->ini.GetValue(std::string(section).c_str(), std::string(key).c_str(), nullptr);
  return v ? std::string(v) : std::string(def);
}

int TvxnIniFile::ReadInteger(std::string_view section, std::string_view key, int def) const {
  const char* v = impl_->ini.GetValue(std::string(section).c_str(), std::string(key).c_str(), nullptr);
  if (!v)
    return def;
  long long n = StrToIntDef(v, LLONG_MIN);
  if (n == LLONG_MIN || n < INT_MIN || n > INT_MAX)
    return def;
  return static_cast<int>(n);
}

bool TvxnIniFile::ReadBool(std::string_view section, std::string_view key, bool def) const {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void TvxnIniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) {
  // Writing the value a key already has changes nothing: the file is not rewritten for it.
  const char* current = impl_->ini.GetValue(std::string(section).c_str(), std::string(key).c_str(), nullptr);
  if (current && value == current)
    return;
  if (impl_->ini.SetValue(std::string(section).c_str(), std::string(key).c_str(),
                          std::string(value).c_str()) < 0)
    throw EvxnException("Não foi possível gravar a chave " + std::string(key) + " no arquivo INI");
  Changed();
}

void TvxnIniFile::WriteInteger(std::string_view section, std::string_view key, int value) {
  WriteString(section, key, std::to_string(value));
}

void TvxnIniFile::WriteBool(std::string_view section, std::string_view key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

bool TvxnIniFile::SectionExists(std::string_view section) const {
  return impl_->ini.GetSection(std::string(section).c_str()) != nullptr;
}

bool TvxnIniFile::ValueExists(std::string_view section, std::string_view key) const {
  return impl_->ini.GetValue(std::string(section).c_str(), std::string(key).c_str(), nullptr) != nullptr;
}

std::vector<std::string> TvxnIniFile::ReadSections() const {
  Names names;
  impl_->ini.GetAllSections(names);
  return InLoadOrder(std::move(names));
}

std::vector<std::string> TvxnIniFile::ReadSection(std::string_view section) const {
  Names names;
  impl_->ini.GetAllKeys(std::string(section).c_str(), names);
  return InLoadOrder(std::move(names));
}

TvxnStringList TvxnIniFile::ReadSectionValues(std::string_view section) const {
  TvxnStringList rows;
  for (const auto& key : ReadSection(section))
    rows.Add(key + "=" + ReadString(section, key, ""));
  return rows;
}

void TvxnIniFile::DeleteKey(std::string_view section, std::string_view key) {
  if (impl_->ini.Delete(std::string(section).c_str(), std::string(key).c_str()))
    Changed();
}

void TvxnIniFile::EraseSection(std::string_view section) {
  if (impl_->ini.Delete(std::string(section).c_str(), nullptr))
    Changed();
}

void TvxnIniFile::Clear() {
  impl_->ini.Reset();
  Changed();
}

std::string TvxnIniFile::GetText() const {
  std::string out;
  if (impl_->ini.Save(out, false) < 0)
    throw EvxnException("Não foi possível gerar o texto do arquivo INI");
  return out;
}

void TvxnIniFile::SetText(std::string_view text) {
  impl_->Load(text);
  Changed();
}

void TvxnIniFile::UpdateFile() {
  if (!IsFileBacked())
    return;
  WriteFileAtomic(fileName_, GetText());
  dirty_ = false;
}

void TvxnIniFile::Changed() {
  if (!IsFileBacked())
    return;
  dirty_ = true;
  if (batchDepth_ == 0)
    UpdateFile();
}

TvxnIniFile::UpdateBatch::~UpdateBatch() {
  if (done_)
    return;
  try {
    Commit();
  } catch (...) {
    // Already unwinding or ending normally without Commit: the caller asked for best effort.
  }
}

void TvxnIniFile::UpdateBatch::Commit() {
  if (done_)
    return;
  done_ = true;
  if (--ini_.batchDepth_ == 0 && ini_.dirty_)
    ini_.UpdateFile();
}

} // namespace vxn
