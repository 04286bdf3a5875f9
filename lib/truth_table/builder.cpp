#include "truth_table/builder.hpp"

#include "truth_table/row_driver.hpp"

namespace vorn::builder {

namespace {

constexpr std::size_t kMaxInputs = 16;

}  // namespace

State fromEngine(circuit::State state) {
  switch (state) {
    case circuit::State::low: return State::low;
    case circuit::State::high: return State::high;
    case circuit::State::undefined: break;
  }
  return State::undef;
}

Result<std::string_view> portByteToName(std::uint8_t port) {
  if (format::portNameOf(port) == nullptr) return fail(Error::InvalidTopology);
  return format::portNameText(format::PortName(port));
}

Table::Table(const Table& other) : header(other.header), rows(other.rows), cells(other.cells) {
  std::size_t width = header.outputs.size();
  for (std::size_t r = 0; r < rows.size(); ++r)
    rows[r].outputs = std::span<const State>(cells).subspan(r * width, width);
}

Table& Table::operator=(const Table& other) {
  if (this != &other) *this = Table(other);
  return *this;
}

Result<Table> build(const full_format::FullTopology& topology, vcd::Recorder* recorder) {
  Table table;
  table.header = readHeader(topology);
  if (table.header.inputs.size() > kMaxInputs) return fail(Error::TooManyInputs);
  if (table.header.outputs.empty()) return fail(Error::NoOutputs);

  RowDriver driver;
  VORN_TRY_VOID(driver.load(topology, table.header, recorder));

  const std::size_t input_count = table.header.inputs.size();
  const std::size_t width = table.header.outputs.size();
  const std::uint64_t row_count = std::uint64_t{1} << input_count;
  table.rows.resize(row_count);
  table.cells.resize(row_count * width);
  State* cells = table.cells.data();
  std::uint8_t bits[kMaxInputs] = {};
  for (std::uint64_t r = 0; r < row_count; ++r) {
    for (std::size_t i = 0; i < input_count; ++i) bits[i] = (r >> i) & 1;
    std::span<State> row_cells(cells + r * width, width);
    VORN_TRY(const bool settled,
             driver.driveRow(std::span<const std::uint8_t>(bits, input_count), row_cells, RowDriver::Unsettled::stop));
    if (!settled) return fail(Error::DidNotSettle);
    table.rows[r] = {r, row_cells};
  }
  return table;
}

}  // namespace vorn::builder
