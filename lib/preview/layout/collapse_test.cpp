#include "preview/layout/collapse.hpp"

#include <gtest/gtest.h>

#include <algorithm>

#include "testing/layout_test_support.hpp"

namespace vorn::collapse {
namespace {

using namespace layout_test;
using layout::NodeKind;
using layout::VirtualGraph;
using layout::VirtualNode;

const VirtualNode* findNode(const VirtualGraph& graph, std::uint32_t id) {
  for (const auto& node : graph.nodes) {
    if (node.id == id) return &node;
  }
  return nullptr;
}

const VirtualNode* findByName(const VirtualGraph& graph, std::string_view name) {
  for (const auto& node : graph.nodes) {
    if (node.name == name) return &node;
  }
  return nullptr;
}

VirtualGraph run(const full_format::FullTopology& topology, bool expand = false) {
  auto graph = collapse(topology, {expand});
  EXPECT_TRUE(graph.has_value());
  return graph ? std::move(*graph) : VirtualGraph{};
}

TEST(PortNames, OnlyPinsOfAFoldedNodeRelabelTheEdge) {
  EXPECT_FALSE(portByteFromName("A").has_value());
  const KindMap kinds{{1, ComponentKind::input_pin},
                      {2, ComponentKind::and_gate},
                      {3, ComponentKind::output_pin},
                      {4, ComponentKind::input_pin}};
  const NameMap names{{1, "b"}, {2, "a"}, {3, "out"}, {4, "clk"}};
  EXPECT_EQ(remappedPort(0, 1, 1, kinds, names), 0);   // drawn as itself
  EXPECT_EQ(remappedPort(0, 1, 90, kinds, names), 2);  // inner pin "b"
  EXPECT_EQ(remappedPort(3, 2, 90, kinds, names), 3);  // a gate keeps the default
  EXPECT_EQ(remappedPort(0, 3, 90, kinds, names), 3);  // "out" pin
  EXPECT_EQ(remappedPort(0, 4, 90, kinds, names), 0);  // unknown pin name
  EXPECT_EQ(remappedPort(1, 7, 90, kinds, names), 1);  // no recorded kind
}

TEST(Collapse, EmptyTopology) {
  const VirtualGraph graph = run({});
  EXPECT_TRUE(graph.nodes.empty());
  EXPECT_EQ(graph.next_id, 1u);
}

TEST(Collapse, WireChainBecomesOneEdgeKeepingPorts) {
  TopologyBuilder t;
  const auto a = t.add(ComponentKind::input_pin, "a");
  const auto g = t.add(ComponentKind::not_gate, "g");
  t.connect(a, g, kIn);
  const auto last = t.wires(g, 3);
  const auto both = t.add(ComponentKind::and_gate, "both");
  t.connect(last, both, kB);
  t.connect(a, both, kA);
  const VirtualGraph graph = run(t.topology);

  ASSERT_EQ(graph.nodes.size(), 3u);  // no wires
  EXPECT_EQ(graph.next_id, both + 1);
  const VirtualNode* gate = findNode(graph, g);
  ASSERT_NE(gate, nullptr);
  ASSERT_EQ(gate->outputs.size(), 1u);
  EXPECT_EQ(gate->outputs[0].dst_id, both);
  EXPECT_EQ(gate->outputs[0].src_port, kOut);
  EXPECT_EQ(gate->outputs[0].dst_port, kB);
  const VirtualNode* sink = findNode(graph, both);
  ASSERT_EQ(sink->inputs.size(), 2u);
  EXPECT_EQ(sink->inputs[0].src_id, g);
  EXPECT_EQ(sink->inputs[0].dst_port, kB);
  EXPECT_EQ(sink->inputs[1].src_id, a);
  EXPECT_EQ(sink->inputs[1].dst_port, kA);
  EXPECT_EQ(gate->origin, nullptr);
  EXPECT_TRUE(gate->kind.isPrimitive(ComponentKind::not_gate));
}

TEST(Collapse, WireChainsOfAnyLengthReachTheirDriver) {
  for (const int length : {64, 65, 5000}) {
    TopologyBuilder t;
    const auto g = t.add(ComponentKind::not_gate, "g");
    const auto last = t.wires(g, length);
    const auto led = t.add(ComponentKind::led, "l");
    t.connect(last, led, kIn);
    // A second LED on a branch halfway along the chain: its walk meets
    // wires already settled by the first.
    const auto branch = t.add(ComponentKind::wire, "branch");
    t.connect(static_cast<std::uint32_t>(g + 1 + length / 2), branch, kIn);
    const auto led2 = t.add(ComponentKind::led, "l2");
    t.connect(branch, led2, kIn);
    const VirtualGraph graph = run(t.topology);
    ASSERT_EQ(graph.nodes.size(), 3u) << length;
    ASSERT_EQ(findNode(graph, led)->inputs.size(), 1u) << length;
    EXPECT_EQ(findNode(graph, led)->inputs[0].src_id, g) << length;
    ASSERT_EQ(findNode(graph, led2)->inputs.size(), 1u) << length;
    EXPECT_EQ(findNode(graph, led2)->inputs[0].src_id, g) << length;
    EXPECT_EQ(findNode(graph, g)->outputs.size(), 2u) << length;
  }
  // A long tail behind a ring of wires still has no driver.
  TopologyBuilder t;
  const auto w1 = t.add(ComponentKind::wire, "w1");
  const auto w2 = t.add(ComponentKind::wire, "w2");
  t.connect(w1, w2, kIn);
  t.connect(w2, w1, kIn);
  const auto led = t.add(ComponentKind::led, "l");
  t.connect(t.wires(w2, 300), led, kIn);
  const VirtualGraph graph = run(t.topology);
  ASSERT_EQ(graph.nodes.size(), 1u);
  EXPECT_TRUE(graph.nodes[0].inputs.empty());
}

TEST(Collapse, DanglingAndLoopingWiresDropTheirEdges) {
  TopologyBuilder t;
  const auto w1 = t.add(ComponentKind::wire, "w1");
  const auto w2 = t.add(ComponentKind::wire, "w2");
  const auto undriven = t.add(ComponentKind::wire, "w3");
  const auto led1 = t.add(ComponentKind::led, "l1");
  const auto led2 = t.add(ComponentKind::led, "l2");
  const auto g = t.add(ComponentKind::not_gate, "g");
  t.connect(w1, w2, kIn);
  t.connect(w2, w1, kIn);  // a loop of wires has no driver
  t.connect(w2, led1, kIn);
  t.connect(undriven, led2, kIn);
  t.connect(g, 77, kIn);  // unknown ends are left out
  t.connect(77, led2, kIn);
  const VirtualGraph graph = run(t.topology);
  ASSERT_EQ(graph.nodes.size(), 3u);
  for (const auto& node : graph.nodes) {
    EXPECT_TRUE(node.inputs.empty()) << node.name;
    EXPECT_TRUE(node.outputs.empty()) << node.name;
  }
}

TEST(Collapse, LastConnectionIntoAWireWins) {
  TopologyBuilder t;
  const auto g1 = t.add(ComponentKind::not_gate, "g1");
  const auto g2 = t.add(ComponentKind::not_gate, "g2");
  const auto w = t.add(ComponentKind::wire, "w");
  const auto led = t.add(ComponentKind::led, "l");
  t.connect(g1, w, kIn);
  t.connect(g2, w, kIn);
  t.connect(w, led, kIn);
  const VirtualGraph graph = run(t.topology);
  const VirtualNode* sink = findNode(graph, led);
  ASSERT_EQ(sink->inputs.size(), 1u);
  EXPECT_EQ(sink->inputs[0].src_id, g2);
  EXPECT_TRUE(findNode(graph, g1)->outputs.empty());
}

// Root: input a, b; led early(a); xor x1(a, b); xor x2(a=x1, b); led l(x2).
// The last LED's id lies above every instance's inner components.
struct TwoXors {
  TopologyBuilder t;
  std::uint32_t a, b, early_led, x1_out, x2_out, led;
  TwoXors() {
    a = t.add(ComponentKind::input_pin, "a");
    b = t.add(ComponentKind::input_pin, "b");
    early_led = t.add(ComponentKind::led, "early");
    x1_out = t.xorMacro({}, "x1", a, b);
    x2_out = t.xorMacro({}, "x2", x1_out, b);
    led = t.add(ComponentKind::led, "l");
    t.connect(a, early_led, kIn);
    t.connect(x2_out, led, kIn);
  }
};

TEST(Collapse, EachMacroInstanceFoldsIntoOneBox) {
  TwoXors c;
  const VirtualGraph graph = run(c.t.topology);
  const std::uint32_t next = c.led + 1;
  EXPECT_EQ(graph.next_id, next);
  ASSERT_EQ(graph.nodes.size(), 6u);  // a, b, early, l, x1, x2

  // Sorted by id, folded nodes last and above every component id.
  for (std::size_t i = 1; i < graph.nodes.size(); ++i) EXPECT_LT(graph.nodes[i - 1].id, graph.nodes[i].id);
  const VirtualNode& x1 = graph.nodes[4];
  const VirtualNode& x2 = graph.nodes[5];
  EXPECT_EQ(x1.id, next);
  EXPECT_EQ(x2.id, next + 1);
  EXPECT_EQ(x1.kind.tag, NodeKind::Tag::subcircuit);
  EXPECT_EQ(x1.kind.subcircuit, "xor");
  EXPECT_EQ(x1.name, "x1");
  EXPECT_EQ(x2.name, "x2");
  EXPECT_EQ(x1.origin, nullptr);

  // Boundary edges carry the inner pin names; inner edges are gone.
  ASSERT_EQ(x1.inputs.size(), 2u);
  EXPECT_EQ(x1.inputs[0].src_id, c.a);
  EXPECT_EQ(x1.inputs[0].dst_port, kA);
  EXPECT_EQ(x1.inputs[1].src_id, c.b);
  EXPECT_EQ(x1.inputs[1].dst_port, kB);
  ASSERT_EQ(x1.outputs.size(), 1u);
  EXPECT_EQ(x1.outputs[0].dst_id, x2.id);
  EXPECT_EQ(x1.outputs[0].src_port, kOut);
  EXPECT_EQ(x1.outputs[0].dst_port, kA);
  ASSERT_EQ(x2.inputs.size(), 2u);
  EXPECT_EQ(x2.inputs[0].src_id, x1.id);
  EXPECT_EQ(x2.inputs[0].src_port, kOut);
  ASSERT_EQ(x2.outputs.size(), 1u);
  EXPECT_EQ(x2.outputs[0].dst_id, c.led);
  EXPECT_EQ(x2.outputs[0].dst_port, kIn);
  const VirtualNode* led = findNode(graph, c.led);
  ASSERT_EQ(led->inputs.size(), 1u);
  EXPECT_EQ(led->inputs[0].src_id, x2.id);
  EXPECT_EQ(led->inputs[0].src_port, kOut);
}

TEST(Collapse, ExpandingKeepsEveryInnerGateAndDropsInnerPins) {
  TwoXors c;
  const VirtualGraph graph = run(c.t.topology, true);
  // Per xor: or (3 not + 1 and), nand (1 and + 1 not), gate: 7 gates.
  ASSERT_EQ(graph.nodes.size(), 4u + 14u);
  for (const auto& node : graph.nodes) {
    EXPECT_EQ(node.kind.tag, NodeKind::Tag::primitive);
    if (node.origin != nullptr) {
      EXPECT_FALSE(node.kind.isPrimitive(ComponentKind::input_pin));
      EXPECT_FALSE(node.kind.isPrimitive(ComponentKind::output_pin));
    }
  }
  // The or's first inverter of x1 reads the root pin a straight through two
  // levels of boundary pins.
  const VirtualNode* na = nullptr;
  for (const auto& node : graph.nodes) {
    if (node.name == "na" && node.origin != nullptr && node.origin->front().alias == "x1") {
      na = &node;
      break;
    }
  }
  ASSERT_NE(na, nullptr);
  ASSERT_EQ(na->origin->size(), 2u);
  ASSERT_EQ(na->inputs.size(), 1u);
  EXPECT_EQ(na->inputs[0].src_id, c.a);
  EXPECT_EQ(na->inputs[0].dst_port, kIn);
  const VirtualNode* led = findNode(graph, c.led);
  ASSERT_EQ(led->inputs.size(), 1u);
  EXPECT_EQ(led->inputs[0].src_id, c.x2_out);
  // x2's gates read x1's final gate directly.
  const VirtualNode* x1_gate = findNode(graph, c.x1_out);
  ASSERT_NE(x1_gate, nullptr);
  EXPECT_EQ(x1_gate->outputs.size(), 2u);  // x2's or and nand inputs "a"
}

TEST(Collapse, AnonymousInstancesAreSeparateBoxesNamedByTheirGeneratedAlias) {
  TopologyBuilder t;
  const auto a = t.add(ComponentKind::input_pin, "a");
  const auto n0 = t.nandMacro({}, "__anon_0", a, a);
  const auto n1 = t.nandMacro({}, "__anon_1", n0, n0);
  const auto y = t.add(ComponentKind::output_pin, "y");
  t.connect(n1, y, kIn);
  const VirtualGraph graph = run(t.topology);
  ASSERT_EQ(graph.nodes.size(), 4u);
  const VirtualNode* first = findByName(graph, "__anon_0");
  const VirtualNode* second = findByName(graph, "__anon_1");
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(first->kind.subcircuit, "nand");
  EXPECT_EQ(first->id + 1, second->id);
  // Both inputs of the first instance come from `a`, on "a" and on "b".
  ASSERT_EQ(first->inputs.size(), 2u);
  EXPECT_EQ(first->inputs[0].dst_port, kA);
  EXPECT_EQ(first->inputs[1].dst_port, kB);
}

TEST(Collapse, EqualAliasesOfDifferentSubcircuitsStayApart) {
  TopologyBuilder t;
  const auto a = t.add(ComponentKind::input_pin, "a");
  t.orMacro({}, "u", a, a);
  t.nandMacro({}, "u", a, a);
  const VirtualGraph graph = run(t.topology);
  ASSERT_EQ(graph.nodes.size(), 3u);
  EXPECT_EQ(graph.nodes[1].kind.subcircuit, "or");
  EXPECT_EQ(graph.nodes[2].kind.subcircuit, "nand");
}

TEST(Collapse, NodesComeOutSortedByIdWhateverTheRecordOrder) {
  full_format::FullTopology t;
  const Origin u = TopologyBuilder::inside({}, "u", "sub");
  t.components.push_back({"l", {}, 7, ComponentKind::led});
  t.components.push_back({"n", u, 3, ComponentKind::not_gate});
  t.components.push_back({"g", {}, 5, ComponentKind::not_gate});
  t.components.push_back({"a", {}, 1, ComponentKind::input_pin});
  t.connections.push_back({1, 5, kIn});
  t.connections.push_back({5, 3, kIn});
  t.connections.push_back({3, 7, kIn});
  const VirtualGraph graph = run(t);
  EXPECT_EQ(graph.next_id, 8u);
  ASSERT_EQ(graph.nodes.size(), 4u);
  const std::uint32_t ids[] = {1, 5, 7, 8};
  for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(graph.nodes[i].id, ids[i]) << i;
  EXPECT_EQ(graph.nodes[3].name, "u");
  ASSERT_EQ(graph.nodes[2].inputs.size(), 1u);
  EXPECT_EQ(graph.nodes[2].inputs[0].src_id, 8u);
}

TEST(Collapse, OutputDrivenByAnInputPinLeavesOnThatPinsPort) {
  // buf u(a=in0) whose output is its own input pin "b".
  TopologyBuilder t;
  const auto in0 = t.add(ComponentKind::input_pin, "in0");
  const Origin u = TopologyBuilder::inside({}, "u", "buf");
  const auto pin_b = t.add(ComponentKind::input_pin, "b", u);
  const auto out = t.add(ComponentKind::output_pin, "out", u);
  const auto led = t.add(ComponentKind::led, "l");
  t.connect(pin_b, out, kIn);
  t.connect(in0, pin_b, kIn);
  t.connect(pin_b, led, kIn);
  const VirtualGraph graph = run(t.topology);
  ASSERT_EQ(graph.nodes.size(), 3u);
  const VirtualNode& box = graph.nodes.back();
  EXPECT_EQ(box.id, led + 1);
  ASSERT_EQ(box.outputs.size(), 1u);
  EXPECT_EQ(box.outputs[0].src_port, kB);
  const VirtualNode* sink = findNode(graph, led);
  ASSERT_EQ(sink->inputs.size(), 1u);
  EXPECT_EQ(sink->inputs[0].src_id, box.id);
  EXPECT_EQ(sink->inputs[0].src_port, kB);
  EXPECT_EQ(sink->inputs[0].dst_port, kIn);

  // Expanded, the pin is bridged and the LED reads in0 directly.
  const VirtualGraph expanded = run(t.topology, true);
  ASSERT_EQ(expanded.nodes.size(), 2u);
  const VirtualNode* direct = findNode(expanded, led);
  ASSERT_EQ(direct->inputs.size(), 1u);
  EXPECT_EQ(direct->inputs[0].src_id, in0);
  EXPECT_EQ(direct->inputs[0].src_port, kOut);
}

TEST(Collapse, WiresInsideAnInstanceAreBridgedNotGrouped) {
  // An instance whose output leaves through a wire of its own.
  TopologyBuilder t;
  const auto a = t.add(ComponentKind::input_pin, "a");
  const Origin s = TopologyBuilder::inside({}, "s", "slow");
  const auto pin = t.add(ComponentKind::input_pin, "in", s);
  const auto inv = t.add(ComponentKind::not_gate, "n", s);
  const auto w = t.add(ComponentKind::wire, "w", s);
  const auto led = t.add(ComponentKind::led, "l");
  t.connect(pin, inv, kIn);
  t.connect(inv, w, kIn);
  t.connect(a, pin, kIn);
  t.connect(w, led, kIn);
  const VirtualGraph graph = run(t.topology);
  ASSERT_EQ(graph.nodes.size(), 3u);
  const VirtualNode& box = graph.nodes.back();
  ASSERT_EQ(box.inputs.size(), 1u);
  EXPECT_EQ(box.inputs[0].dst_port, kIn);
  ASSERT_EQ(box.outputs.size(), 1u);
  EXPECT_EQ(box.outputs[0].dst_id, led);
}

}  // namespace
}  // namespace vorn::collapse

