// Lookup by name without regard to ASCII case, for the names of parts and fields: every assignment
// through Campo and every insert goes through one, so the table keeps each entry's hash and probes
// a flat array instead of walking bucket lists.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vxn {

// Hash and equality of names without regard to ASCII case; both take a string_view, so a lookup
// needs no upper-case copy of the name.
struct TvxnNomeHash {
  std::size_t operator()(std::string_view s) const noexcept;
};
struct TvxnNomeIgual {
  bool operator()(std::string_view a, std::string_view b) const noexcept;
};

// Name -> value. The first entry of a name stays (try_emplace and emplace keep it). Entries are held
// in insertion order; a found entry is valid until the next insertion or clear.
template <class T> class TvxnMapaNomes {
public:
  struct Entry {
    std::string first;
    T second;
    std::size_t hash;
  };

  const Entry* find(std::string_view name) const {
    if (entries_.empty())
      return nullptr;
    const std::size_t hash = TvxnNomeHash{}(name);
    for (std::size_t slot = hash & mask_;; slot = (slot + 1) & mask_) {
      const std::uint32_t index = slots_[slot];
      if (index == 0)
        return nullptr;
      const Entry& entry = entries_[index - 1];
      if (entry.hash == hash && TvxnNomeIgual{}(entry.first, name))
        return &entry;
    }
  }
  const Entry* end() const { return nullptr; }

  std::pair<const Entry*, bool> try_emplace(std::string name, T value) {
    if (const Entry* found = find(name))
      return {found, false};
    if ((entries_.size() + 1) * 2 > slots_.size())
      Grow();
    const std::size_t hash = TvxnNomeHash{}(name);
    entries_.push_back(Entry{std::move(name), std::move(value), hash});
    Place(entries_.size() - 1);
    return {&entries_.back(), true};
  }
  std::pair<const Entry*, bool> emplace(std::string name, T value) {
    return try_emplace(std::move(name), std::move(value));
  }

  std::size_t size() const { return entries_.size(); }
  void clear() {
    entries_.clear();
    slots_.clear();
    mask_ = 0;
  }

private:
  // Slots hold entry index + 1; 0 is free. At most half of them are taken.
  void Place(std::size_t index) {
    std::size_t slot = entries_[index].hash & mask_;
    while (slots_[slot] != 0)
      slot = (slot + 1) & mask_;
    slots_[slot] = static_cast<std::uint32_t>(index + 1);
  }
  void Grow() {
    const std::size_t size = slots_.empty() ? 16 : slots_.size() * 2;
    slots_.assign(size, 0);
    mask_ = size - 1;
    for (std::size_t i = 0; i < entries_.size(); ++i)
      Place(i);
  }

  std::vector<Entry> entries_;
  std::vector<std::uint32_t> slots_;
  std::size_t mask_ = 0;
};

} // namespace vxn
