#include "truth_table/builder.hpp"

#include <unordered_map>

#include "circuit/circuit.hpp"

namespace vorn::builder {

namespace {

constexpr std::size_t kMaxInputs = 16;

// Topology ids are dense from 0 in practice, so they index a flat array; a
// topology with scattered ids falls back to a hash map.
class IdMap {
 public:
  explicit IdMap(const full_format::FullTopology& topology) {
    std::uint64_t max_id = 0;
    for (const full_format::FullComponentRecord& record : topology.components) {
      if (record.id > max_id) max_id = record.id;
    }
    dense_ = max_id < 2 * std::uint64_t{topology.components.size()} + 64;
    if (dense_) flat_.assign(topology.components.empty() ? 0 : max_id + 1, nullptr);
  }

  // A later entry for the same id replaces the earlier one.
  void put(std::uint32_t id, circuit::Component* component) {
    if (dense_) {
      flat_[id] = component;
    } else {
      sparse_[id] = component;
    }
  }

  circuit::Component* get(std::uint32_t id) const {
    if (dense_) return id < flat_.size() ? flat_[id] : nullptr;
    auto found = sparse_.find(id);
    return found == sparse_.end() ? nullptr : found->second;
  }

 private:
  bool dense_ = true;
  std::vector<circuit::Component*> flat_;
  std::unordered_map<std::uint32_t, circuit::Component*> sparse_;
};

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

circuit::ComponentType engineType(format::ComponentKind kind) {
  switch (kind) {
    case format::ComponentKind::input_pin: return circuit::ComponentType::input_pin_gate;
    case format::ComponentKind::not_gate: return circuit::ComponentType::not_gate;
    case format::ComponentKind::and_gate: return circuit::ComponentType::and_gate;
    case format::ComponentKind::wire: return circuit::ComponentType::wire;
    case format::ComponentKind::led: return circuit::ComponentType::led;
    case format::ComponentKind::output_pin: return circuit::ComponentType::output_pin;
  }
  return circuit::ComponentType::wire;
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
  switch (port) {
    case 0: return std::string_view("in");
    case 1: return std::string_view("a");
    case 2: return std::string_view("b");
    case 3: return std::string_view("out");
    default: return fail(Error::InvalidTopology);
  }
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
  IdMap components(topology);
  for (const full_format::FullComponentRecord& record : topology.components) {
    circuit::Component* component = circuit.createComponent(engineType(record.kind));
    if (component == nullptr) return fail(Error::OutOfMemory);
    component->id = record.id;
    components.put(record.id, component);
  }
  for (const format::ConnectionRecord& connection : topology.connections) {
    circuit::Component* from = components.get(connection.from_id);
    circuit::Component* to = components.get(connection.to_id);
    auto port = portByteToName(connection.port);
    if (from == nullptr || to == nullptr || !port) return fail(Error::InvalidTopology);
    if (auto status = circuit.connect(from, to, *port); !circuit::isOk(status)) return fail(engineError(status));
  }

  // Pins resolved once; the rows then run without lookups or allocation.
  std::vector<circuit::Component*> inputs;
  std::vector<circuit::Component*> outputs;
  for (const PinRef& pin : table.header.inputs) inputs.push_back(components.get(pin.component_id));
  for (const PinRef& pin : table.header.outputs) outputs.push_back(components.get(pin.component_id));

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
