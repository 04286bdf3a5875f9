#include "interpreter.hpp"

#include "memory/arena.hpp"

namespace vorn::interpreter {
namespace {

constexpr size_t kHeaderSize = 13;
constexpr size_t kComponentSize = 5;
constexpr size_t kConnectionSize = 9;

uint32_t readU32(const uint8_t* bytes) {
  return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 |
         uint32_t(bytes[3]) << 24;
}

// Open-addressing map from record id to component, sized once for all
// records so it never grows.
class IdMap {
 public:
  bool init(uint32_t count) {
    uint64_t wanted = uint64_t(count) * 2;
    if (wanted > (uint64_t(1) << 31)) return false;
    capacity_ = 16;
    while (capacity_ < wanted) capacity_ *= 2;
    uint64_t bytes = uint64_t(capacity_) * sizeof(Slot);
    if (bytes > uint64_t(SIZE_MAX / 2)) return false;
    bytes_ = size_t(bytes);
    slots_ = static_cast<Slot*>(memory::arena().allocate(bytes_, alignof(Slot)));
    if (slots_ == nullptr) return false;
    for (uint32_t i = 0; i < capacity_; ++i) slots_[i] = Slot{};
    return true;
  }
  // A later record with the same id replaces the earlier one.
  void put(uint32_t id, circuit::Component* component) {
    Slot* slot = locate(id);
    slot->id = id;
    slot->component = component;
  }
  circuit::Component* get(uint32_t id) { return locate(id)->component; }
  void release() { memory::arena().release(slots_, bytes_); }

 private:
  struct Slot {
    uint32_t id = 0;
    circuit::Component* component = nullptr;
  };

  Slot* locate(uint32_t id) {
    uint32_t mask = capacity_ - 1;
    uint32_t index = (id * 2654435761u) & mask;
    while (slots_[index].component != nullptr && slots_[index].id != id) index = (index + 1) & mask;
    return &slots_[index];
  }

  Slot* slots_ = nullptr;
  uint32_t capacity_ = 0;
  size_t bytes_ = 0;
};

bool engineType(uint8_t kind, circuit::ComponentType& type) {
  using circuit::ComponentType;
  switch (kind) {
    case 0: type = ComponentType::input_pin_gate; return true;
    case 1: type = ComponentType::not_gate; return true;
    case 2: type = ComponentType::and_gate; return true;
    case 3: type = ComponentType::wire; return true;
    case 4: type = ComponentType::led; return true;
    case 5: type = ComponentType::output_pin; return true;
    default: return false;
  }
}

bool buildFromRecords(circuit::Circuit& circuit, IdMap& ids, const uint8_t* components,
                      uint32_t component_count, const uint8_t* connections,
                      uint32_t connection_count) {
  for (uint32_t i = 0; i < component_count; ++i) {
    const uint8_t* record = components + size_t(i) * kComponentSize;
    circuit::ComponentType type;
    if (!engineType(record[4], type)) return false;
    circuit::Component* component = circuit.createComponent(type);
    if (component == nullptr) return false;
    component->id = readU32(record);
    ids.put(component->id, component);
  }
  for (uint32_t i = 0; i < connection_count; ++i) {
    const uint8_t* record = connections + size_t(i) * kConnectionSize;
    circuit::Component* from = ids.get(readU32(record));
    circuit::Component* to = ids.get(readU32(record + 4));
    circuit::PortName port;
    if (from == nullptr || to == nullptr || !portNameStr(record[8], port)) return false;
    if (circuit.connect(from, to, port) != circuit::Status::ok) return false;
  }
  return true;
}

}  // namespace

bool portNameStr(uint8_t port, circuit::PortName& name) {
  switch (port) {
    case 0: name = circuit::PortName("in"); return true;
    case 1: name = circuit::PortName("a"); return true;
    case 2: name = circuit::PortName("b"); return true;
    case 3: name = circuit::PortName("out"); return true;
    default: return false;
  }
}

bool initFromTopology(circuit::Circuit& circuit, const uint8_t* data, size_t length) {
  if (data == nullptr || length < kHeaderSize) return false;
  if (data[0] != 'V' || data[1] != 'O' || data[2] != 'R' || data[3] != 'N' || data[4] != 1) {
    return false;
  }
  uint32_t component_count = readU32(data + 5);
  uint32_t connection_count = readU32(data + 9);
  // 13 + 5C + 9K exceeds 32 bits for large counts; compare in 64 bits.
  uint64_t needed = uint64_t(kHeaderSize) + uint64_t(component_count) * kComponentSize +
                    uint64_t(connection_count) * kConnectionSize;
  if (needed > uint64_t(length)) return false;

  IdMap ids;
  if (!ids.init(component_count)) return false;
  const uint8_t* components = data + kHeaderSize;
  const uint8_t* connections = components + size_t(component_count) * kComponentSize;
  bool built =
      buildFromRecords(circuit, ids, components, component_count, connections, connection_count);
  ids.release();
  return built;
}

}  // namespace vorn::interpreter
