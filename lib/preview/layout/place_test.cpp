#include "preview/layout/place.hpp"

#include <gtest/gtest.h>

#include "testing/layout_test_support.hpp"
#include "preview/layout/sizing.hpp"

namespace vorn::place {
namespace {

using namespace layout_test;
using layout::PortCoord;
using sizing::PrimitiveSize;

TEST(Sizing, PinsFitTheirNamesAndMacrosTheirLabelAndInputs) {
  EXPECT_EQ(sizing::pinSize(""), (PrimitiveSize{5, 3}));
  EXPECT_EQ(sizing::pinSize("clk"), (PrimitiveSize{7, 3}));
  EXPECT_EQ(sizing::macroSize(4, 2), (PrimitiveSize{9, 5}));
  EXPECT_EQ(sizing::macroSize(0, 0), (PrimitiveSize{8, 3}));
  EXPECT_EQ(sizing::macroSize(12, 3), (PrimitiveSize{17, 7}));
}

TEST(Sizing, PinSlotBoxesFitTitleAndEveryRowOfNames) {
  using Names = std::vector<std::string_view>;
  // Title "[half:h1]" (label width 6) against rows "a  sum" and "b  carry".
  EXPECT_EQ(sizing::pinSlotSize(6, Names{"a", "b"}, Names{"sum", "carry"}), (PrimitiveSize{11, 6}));
  // A long pin name widens the box; names only on one side need no gap.
  EXPECT_EQ(sizing::pinSlotSize(2, Names{"enable_all_outputs"}, Names{}), (PrimitiveSize{20, 4}));
  EXPECT_EQ(sizing::pinSlotSize(2, Names{"i"}, Names{"o0", "o1", "o2"}), (PrimitiveSize{8, 8}));
  EXPECT_EQ(sizing::pinSlotSize(2, Names{"in_left"}, Names{"out_right"}), (PrimitiveSize{20, 4}));
  // No pins: the title alone, as tall as any box.
  EXPECT_EQ(sizing::pinSlotSize(0, Names{}, Names{}), (PrimitiveSize{8, 3}));
}

TEST(Ports, PinSlotsBelowTheTitleEverySecondRow) {
  layout::VirtualNode node;
  node.kind.tag = layout::NodeKind::Tag::subcircuit;
  node.kind.pin_slots = true;
  node.in_pins = {"a", "b", "c"};
  node.out_pins = {"s"};
  const Ports ports = resolvePortCoords(node, 20, 10, 9, 8);
  ASSERT_EQ(ports.in_ports.size(), 3u);
  EXPECT_EQ(ports.in_ports[0].port_name, "a");
  EXPECT_EQ(ports.in_ports[0].coord, (PortCoord{19, 12}));
  EXPECT_EQ(ports.in_ports[1].coord, (PortCoord{19, 14}));
  EXPECT_EQ(ports.in_ports[2].coord, (PortCoord{19, 16}));
  ASSERT_EQ(ports.out_ports.size(), 1u);
  EXPECT_EQ(ports.out_ports[0].port_name, "s");
  EXPECT_EQ(ports.out_ports[0].coord, (PortCoord{29, 12}));
  EXPECT_EQ(ports.out_port, (PortCoord{29, 12}));
}

TEST(Sizing, FixedGateSizesAndActiveInputs) {
  GraphBuilder b;
  b.node(0, ComponentKind::not_gate)
      .node(1, ComponentKind::and_gate)
      .node(2, ComponentKind::led)
      .node(3, ComponentKind::output_pin, "carry")
      .node(4, ComponentKind::input_pin, "")
      .macro(5, "xor", "x")
      .macro(6, "adder", "add0")
      .edge(4, 5, kA)
      .edge(0, 5, kB)
      .edge(1, 5, kB)  // same port again
      .edge(4, 6, kIn)
      .edge(2, 6, kOut)  // not an input port
      .edge(1, 6, kB);
  const auto& g = b.sorted();
  EXPECT_EQ(sizing::sizeOf(g.nodes[0]), (PrimitiveSize{5, 3}));
  EXPECT_EQ(sizing::sizeOf(g.nodes[1]), (PrimitiveSize{5, 5}));
  EXPECT_EQ(sizing::sizeOf(g.nodes[2]), (PrimitiveSize{5, 3}));
  EXPECT_EQ(sizing::sizeOf(g.nodes[3]), (PrimitiveSize{9, 3}));
  EXPECT_EQ(sizing::sizeOf(g.nodes[4]), (PrimitiveSize{5, 3}));
  EXPECT_EQ(sizing::countActiveSubcircuitInputs(g.nodes[5]), 2u);
  EXPECT_EQ(sizing::sizeOf(g.nodes[5]), (PrimitiveSize{9, 5}));
  EXPECT_EQ(sizing::countActiveSubcircuitInputs(g.nodes[6]), 2u);
  EXPECT_EQ(sizing::sizeOf(g.nodes[6]), (PrimitiveSize{14, 5}));
}

void expectSlots(const Ports& ports, std::vector<std::pair<std::string_view, PortCoord>> expected, PortCoord out) {
  ASSERT_EQ(ports.in_ports.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(ports.in_ports[i].port_name, expected[i].first) << i;
    EXPECT_EQ(ports.in_ports[i].coord, expected[i].second) << i;
  }
  EXPECT_EQ(ports.out_port, out);
}

TEST(Ports, PrimitivesAtFixedRows) {
  GraphBuilder b;
  b.node(0, ComponentKind::input_pin, "clk")
      .node(1, ComponentKind::not_gate)
      .node(2, ComponentKind::and_gate)
      .node(3, ComponentKind::led)
      .node(4, ComponentKind::output_pin, "y");
  const auto& g = b.sorted();
  expectSlots(resolvePortCoords(g.nodes[0], 10, 20, 7, 3), {}, {17, 21});
  expectSlots(resolvePortCoords(g.nodes[1], 10, 20, 5, 3), {{"in", {9, 21}}}, {15, 21});
  expectSlots(resolvePortCoords(g.nodes[2], 10, 20, 5, 5), {{"a", {9, 21}}, {"b", {9, 23}}}, {15, 22});
  expectSlots(resolvePortCoords(g.nodes[3], 10, 20, 5, 3), {{"in", {9, 21}}}, {15, 21});
  expectSlots(resolvePortCoords(g.nodes[4], 10, 20, 5, 3), {{"in", {9, 21}}}, {15, 21});
  // In the first column the input side cannot go left of the canvas.
  expectSlots(resolvePortCoords(g.nodes[1], 0, 0, 5, 3), {{"in", {0, 1}}}, {5, 1});
}

TEST(Ports, MacroPortsTakeConsecutiveOddRowsInOrderAInB) {
  GraphBuilder b;
  b.node(0, ComponentKind::input_pin)
      .macro(1, "xor", "x")
      .macro(2, "mux", "m")
      .macro(3, "sub", "s")
      .edge(0, 1, kB)
      .edge(0, 1, kA)
      .edge(0, 2, kB)
      .edge(0, 2, kIn)
      .edge(0, 2, kA)
      .edge(0, 3, kB)
      .edge(0, 3, kIn);
  const auto& g = b.sorted();
  const auto x = sizing::sizeOf(g.nodes[1]);
  EXPECT_EQ(x, (PrimitiveSize{9, 5}));
  expectSlots(resolvePortCoords(g.nodes[1], 10, 4, x.width, x.height), {{"a", {9, 5}}, {"b", {9, 7}}}, {19, 6});
  const auto m = sizing::sizeOf(g.nodes[2]);
  EXPECT_EQ(m, (PrimitiveSize{9, 7}));
  expectSlots(resolvePortCoords(g.nodes[2], 10, 4, m.width, m.height), {{"a", {9, 5}}, {"in", {9, 7}}, {"b", {9, 9}}},
              {19, 7});
  expectSlots(resolvePortCoords(g.nodes[3], 10, 4, 9, 5), {{"in", {9, 5}}, {"b", {9, 7}}}, {19, 6});
}

TEST(Place, ColumnsAndRowsBecomeLeftTopAlignedCells) {
  GraphBuilder b;
  b.node(0, ComponentKind::input_pin, "a")
      .node(1, ComponentKind::input_pin, "clock")
      .node(2, ComponentKind::and_gate, "g")
      .node(3, ComponentKind::led, "l")
      .edge(0, 2, kA)
      .edge(1, 2, kB)
      .edge(2, 3);
  const auto& g = b.sorted();
  const columns::ColumnAssignment cols{{0, 0, 1, 2}, 3};
  const rows::RowAssignment rows{{0, 1, 0, 0}, 2};
  const auto placed = place(g, cols, rows);
  ASSERT_TRUE(placed.has_value());
  ASSERT_EQ(placed->size(), 4u);
  const auto& p = *placed;
  // Column widths 9, 5, 5 with five cells between; row heights 5, 3 with one.
  EXPECT_EQ(std::tuple(p[0].x, p[0].y, p[0].width, p[0].height), std::tuple(0u, 0u, 5u, 3u));
  EXPECT_EQ(std::tuple(p[1].x, p[1].y, p[1].width, p[1].height), std::tuple(0u, 6u, 9u, 3u));
  EXPECT_EQ(std::tuple(p[2].x, p[2].y, p[2].width, p[2].height), std::tuple(14u, 0u, 5u, 5u));
  EXPECT_EQ(std::tuple(p[3].x, p[3].y, p[3].width, p[3].height), std::tuple(24u, 0u, 5u, 3u));
  EXPECT_EQ(p[0].out_port, (PortCoord{5, 1}));
  EXPECT_EQ(p[1].out_port, (PortCoord{9, 7}));
  ASSERT_EQ(p[2].in_ports.size(), 2u);
  EXPECT_EQ(p[2].in_ports[1].coord, (PortCoord{13, 3}));
  EXPECT_EQ(p[2].out_port, (PortCoord{19, 2}));
  EXPECT_EQ(p[3].in_ports[0].coord, (PortCoord{23, 1}));
  EXPECT_EQ(p[1].name, "clock");
  EXPECT_EQ(p[2].id, 2u);
  EXPECT_TRUE(p[3].kind.isPrimitive(ComponentKind::led));
}

TEST(Place, EmptyGraphAndMismatchedAssignments) {
  const auto empty = place(layout::VirtualGraph{}, {{}, 1}, {{}, 0});
  ASSERT_TRUE(empty.has_value());
  EXPECT_TRUE(empty->empty());

  GraphBuilder b;
  b.node(0, ComponentKind::led);
  // Assignments made for another graph are a bug in the caller: the run stops.
  EXPECT_DEATH((void)place(b.sorted(), {{}, 1}, {{0}, 1}), "internal check failed");
}

}  // namespace
}  // namespace vorn::place
