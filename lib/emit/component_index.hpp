#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "ir/types.hpp"

// Constant-time lookups into one module's components that answer exactly as a
// front-to-back scan would: the first component with an id, the first output
// pin with a name.
namespace vorn::component_index {

class ComponentIndex {
 public:
  explicit ComponentIndex(const std::vector<types::Component>& components);

  // The first component whose id is `id`, or nullptr.
  const types::Component* find(types::ComponentId id) const;

  // The first component of primitive kind output_pin named `name`, or nullptr.
  const types::Component* findOutputPin(std::string_view name) const;

 private:
  const std::vector<types::Component>& components_;
  bool dense_ = true;  // components[i].id == i throughout, the usual case
  std::unordered_map<std::uint32_t, std::size_t> by_id_;
  std::unordered_map<std::string_view, std::size_t> output_pins_;
};

}  // namespace vorn::component_index
