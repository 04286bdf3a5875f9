#include "truth_table/row_driver.hpp"

#include <algorithm>

#include "circuit/topology_loader.hpp"
#include "truth_table/vcd.hpp"

namespace vorn::builder {

namespace {

Error loadError(circuit::LoadStatus status) {
  return status == circuit::LoadStatus::out_of_memory ? Error::OutOfMemory : Error::InvalidTopology;
}

}  // namespace

Error engineError(circuit::Status status) {
  switch (status) {
    case circuit::Status::out_of_memory: return Error::OutOfMemory;
    // A loop through gates that keeps oscillating has no truth table.
    case circuit::Status::did_not_settle: return Error::DidNotSettle;
    default: return Error::InvalidTopology;
  }
}

Header readHeader(const full_format::FullTopology& topology) {
  Header header;
  for (const full_format::FullComponentRecord& record : topology.components) {
    if (!record.origin.empty()) continue;
    if (record.kind == format::ComponentKind::input_pin) header.inputs.push_back({record.name, record.id});
    if (record.kind == format::ComponentKind::output_pin) header.outputs.push_back({record.name, record.id});
  }
  return header;
}

RowDriver::~RowDriver() {
  if (live_) circuit_.deinit();
}

Result<void> RowDriver::load(const full_format::FullTopology& topology, const Header& header, vcd::Recorder* recorder) {
  if (auto status = circuit_.init(); !circuit::isOk(status)) return fail(engineError(status));
  live_ = true;
  std::uint32_t max_id = 0;
  for (const full_format::FullComponentRecord& record : topology.components) max_id = std::max(max_id, record.id);
  circuit::TopologyLoader loader(circuit_);
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
  inputs_.clear();
  outputs_.clear();
  for (const PinRef& pin : header.inputs) inputs_.push_back(loader.find(pin.component_id));
  for (const PinRef& pin : header.outputs) outputs_.push_back(loader.find(pin.component_id));
  loader.release();
  bool missing = std::ranges::count(inputs_, nullptr) + std::ranges::count(outputs_, nullptr) > 0;
  if (missing) return fail(Error::InvalidTopology);
  recorder_ = recorder;
  rows_driven_ = 0;
  if (recorder_ != nullptr) recorder_->attach(circuit_);
  return {};
}

Result<bool> RowDriver::driveRow(std::span<const std::uint8_t> bits, std::span<State> outputs, Unsettled unsettled) {
  bool settled = true;
  // The row begins when its first input takes effect.
  if (recorder_ != nullptr) recorder_->beginRow(rows_driven_, circuit_.current_time + circuit::PROPAGATION_DELAY);
  ++rows_driven_;
  for (std::size_t i = 0; i < inputs_.size(); ++i) {
    circuit::State drive = bits[i] != 0 ? circuit::State::high : circuit::State::low;
    auto status = circuit_.propagateEvent(inputs_[i], drive);
    if (status == circuit::Status::did_not_settle) {
      settled = false;
      if (unsettled == Unsettled::stop) return false;
    } else if (!circuit::isOk(status)) {
      return fail(engineError(status));
    }
  }
  for (std::size_t k = 0; k < outputs_.size(); ++k) outputs[k] = fromEngine(outputs_[k]->output_state);
  return settled;
}

}  // namespace vorn::builder
