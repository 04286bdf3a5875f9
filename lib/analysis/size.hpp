#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ir/types.hpp"
#include "topology/full_format.hpp"

// How big a circuit is, after flattening and as written.
namespace vorn::analysis {

struct Count {
  std::string name;
  std::uint64_t count = 0;
};

struct Size {
  // Primitives of the flattened circuit by keyword ("and", "not", "wire",
  // "led", "input_pin", "output_pin"), those present only.
  std::vector<Count> flattened;
  // As written: gates and sub-circuit instances by type name, built-in gates
  // counted as gates (their insides are not), in order of first appearance.
  std::vector<Count> written;
  // Two-input gate equivalents: each AND 1, each NOT one half; wires, LEDs
  // and pins nothing. In halves, to stay exact.
  std::uint64_t gate_equivalent_halves = 0;
};

Size sizeOf(const full_format::FullTopology& topology, const types::Project* project);

// The keyword of a primitive's kind ("and", "not", …).
std::string_view kindName(format::ComponentKind kind);

}  // namespace vorn::analysis
