#include "vxnMapaNomes.h"

#include "vxnText.h"

#include <cstring>

namespace vxn {

namespace {

constexpr std::uint64_t kUns = 0x0101010101010101ull;
constexpr std::uint64_t kAltos = 0x8080808080808080ull;

// The eight bytes of w with 'a'..'z' turned into 'A'..'Z', everything else (UTF-8 bytes included)
// untouched. Each byte's low seven bits get an offset whose carry into the high bit says whether the
// byte is at least 'a', and another that says whether it is past 'z'; no sum carries into the next
// byte.
std::uint64_t Maiusculas(std::uint64_t w) {
  const std::uint64_t baixos = w & ~kAltos;
  const std::uint64_t desdeA = baixos + kUns * (0x80 - 'a');
  const std::uint64_t depoisDeZ = baixos + kUns * (0x80 - 'z' - 1);
  const std::uint64_t minusculas = desdeA & ~depoisDeZ & ~w & kAltos;
  return w - (minusculas >> 2); // 0x80 >> 2 is the distance between the cases
}

std::uint64_t Misturar(std::uint64_t h) {
  h ^= h >> 29;
  h *= 0xBF58476D1CE4E5B9ull;
  h ^= h >> 32;
  return h;
}

std::uint64_t Carregar8(const char* p) {
  std::uint64_t w;
  std::memcpy(&w, p, 8);
  return w;
}

std::uint64_t Carregar4(const char* p) {
  std::uint32_t w;
  std::memcpy(&w, p, 4);
  return w;
}

} // namespace

// Whole words of eight bytes; the last word is the last eight bytes, overlapping the word before it,
// and a name shorter than eight bytes is read as two overlapping halves (or, below four bytes, as its
// first, middle and last byte). Names equal but for ASCII case read the same bytes at the same places,
// so they hash alike.
std::size_t TvxnNomeHash::operator()(std::string_view s) const noexcept {
  const char* p = s.data();
  const std::size_t n = s.size();
  std::uint64_t h = 0x9E3779B97F4A7C15ull ^ n;
  if (n >= 8) {
    for (std::size_t i = 0; i + 8 < n; i += 8)
      h = Misturar(h ^ Maiusculas(Carregar8(p + i)));
    h = Misturar(h ^ Maiusculas(Carregar8(p + n - 8)));
  } else if (n >= 4) {
    h = Misturar(h ^ Maiusculas(Carregar4(p) | (Carregar4(p + n - 4) << 32)));
  } else if (n > 0) {
    const auto byte = [p](std::size_t i) {
      return static_cast<std::uint64_t>(static_cast<unsigned char>(p[i]));
    };
    h = Misturar(h ^ Maiusculas(byte(0) | (byte(n / 2) << 8) | (byte(n - 1) << 16)));
  }
  return static_cast<std::size_t>(h);
}

// Names are nearly always written as declared, so the exact comparison settles most lookups.
bool TvxnNomeIgual::operator()(std::string_view a, std::string_view b) const noexcept {
  return a.size() == b.size() && (a == b || SameText(a, b));
}

} // namespace vxn
