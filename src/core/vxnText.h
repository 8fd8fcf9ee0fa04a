// Text helpers shared by the whole library.
//
// Every string is UTF-8 in a std::string. Wherever NF-e rules count, cut or pad "characters" (field
// sizes, key lengths, justification lengths, lot size in KB) they mean Unicode characters, not bytes:
// use the Utf8* functions below for that, never size().
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vxn {

// Number of Unicode characters (code points) in a UTF-8 text. Invalid bytes count as one character
// each, so that a broken text never makes a length check pass.
std::size_t Utf8Length(std::string_view s);

// Byte offset of the character with index `chars` (0-based), or s.size() when the text is shorter.
std::size_t Utf8Offset(std::string_view s, std::size_t chars);

// The first `count` characters of s.
std::string Utf8Left(std::string_view s, std::size_t count);

// `count` characters of s starting at character `start` (0-based); shorter when s ends first.
std::string Utf8Mid(std::string_view s, std::size_t start, std::size_t count = std::string::npos);

// Character index (0-based) of the first occurrence of needle in s, or npos.
std::size_t Utf8Find(std::string_view s, std::string_view needle);

// Pads s with `fill` on the left (right) until it has `width` characters; a longer s is left as is.
std::string Utf8PadLeft(std::string_view s, std::size_t width, char fill = ' ');
std::string Utf8PadRight(std::string_view s, std::size_t width, char fill = ' ');

// Code points of a UTF-8 text and back (for per-character work such as accent removal).
std::u32string Utf8ToU32(std::string_view s);
std::string U32ToUtf8(std::u32string_view s);

// ASCII-only case mapping, as the configuration and wire texts need ("svcan" -> "SVCAN").
std::string AsciiUpper(std::string_view s);
std::string AsciiLower(std::string_view s);
bool SameText(std::string_view a, std::string_view b);
bool StartsWithText(std::string_view s, std::string_view prefix); // ASCII case-insensitive
bool ContainsText(std::string_view s, std::string_view needle);   // ASCII case-insensitive
// Position of the first occurrence of needle in s at or after `from`, ignoring ASCII case; npos when
// there is none or the needle is empty.
std::size_t FindText(std::string_view s, std::string_view needle, std::size_t from = 0);

// Removes control characters and blanks (anything <= U+0020) at either end.
std::string Trim(std::string_view s);
std::string TrimLeft(std::string_view s);
std::string TrimRight(std::string_view s);

// Byte position of the first occurrence of needle in s at or after `from`: what s.find(needle, from)
// returns, found by the C library's memmem, which skips ahead instead of stopping at every occurrence of
// the needle's first byte (in an XML text, "<" starts every tag).
std::size_t FindBytes(std::string_view s, std::string_view needle, std::size_t from = 0);

// Replaces every occurrence of `from` by `to`.
std::string ReplaceAll(std::string_view s, std::string_view from, std::string_view to);

// Splits on a single character; keeps empty pieces.
std::vector<std::string> Split(std::string_view s, char sep);

bool IsDigits(std::string_view s); // non-empty and only 0-9
// Decimal integer with optional sign and surrounding blanks; `fallback` when the text is not one.
long long StrToIntDef(std::string_view s, long long fallback);

// Appends text as a JSON string: quoted, with quotes, backslashes and control characters escaped
// (UTF-8 passes unchanged).
void EscreverJson(std::string& out, std::string_view texto);

} // namespace vxn
