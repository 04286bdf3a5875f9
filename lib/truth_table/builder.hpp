#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "circuit/circuit.hpp"
#include "core/error.hpp"
#include "topology/full_format.hpp"

namespace vorn::vcd {
class Recorder;
}

namespace vorn::builder {

enum class State : std::uint8_t { low = 0, high = 1, undef = 2 };

State fromEngine(circuit::State state);

// A connection record's port byte to the engine's port name: 0 "in", 1 "a",
// 2 "b", 3 "out"; anything else is InvalidTopology.
Result<std::string_view> portByteToName(std::uint8_t port);

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
  std::span<const State> outputs;  // one per header output, held in Table::cells
};

// Every row's output cells live in one array, so building 65,536 rows does not
// allocate per row. Copies rebind the rows to their own cells.
struct Table {
  Header header;
  std::vector<Row> rows;
  std::vector<State> cells;  // row after row, header.outputs.size() per row

  Table() = default;
  Table(Table&&) = default;
  Table& operator=(Table&&) = default;
  Table(const Table& other);
  Table& operator=(const Table& other);
  ~Table() = default;
};

// Simulates the circuit for every combination of its top-level inputs. The
// engine's trace lines go to the log sink (standard error in the CLI).
// A recorder, when given, sees every state change (see RowDriver::load).
Result<Table> build(const full_format::FullTopology& topology, vcd::Recorder* recorder = nullptr);

}  // namespace vorn::builder
