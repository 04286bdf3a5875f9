#include "analysis/evaluate.hpp"

#include <optional>

#include "log/log.hpp"
#include "truth_table/builder.hpp"

namespace vorn::analysis {

namespace {

using netlist::Netlist;
using netlist::Node;

// A node's state on 64 rows: bits set where it is high, and where it is low;
// neither means undefined.
struct Lanes {
  std::uint64_t high = 0, low = 0;
};

// The inputs' patterns: variable i toggles every 2^i rows.
std::uint64_t lanePattern(std::uint32_t var, std::uint64_t word) {
  static constexpr std::uint64_t kLow[6] = {0xAAAAAAAAAAAAAAAAull, 0xCCCCCCCCCCCCCCCCull, 0xF0F0F0F0F0F0F0F0ull,
                                            0xFF00FF00FF00FF00ull, 0xFFFF0000FFFF0000ull, 0xFFFFFFFF00000000ull};
  if (var < 6) return kLow[var];
  return ((word >> (var - 6)) & 1) ? ~0ull : 0;
}

// High when any driver is high, else the last driver's state.
Lanes dominant(const std::vector<std::uint32_t>& drivers, const std::vector<Lanes>& lanes) {
  if (drivers.empty()) return {};
  std::uint64_t any_high = 0;
  for (std::uint32_t driver : drivers) any_high |= lanes[driver].high;
  return Lanes{any_high, ~any_high & lanes[drivers.back()].low};
}

Lanes evaluateNode(const Node& node, const std::vector<Lanes>& lanes) {
  switch (node.kind) {
    case netlist::ComponentKind::not_gate: {
      Lanes in = dominant(node.in, lanes);
      return Lanes{in.low, in.high};
    }
    case netlist::ComponentKind::and_gate: {
      Lanes a = dominant(node.a, lanes), b = dominant(node.b, lanes);
      return Lanes{a.high & b.high, a.low | b.low};
    }
    default: return dominant(node.in, lanes);
  }
}

// Nodes the output depends on, in the netlist's drive order, and whether a
// cycle or anything behind one is among them.
struct Cone {
  std::vector<std::uint32_t> nodes;
  bool after_cycle = false;
};

Cone coneOf(const Netlist& netlist, std::uint32_t output, std::vector<std::uint32_t>& mark, std::uint32_t stamp) {
  Cone cone;
  std::vector<std::uint32_t> stack{output};
  mark[output] = stamp;
  std::size_t count = 0;
  while (!stack.empty()) {
    std::uint32_t node = stack.back();
    stack.pop_back();
    ++count;
    cone.after_cycle = cone.after_cycle || netlist.after_cycle[node];
    for (const auto* port : {&netlist.nodes[node].in, &netlist.nodes[node].a, &netlist.nodes[node].b}) {
      for (std::uint32_t driver : *port) {
        if (mark[driver] == stamp) continue;
        mark[driver] = stamp;
        stack.push_back(driver);
      }
    }
  }
  if (cone.after_cycle) return cone;
  cone.nodes.reserve(count);
  for (std::uint32_t node : netlist.order) {
    if (mark[node] == stamp) cone.nodes.push_back(node);
  }
  return cone;
}

void evaluateCone(const Netlist& netlist, const Cone& cone, std::uint32_t output,
                  const std::vector<std::uint32_t>& var_of_node, OutputFunction& result) {
  const auto vars = static_cast<std::uint32_t>(result.reach.size());
  result.function = emptyFunction(vars);
  result.undefined.assign(wordCount(vars), 0);
  const std::uint64_t mask = rowMask(vars);
  std::vector<Lanes> lanes(netlist.nodes.size());
  for (std::size_t word = 0; word < wordCount(vars); ++word) {
    for (std::uint32_t node : cone.nodes) {
      std::uint32_t var = var_of_node[node];
      if (var != netlist::kNoNode) {
        std::uint64_t pattern = lanePattern(var, word);
        lanes[node] = Lanes{pattern, ~pattern};
      } else {
        lanes[node] = evaluateNode(netlist.nodes[node], lanes);
      }
    }
    result.function.on[word] = lanes[output].high & mask;
    result.undefined[word] = ~(lanes[output].high | lanes[output].low) & mask;
  }
}

std::optional<Result<builder::Table>> simulatedTable(const full_format::FullTopology& topology) {
  log::setSink(nullptr, nullptr);
  auto table = builder::build(topology);
  log::setSink(log::defaultSink(), nullptr);
  return table;
}

// The output's column of the simulated table, over every top-level input.
void fromTable(const builder::Table& table, std::size_t column, std::uint32_t inputs, OutputFunction& result) {
  result.reach.clear();
  for (std::uint32_t i = 0; i < inputs; ++i) result.reach.push_back(i);
  result.function = emptyFunction(inputs);
  result.undefined.assign(wordCount(inputs), 0);
  for (const builder::Row& row : table.rows) {
    builder::State state = row.outputs[column];
    if (state == builder::State::high) setRow(result.function.on, row.input_bits);
    if (state == builder::State::undef) setRow(result.undefined, row.input_bits);
  }
}

}  // namespace

Result<std::vector<OutputFunction>> evaluateOutputs(const Netlist& netlist, const full_format::FullTopology& topology) {
  std::vector<OutputFunction> results(netlist.outputs.size());
  std::vector<std::uint32_t> mark(netlist.nodes.size(), 0);
  std::vector<std::uint32_t> var_of_node(netlist.nodes.size(), netlist::kNoNode);
  std::optional<Result<builder::Table>> table;
  for (std::size_t k = 0; k < netlist.outputs.size(); ++k) {
    OutputFunction& result = results[k];
    const std::uint32_t output = netlist.outputs[k];
    Cone cone = coneOf(netlist, output, mark, static_cast<std::uint32_t>(k + 1));
    for (std::uint32_t i = 0; i < netlist.inputs.size(); ++i) {
      if (mark[netlist.inputs[i]] == k + 1) result.reach.push_back(i);
    }
    if (cone.after_cycle) {
      if (netlist.inputs.size() > 16) {
        result.status = OutputFunction::Status::feedback_too_wide;
        continue;
      }
      if (!table) table = simulatedTable(topology);
      if (!*table) return fail((*table).error());
      fromTable(**table, k, static_cast<std::uint32_t>(netlist.inputs.size()), result);
    } else {
      if (result.reach.size() > kMaxVariables) {
        result.status = OutputFunction::Status::too_many_inputs;
        continue;
      }
      for (std::uint32_t v = 0; v < result.reach.size(); ++v) var_of_node[netlist.inputs[result.reach[v]]] = v;
      evaluateCone(netlist, cone, output, var_of_node, result);
      for (std::uint32_t i : result.reach) var_of_node[netlist.inputs[i]] = netlist::kNoNode;
    }
    for (std::uint64_t word : result.undefined) {
      if (word != 0) result.status = OutputFunction::Status::undefined_rows;
    }
  }
  return results;
}

}  // namespace vorn::analysis
