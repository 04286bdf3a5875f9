#pragma once

#include <cstdint>
#include <vector>

#include "netlist/netlist.hpp"

// The longest paths from the top-level inputs: in gates, and in the engine's
// delay units from the moment an input is driven to the last possible
// change of the node.
namespace vorn::analysis {

struct Depth {
  bool bounded = true;              // false when a feedback loop lies before the node
  bool reached = false;             // whether any top-level input reaches the node
  std::uint32_t gates = 0;          // AND and NOT gates on the path with the most
  std::uint64_t delay = 0;          // the largest sum of delays, the input's own included
  std::vector<std::uint32_t> path;  // nodes of a path of that delay, input first
};

class DepthTable {
 public:
  explicit DepthTable(const netlist::Netlist& netlist);
  Depth depthOf(std::uint32_t node) const;

 private:
  const netlist::Netlist& netlist_;
  std::vector<std::int64_t> delay_;  // -1: no input reaches it
  std::vector<std::uint32_t> gates_;
  std::vector<std::uint32_t> via_;  // the driver the longest delay comes through
};

}  // namespace vorn::analysis
