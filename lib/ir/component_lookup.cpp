#include "ir/component_lookup.hpp"

namespace vorn::component_lookup {

ComponentLookup::ComponentLookup(std::span<const types::Component> components) : components_(components) {
  for (std::size_t i = 0; i < components.size(); ++i) {
    if (components[i].id.value != i) dense_ = false;
    // try_emplace keeps the earliest output pin of a repeated name.
    if (components[i].kind.isPrimitive(types::PrimitiveKind::output_pin)) {
      output_pins_.try_emplace(components[i].instance_name, i);
    }
  }
  if (dense_) return;
  first_index_.reserve(components.size());
  for (std::size_t i = 0; i < components.size(); ++i) first_index_.try_emplace(components[i].id.value, i);
}

std::size_t ComponentLookup::indexOf(types::ComponentId id) const {
  if (dense_) return id.value < components_.size() ? id.value : kNone;
  auto found = first_index_.find(id.value);
  return found == first_index_.end() ? kNone : found->second;
}

const types::Component* ComponentLookup::findComponent(types::ComponentId id) const {
  std::size_t index = indexOf(id);
  return index == kNone ? nullptr : &components_[index];
}

const types::Component* ComponentLookup::findOutputPin(std::string_view name) const {
  auto found = output_pins_.find(name);
  return found == output_pins_.end() ? nullptr : &components_[found->second];
}

}  // namespace vorn::component_lookup
