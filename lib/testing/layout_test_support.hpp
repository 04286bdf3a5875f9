#pragma once

// Builders shared by the layout tests: small full topologies (with flattened
// built-in macros laid out the way the flattening walk emits them) and hand-made
// preview graphs.

#include <algorithm>
#include <cstdint>
#include <deque>
#include <random>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "preview/layout/layout.hpp"
#include "topology/full_format.hpp"

namespace vorn::layout_test {

using format::ComponentKind;
using Origin = std::vector<full_format::OriginFrame>;

inline constexpr std::uint8_t kIn = 0;
inline constexpr std::uint8_t kA = 1;
inline constexpr std::uint8_t kB = 2;
inline constexpr std::uint8_t kOut = 3;

// Literal + std::to_string trips a false -Wrestrict in g++ 12 at -O2.
inline std::string numbered(std::string_view prefix, std::uint64_t n) {
  std::string text(prefix);
  text += std::to_string(n);
  return text;
}

struct TopologyBuilder {
  full_format::FullTopology topology;

  std::uint32_t add(ComponentKind kind, std::string name, const Origin& origin = {}) {
    const auto id = static_cast<std::uint32_t>(topology.components.size());
    topology.components.push_back({std::move(name), origin, id, kind});
    return id;
  }
  void connect(std::uint32_t from, std::uint32_t to, std::uint8_t port) {
    topology.connections.push_back({from, to, port});
  }

  static Origin inside(const Origin& outer, std::string alias, std::string subcircuit) {
    Origin origin = outer;
    origin.push_back({std::move(alias), std::move(subcircuit), 1});
    return origin;
  }

  // A chain of `count` wires behind `from`; returns the last one (or `from`).
  std::uint32_t wires(std::uint32_t from, int count) {
    std::uint32_t last = from;
    for (int i = 0; i < count; ++i) {
      const std::uint32_t wire = add(ComponentKind::wire, numbered("w", i));
      connect(last, wire, kIn);
      last = wire;
    }
    return last;
  }

  // The built-in two-input macros, flattened in the order the expansion walk
  // produces: pins, gates and nested instances, own connections, then the
  // bound inputs. Each returns the component that drives the macro's output.
  std::uint32_t orMacro(const Origin& outer, const std::string& alias, std::uint32_t a_src, std::uint32_t b_src) {
    const Origin o = inside(outer, alias, "or");
    const std::uint32_t a = add(ComponentKind::input_pin, "a", o);
    const std::uint32_t b = add(ComponentKind::input_pin, "b", o);
    const std::uint32_t na = add(ComponentKind::not_gate, "na", o);
    const std::uint32_t nb = add(ComponentKind::not_gate, "nb", o);
    const std::uint32_t inner = add(ComponentKind::and_gate, "inner", o);
    const std::uint32_t n = add(ComponentKind::not_gate, "n", o);
    const std::uint32_t out = add(ComponentKind::output_pin, "out", o);
    connect(a, na, kIn);
    connect(b, nb, kIn);
    connect(na, inner, kA);
    connect(nb, inner, kB);
    connect(inner, n, kIn);
    connect(n, out, kIn);
    connect(a_src, a, kIn);
    connect(b_src, b, kIn);
    return n;
  }

  std::uint32_t nandMacro(const Origin& outer, const std::string& alias, std::uint32_t a_src, std::uint32_t b_src) {
    const Origin o = inside(outer, alias, "nand");
    const std::uint32_t a = add(ComponentKind::input_pin, "a", o);
    const std::uint32_t b = add(ComponentKind::input_pin, "b", o);
    const std::uint32_t inner = add(ComponentKind::and_gate, "inner", o);
    const std::uint32_t n = add(ComponentKind::not_gate, "n", o);
    const std::uint32_t out = add(ComponentKind::output_pin, "out", o);
    connect(a, inner, kA);
    connect(b, inner, kB);
    connect(inner, n, kIn);
    connect(n, out, kIn);
    connect(a_src, a, kIn);
    connect(b_src, b, kIn);
    return n;
  }

