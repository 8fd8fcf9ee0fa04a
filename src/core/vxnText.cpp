#include "vxnText.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace vxn {
namespace {

// Length in bytes of the UTF-8 sequence that starts with `lead`; 1 for a stray byte.
std::size_t SeqLen(unsigned char lead) {
  if (lead < 0x80)
    return 1;
  if ((lead >> 5) == 0x6)
    return 2;
  if ((lead >> 4) == 0xE)
    return 3;
  if ((lead >> 3) == 0x1E)
    return 4;
  return 1;
}

// Advances one character from byte offset i, never past the end nor into a truncated sequence.
std::size_t NextChar(std::string_view s, std::size_t i) {
  std::size_t len = SeqLen(static_cast<unsigned char>(s[i]));
  if (i + len > s.size())
    return i + 1;
  for (std::size_t k = 1; k < len; ++k)
    if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80)
      return i + 1;
  return i + len;
}

char LowerC(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}
char UpperC(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

} // namespace

std::size_t Utf8Length(std::string_view s) {
  std::size_t n = 0;
  for (std::size_t i = 0; i < s.size(); i = NextChar(s, i))
    ++n;
  return n;
}

std::size_t Utf8Offset(std::string_view s, std::size_t chars) {
  std::size_t i = 0;
  while (chars > 0 && i < s.size()) {
    i = NextChar(s, i);
    --chars;
  }
  return i;
}

std::string Utf8Left(std::string_view s, std::size_t count) {
  return std::string(s.substr(0, Utf8Offset(s, count)));
}

std::string Utf8Mid(std::string_view s, std::size_t start, std::size_t count) {
  std::size_t b = Utf8Offset(s, start);
  std::string_view rest = s.substr(b);
  if (count == std::string::npos)
    return std::string(rest);
  return std::string(rest.substr(0, Utf8Offset(rest, count)));
}

std::size_t Utf8Find(std::string_view s, std::string_view needle) {
  std::size_t pos = s.find(needle);
  if (pos == std::string_view::npos)
    return std::string::npos;
  return Utf8Length(s.substr(0, pos));
}

std::string Utf8PadLeft(std::string_view s, std::size_t width, char fill) {
  std::size_t len = Utf8Length(s);
  if (len >= width)
    return std::string(s);
  return std::string(width - len, fill) + std::string(s);
}

std::string Utf8PadRight(std::string_view s, std::size_t width, char fill) {
  std::size_t len = Utf8Length(s);
  if (len >= width)
    return std::string(s);
  return std::string(s) + std::string(width - len, fill);
}

std::u32string Utf8ToU32(std::string_view s) {
  std::u32string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size();) {
    std::size_t next = NextChar(s, i);
    auto lead = static_cast<unsigned char>(s[i]);
    char32_t cp;
    std::size_t len = next - i;
    if (len == 1)
      cp = lead;
    else {
      cp = lead & (0x7F >> len);
      for (std::size_t k = 1; k < len; ++k)
        cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    }
    out.push_back(cp);
    i = next;
  }
  return out;
}

std::string U32ToUtf8(std::u32string_view s) {
  std::string out;
  out.reserve(s.size());
  for (char32_t c : s) {
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (c >> 6)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (c >> 12)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (c >> 18)));
      out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

std::string AsciiUpper(std::string_view s) {
  std::string r(s);
  std::transform(r.begin(), r.end(), r.begin(), UpperC);
  return r;
}

std::string AsciiLower(std::string_view s) {
  std::string r(s);
  std::transform(r.begin(), r.end(), r.begin(), LowerC);
  return r;
}

bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return LowerC(x) == LowerC(y); });
}

bool StartsWithText(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && SameText(s.substr(0, prefix.size()), prefix);
}

bool ContainsText(std::string_view s, std::string_view needle) {
  return AsciiLower(s).find(AsciiLower(needle)) != std::string::npos;
}

std::size_t FindText(std::string_view s, std::string_view needle, std::size_t from) {
  const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
  if (needle.empty() || needle.size() > s.size())
    return std::string_view::npos;
  for (std::size_t i = from; i + needle.size() <= s.size(); ++i) {
    std::size_t k = 0;
    while (k < needle.size() && lower(s[i + k]) == lower(needle[k]))
      ++k;
    if (k == needle.size())
      return i;
  }
  return std::string_view::npos;
}

std::string TrimLeft(std::string_view s) {
  std::size_t b = 0;
  while (b < s.size() && static_cast<unsigned char>(s[b]) <= ' ')
    ++b;
  return std::string(s.substr(b));
}

std::string TrimRight(std::string_view s) {
  std::size_t e = s.size();
  while (e > 0 && static_cast<unsigned char>(s[e - 1]) <= ' ')
    --e;
  return std::string(s.substr(0, e));
}

std::string Trim(std::string_view s) {
  return TrimLeft(TrimRight(s));
}

std::size_t FindBytes(std::string_view s, std::string_view needle, std::size_t from) {
  if (from > s.size())
    return std::string_view::npos;
  if (needle.empty())
    return from;
  const void* hit = ::memmem(s.data() + from, s.size() - from, needle.data(), needle.size());
  return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - s.data()) : std::string_view::npos;
}

std::string ReplaceAll(std::string_view s, std::string_view from, std::string_view to) {
  if (from.empty())
    return std::string(s);
  std::string out;
  out.reserve(s.size());
  std::size_t i = 0;
  for (std::size_t p; (p = s.find(from, i)) != std::string_view::npos; i = p + from.size()) {
    out.append(s.substr(i, p - i));
    out.append(to);
  }
  out.append(s.substr(i));
  return out;
}

std::vector<std::string> Split(std::string_view s, char sep) {
  std::vector<std::string> parts;
  std::size_t i = 0;
  for (std::size_t p; (p = s.find(sep, i)) != std::string_view::npos; i = p + 1)
    parts.emplace_back(s.substr(i, p - i));
  parts.emplace_back(s.substr(i));
  return parts;
}

bool IsDigits(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

long long StrToIntDef(std::string_view s, long long fallback) {
  std::string t = Trim(s);
  std::string_view v = t;
  if (!v.empty() && v.front() == '+')
    v.remove_prefix(1);
  long long value = 0;
  auto [ptr, ec] = std::from_chars(v.data(), v.data() + v.size(), value);
  if (ec != std::errc() || ptr != v.data() + v.size() || v.empty())
    return fallback;
  return value;
}

void EscreverJson(std::string& out, std::string_view texto) {
  out.push_back('"');
  for (const char c : texto) {
    switch (c) {
    case '"':
      out += "\\\"";
      break;
    case '\\':
      out += "\\\\";
      break;
    case '\n':
      out += "\\n";
      break;
    case '\r':
      out += "\\r";
      break;
    case '\t':
      out += "\\t";
      break;
    default:
      if (static_cast<unsigned char>(c) < 0x20) {
        static constexpr char kHex[] = "0123456789abcdef";
        out += "\\u00";
        out.push_back(kHex[(c >> 4) & 0xF]);
        out.push_back(kHex[c & 0xF]);
      } else {
        out.push_back(c);
      }
    }
  }
  out.push_back('"');
}

} // namespace vxn
