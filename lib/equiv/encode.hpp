#pragma once

#include <span>
#include <vector>

#include "equiv/aig.hpp"
#include "netlist/netlist.hpp"

// A loop-free netlist as formulas of its top-level inputs, one pair of rails
// per value: `high` holds when the engine would settle the component high,
// `low` when low, neither when it stays undefined.
namespace vorn::equiv {

struct Rails {
  Lit high = kFalse;
  Lit low = kFalse;
};

// The settled rails of every top-level output, in declaration order.
// `inputs[i]` is the variable of the netlist's i-th top-level input. Needs
// an acyclic netlist.
std::vector<Rails> encodeOutputs(Aig& aig, const netlist::Netlist& netlist, std::span<const Lit> inputs);

}  // namespace vorn::equiv