  std::uint32_t xorMacro(const Origin& outer, const std::string& alias, std::uint32_t a_src, std::uint32_t b_src) {
    const Origin o = inside(outer, alias, "xor");
    const std::uint32_t a = add(ComponentKind::input_pin, "a", o);
    const std::uint32_t b = add(ComponentKind::input_pin, "b", o);
    const std::uint32_t or_out = orMacro(o, "o", a, b);
    const std::uint32_t nand_out = nandMacro(o, "n", a, b);
    const std::uint32_t gate = add(ComponentKind::and_gate, "gate", o);
    const std::uint32_t out = add(ComponentKind::output_pin, "out", o);
    connect(or_out, gate, kA);
    connect(nand_out, gate, kB);
    connect(gate, out, kIn);
    connect(a_src, a, kIn);
    connect(b_src, b, kIn);
    return gate;
  }
};

// Hand-made graphs: nodes first, then edges by id (kept consistent on both ends).
struct GraphBuilder {
  layout::VirtualGraph graph;
  std::deque<std::string> names;  // stable storage for the views
  std::unordered_map<std::uint32_t, std::size_t> at;

  GraphBuilder& node(std::uint32_t id, ComponentKind kind, std::string name = "") {
    layout::VirtualNode n;
    n.kind.tag = layout::NodeKind::Tag::primitive;
    n.kind.primitive = kind;
    n.name = names.emplace_back(std::move(name));
    n.id = id;
    at[id] = graph.nodes.size();
    graph.nodes.push_back(std::move(n));
    return *this;
  }
  GraphBuilder& macro(std::uint32_t id, std::string subcircuit, std::string alias) {
    layout::VirtualNode n;
    n.kind.tag = layout::NodeKind::Tag::subcircuit;
    n.kind.subcircuit = names.emplace_back(std::move(subcircuit));
    n.name = names.emplace_back(std::move(alias));
    n.id = id;
    at[id] = graph.nodes.size();
    graph.nodes.push_back(std::move(n));
    return *this;
  }
  GraphBuilder& edge(std::uint32_t src, std::uint32_t dst, std::uint8_t dst_port = kIn, std::uint8_t src_port = kOut) {
    graph.nodes[at.at(src)].outputs.push_back({dst, src_port, dst_port});
    graph.nodes[at.at(dst)].inputs.push_back({src, src_port, dst_port});
    return *this;
  }
  // Nodes sorted by id, as collapse hands them over. The builder must outlive
  // the graph (names).
  layout::VirtualGraph& sorted() {
    std::stable_sort(graph.nodes.begin(), graph.nodes.end(),
                     [](const layout::VirtualNode& a, const layout::VirtualNode& b) { return a.id < b.id; });
    at.clear();
    for (std::size_t i = 0; i < graph.nodes.size(); ++i) at[graph.nodes[i].id] = i;
    return graph;
  }
  std::size_t indexOf(std::uint32_t id) const { return at.at(id); }
};

// Crossing lists as the test of every pair of wires i < j gives them, one
// list per wire, reduced to what the drawing reads: each point once, row by
// row, with the first wire (in wire order) whose list holds it.
inline std::vector<layout::Crossing> firstWirePerPoint(const std::vector<std::vector<layout::PortCoord>>& lists) {
  std::vector<layout::Crossing> crossings;
  std::set<std::pair<std::uint32_t, std::uint32_t>> seen;
  for (std::uint32_t w = 0; w < lists.size(); ++w) {
    for (const layout::PortCoord& p : lists[w]) {
      if (seen.insert({p.y, p.x}).second) crossings.push_back({p, w});
    }
  }
  std::sort(crossings.begin(), crossings.end(), [](const layout::Crossing& a, const layout::Crossing& b) {
    return std::pair(a.point.y, a.point.x) < std::pair(b.point.y, b.point.x);
  });
  return crossings;
}

// Random circuits for comparisons against reference implementations.
enum class Shape { mixed, fan_out, bus, boxes };

// The file id that `boxes` circuits give their sub-circuit instances; lay
// them out with it in `pin_slot_files`.
inline constexpr std::uint32_t kBoxFile = 7;

// `boxes`: instances of sub-circuits with 1 to 3 inputs and 1 to 3 outputs
// (two outputs may share a driver) and gates, reading any earlier signal.
inline full_format::FullTopology randomBoxes(std::mt19937& rng, int parts) {
  TopologyBuilder b;
  std::vector<std::uint32_t> signals;
  const int inputs = 1 + static_cast<int>(rng() % 4);
  for (int i = 0; i < inputs; ++i) signals.push_back(b.add(ComponentKind::input_pin, numbered("i", i)));
  for (int p = 0; p < parts; ++p) {
    if (rng() % 3 == 0) {
      const std::uint32_t g = b.add(ComponentKind::and_gate, numbered("g", p));
      b.connect(signals[rng() % signals.size()], g, kA);
      b.connect(signals[rng() % signals.size()], g, kB);
      signals.push_back(g);
      continue;
    }
    const Origin o{{numbered("u", p), "sub", kBoxFile}};
    std::vector<std::uint32_t> pins;
    const int ins = 1 + static_cast<int>(rng() % 3);
    for (int i = 0; i < ins; ++i) pins.push_back(b.add(ComponentKind::input_pin, numbered("in", i), o));
    const int outs = 1 + static_cast<int>(rng() % 3);
    std::vector<std::uint32_t> drivers;
    for (int k = 0; k < outs; ++k) {
      if (k > 0 && rng() % 4 == 0) {
        drivers.push_back(drivers.back());
        continue;
      }
      const std::uint32_t g = b.add(ComponentKind::and_gate, numbered("x", k), o);
      b.connect(pins[rng() % pins.size()], g, kA);
      b.connect(pins[rng() % pins.size()], g, kB);
      drivers.push_back(g);
    }
    for (int k = 0; k < outs; ++k) b.connect(drivers[k], b.add(ComponentKind::output_pin, numbered("out", k), o), kIn);
    for (const std::uint32_t pin : pins) {
      if (rng() % 8 != 0) b.connect(signals[rng() % signals.size()], pin, kIn);
    }
    for (const std::uint32_t d : drivers) {
      if (signals.back() != d) signals.push_back(d);
    }
  }
  for (int k = 0; k < 3; ++k)
    b.connect(signals[rng() % signals.size()], b.add(ComponentKind::output_pin, numbered("y", k)), kIn);
  return b.topology;
}

// `mixed`: gates, LEDs and feedback reading any earlier signal. `fan_out`:
// two inputs feeding every gate, one output per gate. `bus`: a few inputs,
// gates reading two of them, outputs on gates spread down the column.
inline full_format::FullTopology randomCircuit(std::mt19937& rng, int gates, Shape shape) {
  if (shape == Shape::boxes) return randomBoxes(rng, gates);
  full_format::FullTopology t;
  auto add = [&](format::ComponentKind kind) {
    const auto id = static_cast<std::uint32_t>(t.components.size());
    t.components.push_back({numbered("c", id), {}, id, kind});
    return id;
  };
  std::vector<std::uint32_t> signals;
  if (shape != Shape::mixed) {
    const int inputs = shape == Shape::fan_out ? 2 : 3 + static_cast<int>(rng() % 6);
    for (int i = 0; i < inputs; ++i) signals.push_back(add(format::ComponentKind::input_pin));
    std::vector<std::uint32_t> gate_ids;
    for (int g = 0; g < gates; ++g) {
      const auto id = add(format::ComponentKind::and_gate);
      t.connections.push_back({signals[rng() % signals.size()], id, 1});
      t.connections.push_back({signals[rng() % signals.size()], id, 2});
      gate_ids.push_back(id);
    }
    const std::size_t step = shape == Shape::fan_out ? 1 : 1 + gate_ids.size() / 4;
    for (std::size_t g = 0; g < gate_ids.size(); g += step) {
      t.connections.push_back({gate_ids[g], add(format::ComponentKind::output_pin), 0});
    }
    return t;
  }
  const int inputs = 1 + static_cast<int>(rng() % 5);
  for (int i = 0; i < inputs; ++i) signals.push_back(add(format::ComponentKind::input_pin));
  std::vector<std::uint32_t> all_gates;
  for (int g = 0; g < gates; ++g) {
    const unsigned kind = rng() % 4;
    if (kind == 0) {
      const auto id = add(format::ComponentKind::not_gate);
      t.connections.push_back({signals[rng() % signals.size()], id, 0});
      signals.push_back(id);
    } else if (kind == 3) {
      const auto id = add(format::ComponentKind::led);
      t.connections.push_back({signals[rng() % signals.size()], id, 0});
    } else {
      const auto id = add(format::ComponentKind::and_gate);
      t.connections.push_back({signals[rng() % signals.size()], id, 1});
      t.connections.push_back({signals[rng() % signals.size()], id, 2});
      signals.push_back(id);
      all_gates.push_back(id);
    }
  }
  // Some feedback into AND gates, which placement breaks as back edges.
  for (std::size_t i = 0; i + 1 < all_gates.size(); i += 3) {
    t.connections.push_back({all_gates[i + 1], all_gates[i], static_cast<std::uint8_t>(1 + rng() % 2)});
  }
  return t;
}

}  // namespace vorn::layout_test
