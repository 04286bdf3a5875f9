#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "core/error.hpp"
#include "topology/full_format.hpp"

namespace vorn::builder {

enum class State : std::uint8_t { low = 0, high = 1, undef = 2 };

// Names point into the topology, which must outlive the table.
struct PinRef {
  std::string_view name;
  std::uint32_t component_id = 0;
};

struct Header {
  std::vector<PinRef> inputs;
  std::vector<PinRef> outputs;
};

struct Row {
  std::uint64_t input_bits = 0;
  std::vector<State> outputs;
};

struct Table {
  Header header;
  std::vector<Row> rows;
};

// Simulates the circuit for every combination of its top-level inputs. The
// engine's trace lines go to the log sink (standard error in the CLI).
Result<Table> build(const full_format::FullTopology& topology);

}  // namespace vorn::builder
