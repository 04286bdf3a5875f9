#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <utility>
#include <string_view>
#include <vector>

namespace vorn::resolver {

// A map from name bytes to a 32-bit value with open addressing: one flat
// array instead of a node per entry, since a module may hold 10^5 names and
// every port assignment looks one up. A slot is 24 bytes: names are shorter
// than 4 GiB (sources are), so their length and hash take 32 bits each.
class NameTable {
 public:
  void reserve(std::size_t count) {
    std::size_t wanted = 16;
    while (wanted < count * 2) wanted *= 2;
    if (wanted > slots_.size()) rehash(wanted);
  }

  // Inserts or overwrites.
  void assign(std::string_view name, std::uint32_t value) {
    if ((size_ + 1) * 2 > slots_.size()) rehash(slots_.empty() ? 16 : slots_.size() * 2);
    const std::uint32_t hash = hashOf(name);
    Slot& slot = probe(name, hash);
    if (!slot.used) {
      slot = Slot{name.data(), static_cast<std::uint32_t>(name.size()), hash, value, true};
      ++size_;
    } else {
      slot.value = value;
    }
  }

  // Inserts unless present; returns the value now held and whether it was
  // inserted, with one probe.
  std::pair<std::uint32_t, bool> insert(std::string_view name, std::uint32_t value) {
    if ((size_ + 1) * 2 > slots_.size()) rehash(slots_.empty() ? 16 : slots_.size() * 2);
    const std::uint32_t hash = hashOf(name);
    Slot& slot = probe(name, hash);
    if (slot.used) return {slot.value, false};
    slot = Slot{name.data(), static_cast<std::uint32_t>(name.size()), hash, value, true};
    ++size_;
    return {value, true};
  }

  std::optional<std::uint32_t> find(std::string_view name) const {
    if (slots_.empty()) return std::nullopt;
    const std::uint32_t hash = hashOf(name);
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t index = hash & mask;; index = (index + 1) & mask) {
      const Slot& slot = slots_[index];
      if (!slot.used) return std::nullopt;
      if (slot.holds(name, hash)) return slot.value;
    }
  }

  bool contains(std::string_view name) const { return find(name).has_value(); }
  std::size_t size() const { return size_; }

 private:
  struct Slot {
    const char* data = nullptr;
    std::uint32_t size = 0;
    std::uint32_t hash = 0;
    std::uint32_t value = 0;
    bool used = false;

    bool holds(std::string_view name, std::uint32_t name_hash) const {
      return hash == name_hash && std::string_view(data, size) == name;
    }
  };

  static std::uint32_t hashOf(std::string_view name) {
    const std::uint64_t hash = std::hash<std::string_view>{}(name);  // 32 bits in the browser build
    return static_cast<std::uint32_t>(hash ^ (hash >> 32));
  }

  Slot& probe(std::string_view name, std::uint32_t hash) {
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t index = hash & mask;; index = (index + 1) & mask) {
      Slot& slot = slots_[index];
      if (!slot.used || slot.holds(name, hash)) return slot;
    }
  }

  void rehash(std::size_t capacity) {
    std::vector<Slot> old = std::move(slots_);
    slots_.assign(capacity, Slot{});
    const std::size_t mask = capacity - 1;
    for (const Slot& slot : old) {
      if (!slot.used) continue;
      std::size_t index = slot.hash & mask;
      while (slots_[index].used) index = (index + 1) & mask;
      slots_[index] = slot;
    }
  }

  std::vector<Slot> slots_;
  std::size_t size_ = 0;
};

}  // namespace vorn::resolver