namespace vorn::collapse {
namespace {

// An instance of sub-circuit file 5 with inputs p, q, r (r left unbound) and
// outputs x, y, z: x and z share one driver, y is reached through a wire,
// and a nested instance's own pins stay inside. Beside it an `xor` of file 1.
TEST(Collapse, SubCircuitPinsBecomeSlotsInDeclarationOrder) {
  TopologyBuilder t;
  const auto a = t.add(ComponentKind::input_pin, "a");
  const auto b = t.add(ComponentKind::input_pin, "b");
  const Origin o{{"u", "sub", 5}};
  const auto p = t.add(ComponentKind::input_pin, "p", o);
  const auto q = t.add(ComponentKind::input_pin, "q", o);
  t.add(ComponentKind::input_pin, "r", o);
  const Origin nested = TopologyBuilder::inside(o, "inner", "deep");
  const auto deep_pin = t.add(ComponentKind::input_pin, "d", nested);
  const auto g = t.add(ComponentKind::and_gate, "g", o);
  const auto n = t.add(ComponentKind::not_gate, "n", nested);
  const auto w = t.add(ComponentKind::wire, "w", o);
  const auto x = t.add(ComponentKind::output_pin, "x", o);
  const auto y = t.add(ComponentKind::output_pin, "y", o);
  const auto z = t.add(ComponentKind::output_pin, "z", o);
  t.connect(p, g, kA);
  t.connect(q, deep_pin, kIn);
  t.connect(deep_pin, n, kIn);
  t.connect(n, g, kB);
  t.connect(n, w, kIn);
  t.connect(g, x, kIn);
  t.connect(w, y, kIn);
  t.connect(g, z, kIn);
  t.connect(b, p, kIn);  // crossed on purpose: b feeds p, a feeds q
  t.connect(a, q, kIn);
  const auto gate_x = t.add(ComponentKind::not_gate, "rx");
  const auto gate_y = t.add(ComponentKind::not_gate, "ry");
  t.connect(g, gate_x, kIn);  // reads u.x (or u.z: one signal)
  t.connect(w, gate_y, kIn);  // reads u.y through the inner wire
  const auto xor_out = t.xorMacro({}, "e", a, b);
  const auto gate_e = t.add(ComponentKind::not_gate, "re");
  t.connect(xor_out, gate_e, kIn);

  layout::LayoutOptions options;
  options.pin_slot_files = {5};
  auto graph = collapse(t.topology, options);
  ASSERT_TRUE(graph.has_value());
  const VirtualNode* u = findByName(*graph, "u");
  ASSERT_NE(u, nullptr);
  EXPECT_TRUE(u->kind.pin_slots);
  EXPECT_EQ(u->in_pins, (std::vector<std::string_view>{"p", "q", "r"}));
  EXPECT_EQ(u->out_pins, (std::vector<std::string_view>{"x", "y", "z"}));
  ASSERT_EQ(u->inputs.size(), 2u);
  EXPECT_EQ(u->inputs[0].src_id, b);
  EXPECT_EQ(u->inputs[0].dst_slot, 0u);
  EXPECT_EQ(u->inputs[1].src_id, a);
  EXPECT_EQ(u->inputs[1].dst_slot, 1u);
  for (const layout::InputEdge& edge : u->inputs) {
    EXPECT_EQ(edge.dst_port, kIn);
    EXPECT_EQ(edge.src_slot, layout::kNoSlot);
  }
  ASSERT_EQ(u->outputs.size(), 2u);
  EXPECT_EQ(u->outputs[0].dst_id, gate_x);
  EXPECT_EQ(u->outputs[0].src_slot, 0u);  // the first pin of the shared driver
  EXPECT_EQ(u->outputs[1].dst_id, gate_y);
  EXPECT_EQ(u->outputs[1].src_slot, 1u);
  EXPECT_EQ(findNode(*graph, gate_y)->inputs[0].src_slot, 1u);

  // The built-in gate's file is not listed: ports a, b and one output as before.
  const VirtualNode* e = findByName(*graph, "e");
  ASSERT_NE(e, nullptr);
  EXPECT_FALSE(e->kind.pin_slots);
  EXPECT_TRUE(e->in_pins.empty());
  ASSERT_EQ(e->inputs.size(), 2u);
  EXPECT_EQ(e->inputs[0].dst_port, kA);
  EXPECT_EQ(e->inputs[0].dst_slot, layout::kNoSlot);
  EXPECT_EQ(e->outputs[0].src_slot, layout::kNoSlot);

  // Without the file listed, and when expanding, nothing has slots.
  for (const bool expand : {false, true}) {
    const VirtualGraph plain = run(t.topology, expand);
    for (const VirtualNode& node : plain.nodes) {
      EXPECT_FALSE(node.kind.pin_slots);
      for (const layout::InputEdge& edge : node.inputs) EXPECT_EQ(edge.dst_slot, layout::kNoSlot);
    }
  }
}

}  // namespace
}  // namespace vorn::collapse
