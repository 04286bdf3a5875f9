#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/error.hpp"
#include "ir/component_lookup.hpp"
#include "ir/import_targets.hpp"
#include "ir/instance_walk.hpp"
#include "ir/types.hpp"
#include "topology/format.hpp"

namespace vorn::serializer {

struct PinMapping {
  std::string_view name;
  std::uint32_t global_id = 0;
};

struct ProjectTopology {
  std::vector<std::uint8_t> payload;
  std::vector<PinMapping> input_ids;
  std::vector<PinMapping> output_ids;
};

std::vector<std::uint8_t> encodePayload(const std::vector<format::ComponentRecord>& components,
                                        const std::vector<format::ConnectionRecord>& connections);

// A single file without sub-circuits, ids kept.
Result<std::vector<std::uint8_t>> serializeModule(const types::Module& module);

// The whole project flattened from the root file, with global ids.
Result<ProjectTopology> serializeProject(const types::Project& project);

// "in", "a", "b", "out" to their port bytes.
Result<format::PortName> parsePortName(std::string_view name);

format::ComponentKind primitiveToKind(types::PrimitiveKind kind);

// ---------------------------------------------------------------------------
// Flattening, shared by the compact and the full topology.
//
// Global ids come from the project's instance walk: depth-first, pre-order (a
// sub-circuit's primitives take their ids where the instance stands in its
// parent's component order). Only once every id is known are sub-circuit
// outputs, bound inputs and connections resolved, so a driver may come after
// the instance it feeds. Connection records come out in post-order: an
// instance's nested instances first, then its own connections, then its
// bound inputs.

inline constexpr std::uint32_t kNoInstance = instance_walk::kNoInstance;
inline constexpr std::uint32_t kNoGlobalId = 0xFFFFFFFF;

// The global id of the component driving one input pin from outside.
struct BoundInput {
  std::uint32_t global_from_id = 0;
};

struct InputBinding {
  std::string_view name;
  BoundInput bound;
};

// Lookups of one module, built once per module however often it is
// instantiated.
struct ModuleIndex {
  explicit ModuleIndex(const types::Module& module);

  component_lookup::ComponentLookup components;
  std::unordered_map<std::string_view, std::uint32_t> output_by_name;  // last output of that name
  std::unordered_map<std::string_view, std::uint32_t> input_slot_by_name;
  std::vector<std::uint32_t> input_slot;  // per input pin: its name's slot
};

// Where one instance's entries start in the per-instance tables.
struct InstanceTables {
  std::uint32_t index = 0;         // its module's ModuleIndex
  std::uint32_t slot_base = 0;     // in `slots`
  std::uint32_t output_base = 0;   // in `output_drivers`
  std::uint32_t binding_base = 0;  // in `bindings`
};

struct ExpanderState {
  explicit ExpanderState(const types::Project& p) : project(&p) {}

  const types::Project* project;
  std::vector<instance_walk::Primitive> components;  // by global id
  std::vector<format::ConnectionRecord> connections;
  std::uint32_t next_global_id = 0;

  std::vector<instance_walk::Instance> instances;  // in pre-order
  std::vector<InstanceTables> tables;              // per instance
  // Per instance and IR component position: the global id of a primitive,
  // or the instance index of a sub-circuit.
  std::vector<std::uint32_t> slots;
  // Per instance and output pin: the global id driving it.
  std::vector<std::uint32_t> output_drivers;
  // Per instance and distinct input name: the bound outside driver.
  std::vector<std::uint32_t> bindings;

  std::vector<ModuleIndex> module_indexes;
  std::unordered_map<const types::Module*, std::uint32_t> module_index_of;
  // Alias to target file per importing file (first import of that alias).
  std::optional<import_targets::ImportTargets> import_targets;
};

// Output name to the global id of its driver, one entry per output pin in
// declaration order (pins sharing a name all map to the last one's driver).
using OutputMap = std::vector<PinMapping>;

// Expands `module` and every sub-circuit inside it into `state`, as one more
// top instance. `parent_input_bindings` drive its input pins from outside (a
// later entry for a name replaces an earlier one); `local_to_global_out`, when
// given, receives the global id of each of its primitives by IR id
// (kNoGlobalId elsewhere).
Result<OutputMap> expandModule(ExpanderState& state, const types::Module& module,
                               std::span<const InputBinding> parent_input_bindings,
                               std::vector<std::uint32_t>* local_to_global_out);

}  // namespace vorn::serializer
