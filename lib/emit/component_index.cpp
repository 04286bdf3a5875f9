#include "emit/component_index.hpp"

namespace vorn::component_index {

ComponentIndex::ComponentIndex(const std::vector<types::Component>& components) : components_(components) {
  for (std::size_t i = 0; i < components.size(); ++i) {
    if (components[i].id.value != i) {
      dense_ = false;
      break;
    }
  }
  if (!dense_) {
    by_id_.reserve(components.size());
    // try_emplace keeps the earliest component for a repeated id.
    for (std::size_t i = 0; i < components.size(); ++i) by_id_.try_emplace(components[i].id.value, i);
  }
  for (std::size_t i = 0; i < components.size(); ++i) {
    if (components[i].kind.isPrimitive(types::PrimitiveKind::output_pin)) {
      output_pins_.try_emplace(components[i].instance_name, i);
    }
  }
}

const types::Component* ComponentIndex::find(types::ComponentId id) const {
  if (dense_) return id.value < components_.size() ? &components_[id.value] : nullptr;
  auto found = by_id_.find(id.value);
  return found == by_id_.end() ? nullptr : &components_[found->second];
}

const types::Component* ComponentIndex::findOutputPin(std::string_view name) const {
  auto found = output_pins_.find(name);
  return found == output_pins_.end() ? nullptr : &components_[found->second];
}

}  // namespace vorn::component_index
