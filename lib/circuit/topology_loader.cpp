#include "circuit/topology_loader.hpp"

#include "memory/arena.hpp"
#include "topology/format.hpp"

namespace vorn::circuit {
namespace {

constexpr auto kEngineTypes = primitive_kinds::conversion(format::kComponentKinds, kComponentTypes);

// Ids up to this many slots beyond the record count still count as dense.
constexpr uint64_t kDenseSlack = 64;

}  // namespace

bool engineTypeOf(uint8_t kind, ComponentType& type) {
  // The byte comes from the topology, which may be malformed.
  if (!kEngineTypes.has(kind)) return false;
  type = kEngineTypes[format::ComponentKind(kind)];
  return true;
}

bool TopologyLoader::init(uint32_t component_count, uint32_t max_id) {
  uint64_t dense_size = component_count == 0 ? 0 : uint64_t(max_id) + 1;
  bool dense = dense_size <= 2 * uint64_t(component_count) + kDenseSlack;
  uint64_t capacity = dense_size;
  uint64_t slot_size = sizeof(Component*);
  if (!dense) {
    // Twice the records keeps probe runs short.
    uint64_t wanted = uint64_t(component_count) * 2;
    if (wanted > (uint64_t(1) << 31)) return false;
    capacity = 16;
    while (capacity < wanted) capacity *= 2;
    slot_size = sizeof(Slot);
  }
  uint64_t bytes = capacity * slot_size;
  if (bytes > uint64_t(SIZE_MAX / 2)) return false;
  capacity_ = uint32_t(capacity);
  bytes_ = size_t(bytes);
  if (capacity_ == 0) return true;
  void* storage = memory::arena().allocate(bytes_, dense ? alignof(Component*) : alignof(Slot));
  if (storage == nullptr) return false;
  if (dense) {
    dense_ = static_cast<Component**>(storage);
    for (uint32_t i = 0; i < capacity_; ++i) dense_[i] = nullptr;
  } else {
    slots_ = static_cast<Slot*>(storage);
    for (uint32_t i = 0; i < capacity_; ++i) slots_[i] = Slot{};
  }
  return true;
}

TopologyLoader::Slot* TopologyLoader::locate(uint32_t id) const {
  uint32_t mask = capacity_ - 1;
  uint32_t index = (id * 2654435761u) & mask;
  while (slots_[index].component != nullptr && slots_[index].id != id) index = (index + 1) & mask;
  return &slots_[index];
}

Component* TopologyLoader::find(uint32_t id) const {
  if (slots_ != nullptr) return locate(id)->component;
  return id < capacity_ ? dense_[id] : nullptr;
}

LoadStatus TopologyLoader::addComponent(uint32_t id, uint8_t kind) {
  ComponentType type;
  if (!engineTypeOf(kind, type)) return LoadStatus::unknown_kind;
  // init sized the map for ids up to its maximum; a record beyond it would
  // write outside the map.
  if (slots_ == nullptr && id >= capacity_) return LoadStatus::unknown_id;
  Component* component = circuit_.createComponent(type);
  if (component == nullptr) return LoadStatus::out_of_memory;
  component->id = id;
  if (slots_ != nullptr) {
    Slot* slot = locate(id);
    slot->id = id;
    slot->component = component;
  } else {
    dense_[id] = component;
  }
  return LoadStatus::ok;
}

LoadStatus TopologyLoader::connect(uint32_t from_id, uint32_t to_id, uint8_t port) {
  Component* from = find(from_id);
  Component* to = find(to_id);
  if (from == nullptr || to == nullptr) return LoadStatus::unknown_id;
  const format::PortNameText* name = format::portNameOf(port);
  if (name == nullptr) return LoadStatus::unknown_port;
  switch (circuit_.connect(from, to, PortName(name->data, name->size))) {
    case Status::ok: return LoadStatus::ok;
    case Status::out_of_memory: return LoadStatus::out_of_memory;
    default: return LoadStatus::missing_output_port;
  }
}

void TopologyLoader::release() {
  void* storage = slots_ != nullptr ? static_cast<void*>(slots_) : static_cast<void*>(dense_);
  if (storage != nullptr) memory::arena().release(storage, bytes_);
  dense_ = nullptr;
  slots_ = nullptr;
  capacity_ = 0;
  bytes_ = 0;
}

}  // namespace vorn::circuit
