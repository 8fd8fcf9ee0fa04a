// Files, paths, identifiers, dates and the XML log writer of TvxnGovUtils.
#include "vxnGovUtils.h"

#include "vxnCnpj.h"
#include "vxnFiles.h"
#include "vxnNFeException.h"
#include "vxnPaths.h"
#include "vxnStringListText.h"
#include "vxnText.h"
#include "vxnXmlParser.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <sys/time.h>
#include <utility>

namespace vxn {

namespace {

bool IsValidUtf8(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    // Runs of ASCII (nearly all of a log) are passed over eight bytes at a time.
    for (std::uint64_t w; i + 8 <= s.size(); i += 8) {
      std::memcpy(&w, s.data() + i, 8);
      if (w & 0x8080808080808080ULL)
        break;
    }
    if (i >= s.size())
      break;
    const auto c = static_cast<unsigned char>(s[i]);
    std::size_t extra = 0;
    char32_t min = 0;
    if (c < 0x80) {
      ++i;
      continue;
    }
    if ((c & 0xE0) == 0xC0) {
      extra = 1;
      min = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
      extra = 2;
      min = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
      extra = 3;
      min = 0x10000;
    } else {
      return false;
    }
    if (i + extra >= s.size())
      return false;
    char32_t cp = c & (0x3F >> extra);
    for (std::size_t k = 1; k <= extra; ++k) {
      const auto b = static_cast<unsigned char>(s[i + k]);
      if ((b & 0xC0) != 0x80)
        return false;
      cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
      return false;
    i += extra + 1;
  }
  return true;
}

// Windows-1252 to UTF-8: the bytes 0x80-0x9F carry typographic characters there, the rest is Latin-1.
std::string Windows1252ToUtf8(std::string_view s) {
  static constexpr char32_t k80[32] = {0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                       0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x8D,   0x017D, 0x8F,
                                       0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                       0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};
  std::u32string out;
  out.reserve(s.size());
  for (char ch : s) {
    const auto c = static_cast<unsigned char>(ch);
    out += (c >= 0x80 && c < 0xA0) ? k80[c - 0x80] : static_cast<char32_t>(c);
  }
  return U32ToUtf8(out);
}

std::string EnvDir(const char* name) {
  const char* v = std::getenv(name);
  return v && *v ? IncludeTrailingPathDelimiter(v) : std::string{};
}

std::string TextLines(std::string_view content) {
  return StringListText(content);
}

int DigitAt(std::string_view s, std::size_t i) {
  return s[i] - '0';
}

// Keeps the characters of a document number written with its usual punctuation ("11.222.333/0001-81",
// "12.ABC.345/01DE-35"): the digits, and the capital letters when `letters`; "" when anything else is in it.
std::string DocumentCharacters(std::string_view text, bool letters) {
  std::string kept;
  for (char c : Trim(text)) {
    if ((c >= '0' && c <= '9') || (letters && c >= 'A' && c <= 'Z'))
      kept += c;
    else if (c != '.' && c != '/' && c != '-' && c != ' ')
      return {};
  }
  return kept;
}

bool AllSame(std::string_view s) {
  return s.find_first_not_of(s[0]) == std::string_view::npos;
}

// Modulus-11 check digit over the first `count` digits with weights running 2..maxWeight from the right.
int Mod11Digit(std::string_view digits, std::size_t count, int maxWeight) {
  int sum = 0;
  int weight = 2;
  for (std::size_t i = count; i-- > 0;) {
    sum += DigitAt(digits, i) * weight;
    weight = weight == maxWeight ? 2 : weight + 1;
  }
  const int r = sum % 11;
  return r < 2 ? 0 : 11 - r;
}

} // namespace

TvxnGovUtils::TvxnGovUtils() {
  outside::EnsureLibxml();
}

// ---------------------------------------------------------------- files

void TvxnGovUtils::AppendToFile(std::string_view text, std::string_view path) const {
  vxn::AppendToFile(text, ToNativePath(path));
}

std::string TvxnGovUtils::LoadFromFile(std::string_view path) const {
  std::string text = LoadFromFileUTF8(path);
  return IsValidUtf8(text) ? text : Windows1252ToUtf8(text);
}

std::string TvxnGovUtils::LoadFromFileUTF8(std::string_view path) const {
  return RemoveBOM(ReadWholeFile(ToNativePath(path)));
}

void TvxnGovUtils::SaveToFile(std::string_view text, std::string_view path) const {
  WriteFileAtomic(ToNativePath(path), text);
}

void TvxnGovUtils::SaveToFileUtf8(std::string_view text, std::string_view path) const {
  WriteFileAtomic(ToNativePath(path), RemoveBOM(text));
}

// ---------------------------------------------------------------- paths

std::string TvxnGovUtils::ExpandPath(std::string_view path) const {
  return vxn::ExpandPath(path);
}

std::string TvxnGovUtils::FixSlash(std::string_view path) const {
  return IncludeTrailingPathDelimiter(ToNativePath(path));
}

std::string TvxnGovUtils::GetSpecialDirectories(int kind) const {
  switch (static_cast<TvxnSpecialDirectory>(kind)) {
  case TvxnSpecialDirectory::Program:
    return ProgramDirectory();
  case TvxnSpecialDirectory::Temporary: {
    std::string tmp = EnvDir("TMPDIR");
    return tmp.empty() ? "/tmp/" : tmp;
  }
  case TvxnSpecialDirectory::Home:
    return EnvDir("HOME");
  case TvxnSpecialDirectory::Config: {
    std::string config = EnvDir("XDG_CONFIG_HOME");
    if (config.empty() && !EnvDir("HOME").empty())
      config = EnvDir("HOME") + ".config/";
    return config;
  }
  }
  return {};
}

// ---------------------------------------------------------------- identifiers and values

bool TvxnGovUtils::ValidateCNPJ(std::string_view cnpj) const {
  // Numeric or alphanumeric: the same rule gives a numeric CNPJ the digits it always had.
  return CnpjValido(DocumentCharacters(cnpj, true));
}

bool TvxnGovUtils::ValidateCPF(std::string_view cpf) const {
  const std::string d = DocumentCharacters(cpf, false);
  if (d.size() != 11 || AllSame(d))
    return false;
  // The CPF weights grow without wrapping (2..10, then 2..11).
  return Mod11Digit(d, 9, 11) == DigitAt(d, 9) && Mod11Digit(d, 10, 11) == DigitAt(d, 10);
}

std::string TvxnGovUtils::Czro(std::string_view value, std::size_t width) const {
  return Utf8PadLeft(value, width, '0');
}

std::chrono::system_clock::time_point TvxnGovUtils::XsdDateTimeToDateTime(std::string_view text) const {
  const std::string s = Trim(text);
  auto fail = [&]() { return EvxnNFEConvertDateException("Data/hora inválida: %s", {s}, logDirErro_); };
  auto number = [&](std::size_t pos, std::size_t len) {
    if (pos + len > s.size() || !IsDigits(s.substr(pos, len)))
      throw fail();
    return static_cast<int>(StrToIntDef(s.substr(pos, len), 0));
  };
  if (s.size() < 10 || s[4] != '-' || s[7] != '-')
    throw fail();
  std::tm tm{};
  tm.tm_year = number(0, 4) - 1900;
  tm.tm_mon = number(5, 2) - 1;
  tm.tm_mday = number(8, 2);
  std::size_t pos = 10;
  long micros = 0;
  if (pos < s.size() && s[pos] == 'T') {
    if (s.size() < 19 || s[13] != ':' || s[16] != ':')
      throw fail();
    tm.tm_hour = number(11, 2);
    tm.tm_min = number(14, 2);
    tm.tm_sec = number(17, 2);
    pos = 19;
    if (pos < s.size() && s[pos] == '.') {
      std::size_t k = ++pos;
      while (k < s.size() && std::isdigit(static_cast<unsigned char>(s[k])))
        ++k;
      if (k == pos)
        throw fail();
      std::string frac = s.substr(pos, std::min<std::size_t>(k - pos, 6));
      frac.resize(6, '0');
      micros = static_cast<long>(StrToIntDef(frac, 0));
      pos = k;
    }
  }
  if (tm.tm_mon < 0 || tm.tm_mon > 11 || tm.tm_mday < 1 || tm.tm_mday > 31 || tm.tm_hour > 23 ||
      tm.tm_min > 59 || tm.tm_sec > 60)
    throw fail();
  std::time_t t;
  if (pos == s.size()) {
    tm.tm_isdst = -1;
    t = std::mktime(&tm); // no offset: local time
  } else {
    long offset = 0;
    if (s[pos] == 'Z' && pos + 1 == s.size()) {
      offset = 0;
    } else if ((s[pos] == '+' || s[pos] == '-') && pos + 6 == s.size() && s[pos + 3] == ':') {
      offset = (number(pos + 1, 2) * 60 + number(pos + 4, 2)) * 60;
      if (s[pos] == '-')
        offset = -offset;
    } else {
      throw fail();
    }
    t = timegm(&tm) - offset;
  }
  if (t == static_cast<std::time_t>(-1) && tm.tm_year != 69)
    throw fail();
  return std::chrono::system_clock::from_time_t(t) + std::chrono::microseconds(micros);
}

// ---------------------------------------------------------------- logs

std::string TvxnGovUtils::GetLogFileName(std::string_view name, std::string_view id) const {
  // The id comes from the host (a lot number, a receipt, a key): a path separator in it must not
  // place the log outside the log folder, so the name is always one plain file name.
  std::string prefix(id);
  for (char& c : prefix)
    if (c == '/' || c == '\\' || c == '\0')
      c = '_';
  if (prefix.empty()) {
    timeval tv{};
    gettimeofday(&tv, nullptr);
    std::tm local{};
    localtime_r(&tv.tv_sec, &local);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y%m%d%H%M%S", &local);
    prefix = Format("%s%6.6d", {buf, static_cast<long>(tv.tv_usec)});
  }
  return prefix + "-" + std::string(name) + ".xml";
}

std::string TvxnGovUtils::Log(std::string_view content, std::string_view name, std::string_view id,
                              std::string_view directory, std::string_view fileName) {
  const std::string file = fileName.empty() ? GetLogFileName(name, id) : std::string(fileName);
  std::string result = file;
  if (saveLogToFile_) {
    const std::string dir = IncludeTrailingPathDelimiter(vxn::ExpandPath(directory));
    if (dir.empty() || !ForceDirectories(dir))
      throw EvxnLogException("Diretório de log não pode ser criado ou está vazio: %s", {dir}, logDirErro_);
    result = dir + file;
    WriteFileAtomic(result, TextLines(content));
    ultimoLog_ = result;
    if (onLog_)
      onLog_(std::string(name), std::string(id), result);
  }
  if (onLogContent_)
    onLogContent_(std::string(name), std::string(id), file, std::string(content));
  return result;
}

void TvxnGovUtils::MarcarUltimoLog(bool entregue, std::string_view url, std::string_view motivo) {
  const std::string ultimo = std::exchange(ultimoLog_, {});
  if (entregue || ultimo.empty())
    return;
  const std::size_t ponto = ultimo.rfind('.');
  const std::string marca =
      (ponto == std::string::npos || ponto < ultimo.rfind('/') ? ultimo : ultimo.substr(0, ponto)) +
      "-nao-entregue.txt";
  WriteFileAtomic(marca,
                  TextLines("Requisição não entregue a " + std::string(url) + "\n" + std::string(motivo)));
}

} // namespace vxn
