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

} // namespace

std::size_t TvxnNomeHash::operator()(std::string_view s) const noexcept {
  std::uint64_t h = 0x9E3779B97F4A7C15ull ^ s.size();
  std::size_t i = 0;
  for (; i + 8 <= s.size(); i += 8) {
    std::uint64_t w;
    std::memcpy(&w, s.data() + i, 8);
    h = Misturar(h ^ Maiusculas(w));
  }
  if (i < s.size()) { // the last bytes packed into one word (a memcpy of variable size is a call)
    std::uint64_t w = 0;
    for (std::size_t k = s.size(); k > i; --k)
      w = (w << 8) | static_cast<unsigned char>(s[k - 1]);
    h = Misturar(h ^ Maiusculas(w));
  }
  return static_cast<std::size_t>(h);
}

// Names are nearly always written as declared, so the exact comparison settles most lookups.
bool TvxnNomeIgual::operator()(std::string_view a, std::string_view b) const noexcept {
  return a.size() == b.size() && (a == b || SameText(a, b));
}

} // namespace vxn
