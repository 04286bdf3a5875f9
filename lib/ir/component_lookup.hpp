#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <unordered_map>

#include "ir/types.hpp"

namespace vorn::component_lookup {

// Finds a module's components in constant time, answering exactly as a
// front-to-back search would: the first component with an id, the first
// output-pin component with a name. Resolved modules have dense ids
// (components[i].id == i); a module built otherwise falls back to a map.
class ComponentLookup {
 public:
  explicit ComponentLookup(std::span<const types::Component> components);
  explicit ComponentLookup(const types::Module& module) : ComponentLookup(module.components) {}

  const types::Component* findComponent(types::ComponentId id) const;

  // Position of the first component with this id, or kNone.
  std::size_t indexOf(types::ComponentId id) const;

  // The first component of primitive kind output_pin named `name`, or nullptr.
  const types::Component* findOutputPin(std::string_view name) const;

  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

 private:
  std::span<const types::Component> components_;
  bool dense_ = true;
  std::unordered_map<std::uint32_t, std::size_t> first_index_;
  std::unordered_map<std::string_view, std::size_t> output_pins_;
};

}  // namespace vorn::component_lookup
