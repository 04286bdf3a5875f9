#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "emit/writer.hpp"

// The tail of generated source: the topology placeholder and the exported
// runtime entry points that a host drives the circuit through.
namespace vorn::runtime {

struct RuntimeShape {
  std::uint32_t expected_component_count = 0;
  std::span<const std::uint32_t> input_component_ids;
  std::span<const std::uint32_t> output_component_ids;
  // Set for a project: the runtime then builds the circuit through
  // buildRoot, which calls buildFile_{root_file_id}; otherwise buildCircuit.
  std::optional<std::uint32_t> root_file_id;
};

// "const topology_blob: ..." line; the real topologies live in the
// WebAssembly artifact, the generated source only carries their identifier.
void emitTopologyPlaceholder(writer::Writer& out);

// The whole export block, written at level 0.
void emitRuntimeExports(writer::Writer& out, const RuntimeShape& shape);

}  // namespace vorn::runtime
