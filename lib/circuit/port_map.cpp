#include "circuit/circuit.hpp"

namespace vorn::circuit {
namespace {

PortEntry::Code intern(PortName name) {
  if (name.size == 1) {
    if (name.data[0] == 'a') return PortEntry::a;
    if (name.data[0] == 'b') return PortEntry::b;
  } else if (name.size == 2) {
    if (name.data[0] == 'i' && name.data[1] == 'n') return PortEntry::in;
  } else if (name.size == 3) {
    if (name.data[0] == 'o' && name.data[1] == 'u' && name.data[2] == 't') return PortEntry::out;
  }
  return PortEntry::other;
}

bool sameBytes(const char* left, const char* right, size_t size) {
  for (size_t i = 0; i < size; ++i) {
    if (left[i] != right[i]) return false;
  }
  return true;
}

}  // namespace

PortEntry* PortMap::find(PortEntry::Code code) {
  for (PortEntry& entry : entries_) {
    if (entry.code == code) return &entry;
  }
  return nullptr;
}

const PortEntry* PortMap::find(PortEntry::Code code) const {
  for (const PortEntry& entry : entries_) {
    if (entry.code == code) return &entry;
  }
  return nullptr;
}

PortEntry* PortMap::find(PortName name) {
  PortEntry::Code code = intern(name);
  if (code != PortEntry::other) return find(code);
  for (PortEntry& entry : entries_) {
    if (entry.code == PortEntry::other && entry.name_size == name.size &&
        sameBytes(entry.name, name.data, name.size)) {
      return &entry;
    }
  }
  return nullptr;
}

PortEntry* PortMap::findOrAdd(PortName name) {
  if (PortEntry* existing = find(name)) return existing;
  PortEntry entry;
  entry.code = intern(name);
  if (entry.code == PortEntry::other) {
    if (name.size > UINT32_MAX) return nullptr;
    auto* copy = static_cast<char*>(memory::arena().allocate(name.size, 1));
    if (copy == nullptr) return nullptr;
    for (size_t i = 0; i < name.size; ++i) copy[i] = name.data[i];
    entry.name = copy;
    entry.name_size = uint32_t(name.size);
  }
  if (!entries_.push(entry)) return nullptr;
  return &entries_.back();
}

void PortMap::remove(PortName name) {
  PortEntry* entry = find(name);
  if (entry == nullptr) return;
  entry->components.release();
  uint32_t index = uint32_t(entry - entries_.begin());
  for (uint32_t i = index + 1; i < entries_.size(); ++i) entries_[i - 1] = entries_[i];
  entries_.popBack();
}

void PortMap::release() {
  for (PortEntry& entry : entries_) entry.components.release();
  entries_.release();
}

}  // namespace vorn::circuit
