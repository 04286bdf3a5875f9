#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/error.hpp"
#include "topology/full_format.hpp"

// The flattened circuit as a graph of primitives, for the analyses that
// reason about it as a whole (equivalence, minimal forms, depth). One node per
// component of the full topology, in the same order, so a node's index also
// names its record (its name and the chain of instances it came from).
namespace vorn::netlist {

using format::ComponentKind;

inline constexpr std::uint32_t kNoNode = 0xFFFFFFFF;

struct Node {
  ComponentKind kind = ComponentKind::input_pin;
  // Drivers of each input port, in connection order. The engine reads a port
  // with several drivers as high when any is high, else as the last one's
  // state; validation leaves one driver per port in accepted sources.
  std::vector<std::uint32_t> in, a, b;
  std::vector<std::uint32_t> fanout;  // every node this one drives, once per connection
};

struct Netlist {
  std::vector<Node> nodes;
  std::vector<std::uint32_t> inputs;   // top-level input pins, in declaration order
  std::vector<std::uint32_t> outputs;  // top-level output pins, in declaration order
  // Drivers before the nodes they drive; holds every node only when the
  // graph has no cycle.
  std::vector<std::uint32_t> order;
  // Nodes that lie on a cycle or are driven, directly or not, by one: only
  // these can hold a state that depends on history or oscillate.
  std::vector<bool> after_cycle;

  bool acyclic() const { return order.size() == nodes.size(); }
};

// Fails as InvalidTopology when a connection names an unknown component or a
// port the destination does not have.
Result<Netlist> build(const full_format::FullTopology& topology);

// The instance path of a record as the trace and the value change dump name
// it: the instance aliases outermost first, then the name ("h1.c"; "a" for a
// top-level pin).
std::string instancePath(const full_format::FullComponentRecord& record);

// The engine's delay of a node's own change (5 for gates and driven input
// pins, 1 for wires, LEDs and output pins).
std::uint64_t delayOf(ComponentKind kind);

}  // namespace vorn::netlist
