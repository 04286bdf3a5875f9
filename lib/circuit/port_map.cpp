#include "circuit/circuit.hpp"
#include "topology/format.hpp"

namespace vorn::circuit {
namespace {

// The codes are the topology's port bytes, so both read one name table.
static_assert(PortEntry::in == uint8_t(format::PortName::in) && PortEntry::a == uint8_t(format::PortName::a) &&
              PortEntry::b == uint8_t(format::PortName::b) && PortEntry::out == uint8_t(format::PortName::out) &&
              PortEntry::other == format::kPortCount);

bool sameBytes(const char* left, const char* right, size_t size) {
  for (size_t i = 0; i < size; ++i) {
    if (left[i] != right[i]) return false;
  }
  return true;
}

PortEntry::Code intern(PortName name) {
  for (uint8_t port = 0; port < format::kPortCount; ++port) {
    const format::PortNameText& known = format::kPortNames[port];
    if (known.size == name.size && sameBytes(known.data, name.data, name.size)) return PortEntry::Code(port);
  }
  return PortEntry::other;
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
    if (entry.code == PortEntry::other && entry.name_size == name.size && sameBytes(entry.name, name.data, name.size)) {
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
