#include "truth_table/builder.hpp"

#include <algorithm>

#include "circuit/circuit.hpp"
#include "circuit/topology_loader.hpp"

namespace vorn::builder {

namespace {

constexpr std::size_t kMaxInputs = 16;

// Releases the engine circuit on every path out of `build`.
struct CircuitGuard {
  circuit::Circuit circuit;
  ~CircuitGuard() { circuit.deinit(); }
};

Error engineError(circuit::Status status) {
  switch (status) {
    case circuit::Status::out_of_memory: return Error::OutOfMemory;
    // A loop through gates that keeps oscillating has no truth table.
    case circuit::Status::did_not_settle: return Error::DidNotSettle;
    default: return Error::InvalidTopology;
  }
}

Error loadError(circuit::LoadStatus status) {
  return status == circuit::LoadStatus::out_of_memory ? Error::OutOfMemory : Error::InvalidTopology;
}

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
  for (std::size_t r = 0; r < rows.size(); ++r) rows[r].outputs = std::span<const State>(cells).subspan(r * width, width);
}

Table& Table::operator=(const Table& other) {
  if (this != &other) *this = Table(other);
  return *this;
}

Result<Table> build(const full_format::FullTopology& topology) {
  Table table;
  for (const full_format::FullComponentRecord& record : topology.components) {
    if (!record.origin.empty()) continue;
    if (record.kind == format::ComponentKind::input_pin) table.header.inputs.push_back({record.name, record.id});
    if (record.kind == format::ComponentKind::output_pin) table.header.outputs.push_back({record.name, record.id});
  }
  if (table.header.inputs.size() > kMaxInputs) return fail(Error::TooManyInputs);
  if (table.header.outputs.empty()) return fail(Error::NoOutputs);

  CircuitGuard guard;
  circuit::Circuit& circuit = guard.circuit;
  if (auto status = circuit.init(); !circuit::isOk(status)) return fail(engineError(status));
  std::uint32_t max_id = 0;
  for (const full_format::FullComponentRecord& record : topology.components) max_id = std::max(max_id, record.id);
  circuit::TopologyLoader loader(circuit);
  if (!loader.init(static_cast<std::uint32_t>(topology.components.size()), max_id)) {
    return fail(Error::OutOfMemory);
  }
  for (const full_format::FullComponentRecord& record : topology.components) {
    auto status = loader.addComponent(record.id, static_cast<std::uint8_t>(record.kind));
    if (status != circuit::LoadStatus::ok) return fail(loadError(status));
  }
  for (const format::ConnectionRecord& connection : topology.connections) {
    auto status = loader.connect(connection.from_id, connection.to_id, connection.port);
    if (status != circuit::LoadStatus::ok) return fail(loadError(status));
  }

  // Pins resolved once; the rows then run without lookups or allocation.
  std::vector<circuit::Component*> inputs;
  std::vector<circuit::Component*> outputs;
  for (const PinRef& pin : table.header.inputs) inputs.push_back(loader.find(pin.component_id));
  for (const PinRef& pin : table.header.outputs) outputs.push_back(loader.find(pin.component_id));
  loader.release();

  const std::size_t input_count = inputs.size();
  const std::size_t width = outputs.size();
  const std::uint64_t row_count = std::uint64_t{1} << input_count;
  table.rows.resize(row_count);
  table.cells.resize(row_count * width);
  State* cells = table.cells.data();
  for (std::uint64_t r = 0; r < row_count; ++r) {
    for (std::size_t i = 0; i < input_count; ++i) {
      circuit::State drive = (r >> i) & 1 ? circuit::State::high : circuit::State::low;
      if (auto status = circuit.propagateEvent(inputs[i], drive); !circuit::isOk(status)) {
        return fail(engineError(status));
      }
    }
    State* row_cells = cells + r * width;
    for (std::size_t k = 0; k < width; ++k) row_cells[k] = fromEngine(outputs[k]->output_state);
    table.rows[r] = {r, std::span<const State>(row_cells, width)};
  }
  return table;
}

}  // namespace vorn::builder
