#include "equiv/check.hpp"

#include <algorithm>
#include <unordered_map>

#include "core/check.hpp"
#include "equiv/encode.hpp"
#include "log/log.hpp"
#include "netlist/netlist.hpp"
#include "truth_table/row_driver.hpp"

namespace vorn::equiv {

namespace {

using builder::Header;
using builder::PinRef;
using builder::State;

// Position of each name in a pin list.
std::unordered_map<std::string_view, std::uint32_t> indexByName(const std::vector<PinRef>& pins) {
  std::unordered_map<std::string_view, std::uint32_t> index;
  for (std::uint32_t i = 0; i < pins.size(); ++i) index.try_emplace(pins[i].name, i);
  return index;
}

// For each pin of `from`, the position of its namesake in `to`.
std::vector<std::uint32_t> counterparts(const std::vector<PinRef>& from, const std::vector<PinRef>& to) {
  auto index = indexByName(to);
  std::vector<std::uint32_t> positions;
  positions.reserve(from.size());
  for (const PinRef& pin : from) positions.push_back(index.at(pin.name));
  return positions;
}

void addMissing(std::vector<Mismatch>& found, const std::vector<PinRef>& pins, const std::vector<PinRef>& others,
                bool input, bool of_reference) {
  auto index = indexByName(others);
  for (const PinRef& pin : pins) {
    if (!index.contains(pin.name)) found.push_back({input, of_reference, pin.name});
  }
}

State stateOf(const std::vector<std::uint64_t>& words, Rails rails) {
  if ((Aig::wordOf(words, rails.high) & 1) != 0) return State::high;
  if ((Aig::wordOf(words, rails.low) & 1) != 0) return State::low;
  return State::undef;
}

// Both circuits as formulas of one set of inputs; a miter per output pair
// that holds where the two settle differently (the third value included).
Result<Verdict> checkSymbolically(Verdict verdict, const netlist::Netlist& circuit, const netlist::Netlist& reference,
                                  const Header& reference_pins) {
  const Header& pins = verdict.pins;
  Aig aig;
  std::vector<Lit> inputs;
  for (std::size_t i = 0; i < pins.inputs.size(); ++i) inputs.push_back(aig.addInput());
  std::vector<Lit> reference_inputs(inputs.size());
  std::vector<std::uint32_t> input_at = counterparts(pins.inputs, reference_pins.inputs);
  for (std::size_t i = 0; i < inputs.size(); ++i) reference_inputs[input_at[i]] = inputs[i];

  std::vector<Rails> mine = encodeOutputs(aig, circuit, inputs);
  std::vector<Rails> theirs = encodeOutputs(aig, reference, reference_inputs);
  std::vector<std::uint32_t> output_at = counterparts(pins.outputs, reference_pins.outputs);
  std::vector<Lit> miters;
  for (std::size_t k = 0; k < mine.size(); ++k) {
    Rails other = theirs[output_at[k]];
    miters.push_back(aig.makeOr(aig.makeXor(mine[k].high, other.high), aig.makeXor(mine[k].low, other.low)));
  }

  VORN_TRY(std::vector<std::optional<Witness>> witnesses, prove(aig, miters));
  for (std::uint32_t k = 0; k < witnesses.size(); ++k) {
    if (!witnesses[k]) continue;
    std::vector<std::uint64_t> input_words(witnesses[k]->begin(), witnesses[k]->end());
    const std::vector<std::uint64_t> words = aig.simulate(input_words);
    Counterexample found{k, *witnesses[k], stateOf(words, mine[k]), stateOf(words, theirs[output_at[k]])};
    VORN_CHECK(found.circuit != found.reference);
    verdict.differences.push_back(std::move(found));
  }
  return verdict;
}

// Rows in the circuit's truth-table order, both circuits driven side by side
// from their first row on, as two truth tables would be.
Result<Verdict> checkSequentially(Verdict verdict, const full_format::FullTopology& circuit,
                                  const full_format::FullTopology& reference, const Header& reference_pins) {
  const Header& pins = verdict.pins;
  // Up to a million rows of trace would bury the verdict: the engine is quiet here.
  log::setSink(nullptr, nullptr);
  struct Restore {
    ~Restore() { log::setSink(log::defaultSink(), nullptr); }
  } restore;
  builder::RowDriver mine, theirs;
  VORN_TRY_VOID(mine.load(circuit, pins));
  VORN_TRY_VOID(theirs.load(reference, reference_pins));
  std::vector<std::uint32_t> input_at = counterparts(pins.inputs, reference_pins.inputs);
  std::vector<std::uint32_t> output_at = counterparts(pins.outputs, reference_pins.outputs);
  const std::size_t count = pins.inputs.size();
  std::vector<std::uint8_t> bits(count), reference_bits(count);
  std::vector<State> outputs(pins.outputs.size()), reference_outputs(pins.outputs.size());
  std::vector<bool> differs(pins.outputs.size(), false);
  for (std::uint64_t row = 0; row < (std::uint64_t{1} << count); ++row) {
    for (std::size_t i = 0; i < count; ++i) {
      bits[i] = static_cast<std::uint8_t>((row >> i) & 1);
      reference_bits[input_at[i]] = bits[i];
    }
    VORN_TRY(bool settled, mine.driveRow(bits, outputs, builder::RowDriver::Unsettled::stop));
    VORN_TRY(bool reference_settled,
             theirs.driveRow(reference_bits, reference_outputs, builder::RowDriver::Unsettled::stop));
    if (!settled || !reference_settled) return fail(Error::DidNotSettle);
    for (std::uint32_t k = 0; k < outputs.size(); ++k) {
      State other = reference_outputs[output_at[k]];
      if (differs[k] || outputs[k] == other) continue;
      differs[k] = true;
      verdict.differences.push_back({k, bits, outputs[k], other});
    }
  }
  std::ranges::sort(verdict.differences, {}, &Counterexample::output);
  return verdict;
}

}  // namespace

std::vector<Mismatch> mismatches(const Header& circuit, const Header& reference) {
  std::vector<Mismatch> found;
  addMissing(found, circuit.inputs, reference.inputs, true, false);
  addMissing(found, circuit.outputs, reference.outputs, false, false);
  addMissing(found, reference.inputs, circuit.inputs, true, true);
  addMissing(found, reference.outputs, circuit.outputs, false, true);
  return found;
}

Result<Verdict> check(const full_format::FullTopology& circuit, const full_format::FullTopology& reference) {
  Verdict verdict;
  verdict.pins = builder::readHeader(circuit);
  const Header reference_pins = builder::readHeader(reference);
  VORN_CHECK(mismatches(verdict.pins, reference_pins).empty());
  VORN_TRY(const netlist::Netlist mine, netlist::build(circuit));
  VORN_TRY(const netlist::Netlist theirs, netlist::build(reference));
  verdict.circuit_has_loop = !mine.acyclic();
  verdict.reference_has_loop = !theirs.acyclic();
  const std::size_t count = verdict.pins.inputs.size();
  if (verdict.circuit_has_loop || verdict.reference_has_loop) {
    verdict.method = Method::sequential;
    if (count > kMaxSequentialInputs) {
      verdict.refused = Refusal::loop;
      return verdict;
    }
    return checkSequentially(std::move(verdict), circuit, reference, reference_pins);
  }
  if (!haveSolver()) {
    verdict.method = Method::enumerated;
    if (count > kMaxEnumeratedInputs) {
      verdict.refused = Refusal::no_solver;
      return verdict;
    }
  }
  return checkSymbolically(std::move(verdict), mine, theirs, reference_pins);
}

}  // namespace vorn::equiv
