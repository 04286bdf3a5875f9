#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <utility>
#include <string_view>
#include <vector>

namespace vorn::resolver {

// A map from name bytes to a 32-bit value with open addressing, since a
// module may hold 10^5 names and every port assignment looks one up. The
// probed slots hold only a hash and an index (8 bytes), so a table of 10^5
// names stays small and probing stays in cache; the names and values sit in
// a dense list beside them.
class NameTable {
 public:
  void reserve(std::size_t count) {
    std::size_t wanted = 16;
    while (wanted < count * 2) wanted *= 2;
    if (wanted > slots_.size()) rehash(wanted);
    entries_.reserve(count);
  }

  // Inserts or overwrites.
  void assign(std::string_view name, std::uint32_t value) {
    auto [entry, inserted] = insert(name, value);
    if (!inserted) entries_[entry].value = value;
  }

  // Inserts unless present; returns the value now held and whether it was
  // inserted, with one probe.
  std::pair<std::uint32_t, bool> insert(std::string_view name, std::uint32_t value) {
    if ((entries_.size() + 1) * 2 > slots_.size()) rehash(slots_.empty() ? 16 : slots_.size() * 2);
    const std::uint32_t hash = hashOf(name);
    Slot& slot = probe(name, hash);
    if (slot.entry != kEmpty) return {entries_[slot.entry].value, false};
    slot = Slot{hash, static_cast<std::uint32_t>(entries_.size())};
    entries_.push_back(Entry{name, value});
    return {value, true};
  }

  std::optional<std::uint32_t> find(std::string_view name) const {
    if (slots_.empty()) return std::nullopt;
    const std::uint32_t hash = hashOf(name);
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t index = hash & mask;; index = (index + 1) & mask) {
      const Slot& slot = slots_[index];
      if (slot.entry == kEmpty) return std::nullopt;
      if (slot.hash == hash && entries_[slot.entry].name == name) return entries_[slot.entry].value;
    }
  }

  bool contains(std::string_view name) const { return find(name).has_value(); }
  std::size_t size() const { return entries_.size(); }

 private:
  static constexpr std::uint32_t kEmpty = 0xFFFFFFFF;

  struct Slot {
    std::uint32_t hash = 0;
    std::uint32_t entry = kEmpty;  // index into entries_
  };
  struct Entry {
    std::string_view name;
    std::uint32_t value;
  };

  static std::uint32_t hashOf(std::string_view name) {
    const std::size_t hash = std::hash<std::string_view>{}(name);
    return static_cast<std::uint32_t>(hash ^ (hash >> 32));
  }

  Slot& probe(std::string_view name, std::uint32_t hash) {
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t index = hash & mask;; index = (index + 1) & mask) {
      Slot& slot = slots_[index];
      if (slot.entry == kEmpty || (slot.hash == hash && entries_[slot.entry].name == name)) return slot;
    }
  }

  void rehash(std::size_t capacity) {
    std::vector<Slot> old = std::move(slots_);
    slots_.assign(capacity, Slot{});
    const std::size_t mask = capacity - 1;
    for (const Slot& slot : old) {
      if (slot.entry == kEmpty) continue;
      std::size_t index = slot.hash & mask;
      while (slots_[index].entry != kEmpty) index = (index + 1) & mask;
      slots_[index] = slot;
    }
  }

  std::vector<Slot> slots_;
  std::vector<Entry> entries_;
};

}  // namespace vorn::resolver
