#include "netlist/netlist.hpp"

#include <unordered_map>

#include "circuit/circuit.hpp"
#include "core/check.hpp"

namespace vorn::netlist {

namespace {

// Kahn's order over the drive edges; whatever it cannot place lies on a cycle
// or behind one.
void orderNodes(Netlist& netlist) {
  std::vector<std::uint32_t> pending(netlist.nodes.size(), 0);
  for (const Node& node : netlist.nodes) {
    for (std::uint32_t to : node.fanout) ++pending[to];
  }
  std::vector<std::uint32_t> ready;
  for (std::uint32_t i = 0; i < netlist.nodes.size(); ++i) {
    if (pending[i] == 0) ready.push_back(i);
  }
  while (!ready.empty()) {
    std::uint32_t node = ready.back();
    ready.pop_back();
    netlist.order.push_back(node);
    for (std::uint32_t to : netlist.nodes[node].fanout) {
      if (--pending[to] == 0) ready.push_back(to);
    }
  }
  netlist.after_cycle.assign(netlist.nodes.size(), false);
  for (std::uint32_t i = 0; i < netlist.nodes.size(); ++i) netlist.after_cycle[i] = pending[i] != 0;
}

}  // namespace

Result<Netlist> build(const full_format::FullTopology& topology) {
  Netlist netlist;
  netlist.nodes.resize(topology.components.size());
  std::unordered_map<std::uint32_t, std::uint32_t> index_of_id;
  index_of_id.reserve(topology.components.size());
  for (std::uint32_t i = 0; i < topology.components.size(); ++i) {
    const full_format::FullComponentRecord& record = topology.components[i];
    netlist.nodes[i].kind = record.kind;
    if (!index_of_id.emplace(record.id, i).second) return fail(Error::InvalidTopology);
    if (!record.origin.empty()) continue;
    if (record.kind == ComponentKind::input_pin) netlist.inputs.push_back(i);
    if (record.kind == ComponentKind::output_pin) netlist.outputs.push_back(i);
  }
  for (const format::ConnectionRecord& connection : topology.connections) {
    auto from = index_of_id.find(connection.from_id);
    auto to = index_of_id.find(connection.to_id);
    if (from == index_of_id.end() || to == index_of_id.end()) return fail(Error::InvalidTopology);
    Node& destination = netlist.nodes[to->second];
    switch (static_cast<format::PortName>(connection.port)) {
      case format::PortName::in: destination.in.push_back(from->second); break;
      case format::PortName::a: destination.a.push_back(from->second); break;
      case format::PortName::b: destination.b.push_back(from->second); break;
      default: return fail(Error::InvalidTopology);
    }
    netlist.nodes[from->second].fanout.push_back(to->second);
  }
  orderNodes(netlist);
  return netlist;
}

std::string instancePath(const full_format::FullComponentRecord& record) {
  std::string path;
  for (const full_format::OriginFrame& frame : record.origin) {
    path += frame.alias;
    path += '.';
  }
  path += record.name;
  return path;
}

std::uint64_t delayOf(ComponentKind kind) {
  switch (kind) {
    case ComponentKind::wire:
    case ComponentKind::led:
    case ComponentKind::output_pin: return circuit::WIRE_PROPAGATION_DELAY;
    case ComponentKind::input_pin:
    case ComponentKind::not_gate:
    case ComponentKind::and_gate: return circuit::PROPAGATION_DELAY;
  }
  VORN_UNREACHABLE();
}

}  // namespace vorn::netlist
