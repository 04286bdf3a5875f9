#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "circuit/circuit.hpp"
#include "core/error.hpp"
#include "topology/full_format.hpp"
#include "truth_table/builder.hpp"

namespace vorn::vcd {
class Recorder;
}

namespace vorn::builder {

// The top-level pins of a topology, in record order: the columns of a truth
// table and the names a test table may use.
Header readHeader(const full_format::FullTopology& topology);

// One engine circuit built from a topology, driven a row at a time: a row's
// inputs are driven one by one in header order, each settled before the
// next, and nothing is reset between rows. Truth tables and test tables both
// run their rows through here, so a table printed by one passes the other.
class RowDriver {
 public:
  RowDriver() = default;
  RowDriver(const RowDriver&) = delete;
  RowDriver& operator=(const RowDriver&) = delete;
  ~RowDriver();

  // Builds the circuit and finds the header's pins in it. Fails with
  // InvalidTopology or OutOfMemory.
  // A recorder, when given, observes every state change and the start of
  // every row (rows numbered from 0 in the order they are driven).
  Result<void> load(const full_format::FullTopology& topology, const Header& header, vcd::Recorder* recorder = nullptr);

  // What a row does once an input has not settled (a loop that keeps
  // oscillating): a truth table stops there, a test drives the rest of the
  // row so that the next one starts from the row's inputs.
  enum class Unsettled : std::uint8_t { stop, finish_row };

  // Drives every input (bits[i] != 0 is high) and reads every output into
  // `outputs`. False when some input did not settle; the circuit keeps
  // whatever state it was left in.
  Result<bool> driveRow(std::span<const std::uint8_t> bits, std::span<State> outputs, Unsettled unsettled);

 private:
  circuit::Circuit circuit_;
  bool live_ = false;
  vcd::Recorder* recorder_ = nullptr;
  std::uint64_t rows_driven_ = 0;
  std::vector<circuit::Component*> inputs_;
  std::vector<circuit::Component*> outputs_;
};

// The error a failed engine status becomes.
Error engineError(circuit::Status status);

}  // namespace vorn::builder
