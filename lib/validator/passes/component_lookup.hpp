#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>

#include "ir/types.hpp"

namespace vorn::component_lookup {

// Finds a module's component by id in constant time. Resolved modules have
// dense ids (components[i].id == i); a module built otherwise falls back to a
// map that keeps the first component of each id, which is what a front-to-back
// search would return.
class ComponentLookup {
 public:
  explicit ComponentLookup(const types::Module& module);

  const types::Component* find(types::ComponentId id) const;

  // Position of the first component with this id, or kNone.
  std::size_t indexOf(types::ComponentId id) const;

  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

 private:
  const types::Module* module_;
  bool dense_ = true;
  std::unordered_map<std::uint32_t, std::size_t> first_index_;
};

}  // namespace vorn::component_lookup
