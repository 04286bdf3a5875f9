#pragma once

#include <cstdint>
#include <vector>

#include "core/error.hpp"
#include "test_table/table.hpp"
#include "topology/full_format.hpp"
#include "truth_table/builder.hpp"

// Runs a test table's rows, in file order, on one circuit.
namespace vorn::test_table {

struct TestRun {
  // outputs.size() per row: the value each output column got, table order.
  std::vector<builder::State> actual;
  std::vector<std::uint8_t> settled;  // per row
  std::vector<std::uint8_t> ok;       // per row: settled, and every checked cell agrees
  std::size_t passed = 0;
};

// The engine's trace lines go to the log sink, as for truth tables. Fails
// with InvalidTopology or OutOfMemory; a row that does not settle fails only
// that row.
// A recorder, when given, sees every state change (see RowDriver::load).
Result<TestRun> runTestTable(const full_format::FullTopology& topology, const builder::Header& pins,
                             const TestTable& table, vcd::Recorder* recorder = nullptr);

}  // namespace vorn::test_table
