#include "test_table/run.hpp"

#include <span>

#include "truth_table/row_driver.hpp"

namespace vorn::test_table {

namespace {

bool agrees(Expect expect, builder::State got) {
  switch (expect) {
    case Expect::low: return got == builder::State::low;
    case Expect::high: return got == builder::State::high;
    case Expect::undef: return got == builder::State::undef;
    case Expect::star:
    case Expect::empty: break;
  }
  return true;
}

}  // namespace

Result<TestRun> runTestTable(const full_format::FullTopology& topology, const builder::Header& pins,
                             const TestTable& table, vcd::Recorder* recorder) {
  builder::RowDriver driver;
  VORN_TRY_VOID(driver.load(topology, pins, recorder));

  const std::size_t rows = table.rowCount();
  const std::size_t width = table.outputs.size();
  TestRun run;
  run.actual.resize(rows * width);
  run.settled.resize(rows);
  run.ok.resize(rows);
  std::vector<builder::State> all_outputs(pins.outputs.size());
  for (std::size_t r = 0; r < rows; ++r) {
    std::span<const std::uint8_t> bits(table.bits.data() + r * table.input_count, table.input_count);
    VORN_TRY(const bool settled, driver.driveRow(bits, all_outputs, builder::RowDriver::Unsettled::finish_row));
    bool ok = settled;
    for (std::size_t k = 0; k < width; ++k) {
      builder::State got = all_outputs[table.outputs[k]];
      run.actual[r * width + k] = got;
      ok = ok && agrees(table.expected[r * width + k], got);
    }
    run.settled[r] = settled;
    run.ok[r] = ok;
    run.passed += ok;
  }
  return run;
}

}  // namespace vorn::test_table
