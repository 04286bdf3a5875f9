#pragma once

#include <cstdint>
#include <vector>

#include "core/error.hpp"
#include "ir/import_targets.hpp"
#include "ir/types.hpp"

// The depth-first walk that flattens a project: each sub-circuit instance is
// expanded where it stands in its parent's component order, and each
// primitive met gets the next global id. The topologies and the project Zig
// emitter all number components by this walk, so their ids agree.
namespace vorn::instance_walk {

inline constexpr std::uint32_t kNoInstance = 0xFFFFFFFF;

// One expanded file: a top file or a sub-circuit instance.
struct Instance {
  const types::Module* module = nullptr;
  std::uint32_t file = 0;  // the project file it expands; imports are looked up under it
  std::uint32_t parent = kNoInstance;
  const types::Component* component = nullptr;  // the instance in its parent; null at the top
};

// One primitive of the flattened circuit.
struct Primitive {
  const types::Component* component = nullptr;
  std::uint32_t instance = 0;
};

// What a failure is called by the caller's stage. A file that contains
// itself fails with InternalError: import cycles are refused before any
// back end runs.
struct WalkErrors {
  Error missing_target;   // an instance's alias names no import of its file
  Error unresolved_name;  // a component that is still an unresolved name
};

// Appends `top` and every instance below it to `instances` in pre-order, and
// every primitive to `components`, whose position is its global id (so ids
// continue from what `components` already holds). Returns the new instances
// in post-order. Iterative: nesting depth costs heap, not call stack.
Result<std::vector<std::uint32_t>> walkInstances(const types::Project& project,
                                                 const import_targets::ImportTargets& targets, Instance top,
                                                 std::vector<Instance>& instances, std::vector<Primitive>& components,
                                                 const WalkErrors& errors);

}  // namespace vorn::instance_walk
