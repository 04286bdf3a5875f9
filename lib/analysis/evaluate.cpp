#include "analysis/evaluate.hpp"

#include <algorithm>
#include <optional>

#include "log/log.hpp"
#include "truth_table/builder.hpp"

namespace vorn::analysis {

namespace {

using netlist::Netlist;
using netlist::Node;

// The inputs' patterns: variable i toggles every 2^i rows.
std::uint64_t lanePattern(std::uint32_t var, std::uint64_t word) {
  static constexpr std::uint64_t kLow[6] = {0xAAAAAAAAAAAAAAAAull, 0xCCCCCCCCCCCCCCCCull, 0xF0F0F0F0F0F0F0F0ull,
                                            0xFF00FF00FF00FF00ull, 0xFFFF0000FFFF0000ull, 0xFFFFFFFF00000000ull};
  if (var < 6) return kLow[var];
  return ((word >> (var - 6)) & 1) ? ~0ull : 0;
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

// Rows are evaluated a block of words at a time, node by node, so that each
// node's work is a plain loop over the block rather than a visit per word.
// Big cones get smaller blocks: the blocks of all nodes stay within a cache.
constexpr std::size_t kBlockWords = 64;
constexpr std::size_t kBlockBudgetWords = std::size_t{1} << 15;

// A port's state over one block: high when any driver is high, else the last
// driver's state; undefined with no driver.
void dominantBlock(const std::vector<std::uint32_t>& drivers, const std::vector<std::uint32_t>& slot_of,
                   const std::vector<std::uint64_t>& high, const std::vector<std::uint64_t>& low, std::size_t block,
                   std::size_t n, std::uint64_t* out_high, std::uint64_t* out_low) {
  if (drivers.empty()) {
    std::fill_n(out_high, n, 0);
    std::fill_n(out_low, n, 0);
    return;
  }
  const std::uint64_t* last_low = &low[slot_of[drivers.back()] * block];
  const std::uint64_t* first = &high[slot_of[drivers[0]] * block];
  std::copy_n(first, n, out_high);
  for (std::size_t d = 1; d < drivers.size(); ++d) {
    const std::uint64_t* more = &high[slot_of[drivers[d]] * block];
    for (std::size_t w = 0; w < n; ++w) out_high[w] |= more[w];
  }
  for (std::size_t w = 0; w < n; ++w) out_low[w] = ~out_high[w] & last_low[w];
}

void evaluateCone(const Netlist& netlist, const Cone& cone, std::uint32_t output,
                  const std::vector<std::uint32_t>& var_of_node, std::vector<std::uint32_t>& slot_of,
                  OutputFunction& result) {
  const auto vars = static_cast<std::uint32_t>(result.reach.size());
  result.function = emptyFunction(vars);
  result.undefined.assign(wordCount(vars), 0);
  const std::uint64_t mask = rowMask(vars);
  for (std::size_t i = 0; i < cone.nodes.size(); ++i) slot_of[cone.nodes[i]] = static_cast<std::uint32_t>(i);
  // Each node's slot holds its high and low bits for the block.
  const std::size_t words = wordCount(vars);
  const std::size_t block = std::clamp(kBlockBudgetWords / std::max<std::size_t>(cone.nodes.size(), 1), std::size_t{1},
                                       std::min(kBlockWords, words));
  std::vector<std::uint64_t> high(cone.nodes.size() * block), low(high.size());
  std::uint64_t a_high[kBlockWords], a_low[kBlockWords], b_high[kBlockWords], b_low[kBlockWords];
  for (std::size_t start = 0; start < words; start += block) {
    const std::size_t n = std::min(block, words - start);
    for (std::size_t i = 0; i < cone.nodes.size(); ++i) {
      const std::uint32_t node = cone.nodes[i];
      std::uint64_t* h = &high[i * block];
      std::uint64_t* l = &low[i * block];
      if (std::uint32_t var = var_of_node[node]; var != netlist::kNoNode) {
        for (std::size_t w = 0; w < n; ++w) {
          h[w] = lanePattern(var, start + w);
          l[w] = ~h[w];
        }
        continue;
      }
      const Node& gate = netlist.nodes[node];
      switch (gate.kind) {
        case netlist::ComponentKind::not_gate: dominantBlock(gate.in, slot_of, high, low, block, n, l, h); break;
        case netlist::ComponentKind::and_gate:
          dominantBlock(gate.a, slot_of, high, low, block, n, a_high, a_low);
          dominantBlock(gate.b, slot_of, high, low, block, n, b_high, b_low);
          for (std::size_t w = 0; w < n; ++w) {
            h[w] = a_high[w] & b_high[w];
            l[w] = a_low[w] | b_low[w];
          }
          break;
        default: dominantBlock(gate.in, slot_of, high, low, block, n, h, l);
      }
    }
    const std::size_t out = slot_of[output] * block;
    for (std::size_t w = 0; w < n; ++w) {
      result.function.on[start + w] = high[out + w] & mask;
      result.undefined[start + w] = ~(high[out + w] | low[out + w]) & mask;
    }
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
  std::vector<std::uint32_t> slot_of(netlist.nodes.size(), 0);
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
      evaluateCone(netlist, cone, output, var_of_node, slot_of, result);
      for (std::uint32_t i : result.reach) var_of_node[netlist.inputs[i]] = netlist::kNoNode;
    }
    for (std::uint64_t word : result.undefined) {
      if (word != 0) result.status = OutputFunction::Status::undefined_rows;
    }
  }
  return results;
}

}  // namespace vorn::analysis
