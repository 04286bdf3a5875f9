#include "validator/passes/component_lookup.hpp"

namespace vorn::component_lookup {

ComponentLookup::ComponentLookup(const types::Module& module) : module_(&module) {
  const auto& components = module.components;
  for (std::size_t i = 0; i < components.size(); ++i) {
    if (components[i].id.value != i) {
      dense_ = false;
      break;
    }
  }
  if (dense_) return;
  first_index_.reserve(components.size());
  for (std::size_t i = 0; i < components.size(); ++i) first_index_.emplace(components[i].id.value, i);
}

std::size_t ComponentLookup::indexOf(types::ComponentId id) const {
  if (dense_) return id.value < module_->components.size() ? id.value : kNone;
  auto found = first_index_.find(id.value);
  return found == first_index_.end() ? kNone : found->second;
}

const types::Component* ComponentLookup::find(types::ComponentId id) const {
  std::size_t index = indexOf(id);
  return index == kNone ? nullptr : &module_->components[index];
}

}  // namespace vorn::component_lookup
