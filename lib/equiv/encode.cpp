#include "equiv/encode.hpp"

#include "core/check.hpp"

namespace vorn::equiv {

namespace {

using netlist::ComponentKind;

constexpr Rails kUndefined{kFalse, kFalse};

// A port's reading: high when any driver is high, else the last driver's
// state; undefined without drivers.
Rails dominant(Aig& aig, const std::vector<Rails>& rails, const std::vector<std::uint32_t>& drivers) {
  if (drivers.empty()) return kUndefined;
  if (drivers.size() == 1) return rails[drivers[0]];
  Lit any_high = kFalse;
  for (std::uint32_t driver : drivers) any_high = aig.makeOr(any_high, rails[driver].high);
  return {any_high, aig.makeAnd(negate(any_high), rails[drivers.back()].low)};
}

}  // namespace

// Why formulas of the inputs describe what the engine settles to: every
// component starts undefined and is recomputed from its drivers' present
// states whenever one of them changes. In a graph without cycles, once the
// last event is applied every component that some change reached holds its
// kind's function of its drivers, and one that no change reached still holds
// undefined, which is also that function of drivers that are all undefined
// (a NOT, AND, wire or pin of undefined drivers is undefined). So the
// settled state is the function below, evaluated from the inputs outwards.
// Undefined does arise with every input defined (a pin of a sub-circuit that
// nothing drives, an output without a binding, an AND of high and such a
// value), hence two rails rather than one bit.
std::vector<Rails> encodeOutputs(Aig& aig, const netlist::Netlist& netlist, std::span<const Lit> inputs) {
  VORN_CHECK(netlist.acyclic());
  VORN_CHECK(inputs.size() == netlist.inputs.size());
  std::vector<Rails> rails(netlist.nodes.size(), kUndefined);
  std::vector<bool> top_input(netlist.nodes.size(), false);
  for (std::size_t i = 0; i < netlist.inputs.size(); ++i) {
    rails[netlist.inputs[i]] = {inputs[i], negate(inputs[i])};
    top_input[netlist.inputs[i]] = true;
  }
  for (std::uint32_t index : netlist.order) {
    const netlist::Node& node = netlist.nodes[index];
    switch (node.kind) {
      case ComponentKind::input_pin:
        // The truth table drives the top-level pins itself.
        if (!top_input[index]) rails[index] = dominant(aig, rails, node.in);
        break;
      case ComponentKind::not_gate: {
        Rails in = dominant(aig, rails, node.in);
        rails[index] = {in.low, in.high};
        break;
      }
      case ComponentKind::and_gate: {
        Rails a = dominant(aig, rails, node.a);
        Rails b = dominant(aig, rails, node.b);
        rails[index] = {aig.makeAnd(a.high, b.high), aig.makeOr(a.low, b.low)};
        break;
      }
      case ComponentKind::wire:
      case ComponentKind::led:
      case ComponentKind::output_pin: rails[index] = dominant(aig, rails, node.in); break;
    }
  }
  std::vector<Rails> outputs;
  outputs.reserve(netlist.outputs.size());
  for (std::uint32_t index : netlist.outputs) outputs.push_back(rails[index]);
  return outputs;
}

}  // namespace vorn::equiv
