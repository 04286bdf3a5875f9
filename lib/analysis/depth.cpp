#include "analysis/depth.hpp"

#include <algorithm>

namespace vorn::analysis {

namespace {

bool isGate(netlist::ComponentKind kind) {
  return kind == netlist::ComponentKind::and_gate || kind == netlist::ComponentKind::not_gate;
}

}  // namespace

DepthTable::DepthTable(const netlist::Netlist& netlist)
    : netlist_(netlist),
      delay_(netlist.nodes.size(), -1),
      gates_(netlist.nodes.size(), 0),
      via_(netlist.nodes.size(), netlist::kNoNode) {
  for (std::uint32_t input : netlist.inputs)
    delay_[input] = static_cast<std::int64_t>(netlist::delayOf(netlist.nodes[input].kind));
  for (std::uint32_t node : netlist.order) {
    const netlist::Node& n = netlist.nodes[node];
    if (delay_[node] >= 0) continue;  // a top-level input
    std::int64_t longest = -1;
    std::uint32_t gates = 0;
    for (const auto* port : {&n.in, &n.a, &n.b}) {
      for (std::uint32_t driver : *port) {
        if (delay_[driver] < 0) continue;
        gates = std::max(gates, gates_[driver]);
        if (delay_[driver] > longest) longest = delay_[driver], via_[node] = driver;
      }
    }
    if (longest < 0) continue;
    delay_[node] = longest + static_cast<std::int64_t>(netlist::delayOf(n.kind));
    gates_[node] = gates + (isGate(n.kind) ? 1 : 0);
  }
}

Depth DepthTable::depthOf(std::uint32_t node) const {
  Depth depth;
  if (netlist_.after_cycle[node]) {
    depth.bounded = false;
    return depth;
  }
  if (delay_[node] < 0) return depth;
  depth.reached = true;
  depth.gates = gates_[node];
  depth.delay = static_cast<std::uint64_t>(delay_[node]);
  for (std::uint32_t at = node; at != netlist::kNoNode; at = via_[at]) depth.path.push_back(at);
  std::reverse(depth.path.begin(), depth.path.end());
  return depth;
}

}  // namespace vorn::analysis
