#include "preview/layout/columns.hpp"

#include <gtest/gtest.h>

#include <random>

#include "testing/layout_test_support.hpp"

namespace vorn::columns {
namespace {

using namespace layout_test;

ColumnAssignment columnsOf(const layout::VirtualGraph& graph) {
  auto result = assignColumns(graph);
  EXPECT_TRUE(result.has_value());
  return result ? std::move(*result) : ColumnAssignment{};
}

TEST(BackEdges, TwoGatesFeedingEachOtherBreakAtTheLowerId) {
  GraphBuilder b;
  b.node(5, ComponentKind::not_gate).node(9, ComponentKind::not_gate).edge(5, 9).edge(9, 5);
  const auto& graph = b.sorted();
  const auto back = detectBackEdges(graph, buildIndexMap(graph));
  ASSERT_TRUE(back.has_value());
  ASSERT_EQ(back->size(), 1u);
  EXPECT_TRUE(back->contains(EdgeKey{9, 5, kOut, kIn}));

  const ColumnAssignment columns = columnsOf(graph);
  EXPECT_EQ(columns.column_of, (std::vector<std::uint32_t>{1, 2}));
  EXPECT_EQ(columns.num_columns, 3u);
}

TEST(BackEdges, SelfLoopsAndPortsAreToldApart) {
  GraphBuilder b;
  b.node(0, ComponentKind::input_pin)
      .node(1, ComponentKind::and_gate)
      .node(2, ComponentKind::and_gate)
      .edge(0, 1, kA)
      .edge(1, 1, kB)  // self loop
      .edge(1, 2, kA)
      .edge(2, 1, kB);  // closes 1 -> 2 -> 1 on port b only
  const auto& graph = b.sorted();
  const auto back = detectBackEdges(graph, buildIndexMap(graph));
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(back->size(), 2u);
  EXPECT_TRUE(back->contains(EdgeKey{1, 1, kOut, kB}));
  EXPECT_TRUE(back->contains(EdgeKey{2, 1, kOut, kB}));
  EXPECT_FALSE(back->contains(EdgeKey{2, 1, kOut, kA}));
  EXPECT_EQ(columnsOf(graph).column_of, (std::vector<std::uint32_t>{0, 1, 2}));
}

TEST(BackEdges, DeepChainsNeedNoRecursion) {
  // A long cycle: the only back edge is the one closing it.
  constexpr std::uint32_t kN = 200000;
  GraphBuilder b;
  for (std::uint32_t i = 0; i < kN; ++i) b.node(i, ComponentKind::not_gate);
  for (std::uint32_t i = 0; i < kN; ++i) b.edge(i, (i + 1) % kN);
  const auto& graph = b.sorted();
  const auto back = detectBackEdges(graph, buildIndexMap(graph));
  ASSERT_TRUE(back.has_value());
  ASSERT_EQ(back->size(), 1u);
  EXPECT_TRUE(back->contains(EdgeKey{kN - 1, 0, kOut, kIn}));
}

TEST(Columns, OnlyInputPinsGiveOneColumn) {
  GraphBuilder b;
  b.node(0, ComponentKind::input_pin).node(1, ComponentKind::input_pin);
  const ColumnAssignment columns = columnsOf(b.sorted());
  EXPECT_EQ(columns.column_of, (std::vector<std::uint32_t>{0, 0}));
  EXPECT_EQ(columns.num_columns, 1u);

  const ColumnAssignment empty = columnsOf(layout::VirtualGraph{});
  EXPECT_TRUE(empty.column_of.empty());
  EXPECT_EQ(empty.num_columns, 1u);
}

TEST(Columns, SinksMoveToTheLastColumn) {
  GraphBuilder b;
  b.node(0, ComponentKind::input_pin)
      .node(1, ComponentKind::not_gate)
      .node(2, ComponentKind::not_gate)
      .node(3, ComponentKind::not_gate)
      .node(4, ComponentKind::led)
      .node(5, ComponentKind::output_pin)
      .node(6, ComponentKind::output_pin)  // unconnected
      .edge(0, 1)
      .edge(1, 2)
      .edge(2, 3)
      .edge(0, 4)
      .edge(1, 5);
  const ColumnAssignment columns = columnsOf(b.sorted());
  EXPECT_EQ(columns.num_columns, 4u);
  EXPECT_EQ(columns.column_of, (std::vector<std::uint32_t>{0, 1, 2, 3, 3, 3, 3}));
}

TEST(Columns, InputPinsStayLeftAndUnknownSourcesAreIgnored) {
  GraphBuilder b;
  b.node(0, ComponentKind::not_gate).node(1, ComponentKind::input_pin).edge(0, 1);
  auto& graph = b.sorted();
  graph.nodes[0].inputs.push_back({42, kOut, kIn});  // no such node
  const ColumnAssignment columns = columnsOf(graph);
  EXPECT_EQ(columns.column_of, (std::vector<std::uint32_t>{0, 0}));
}

TEST(Columns, LongestPathWins) {
  GraphBuilder b;
  b.node(0, ComponentKind::input_pin)
      .node(1, ComponentKind::input_pin)
      .node(2, ComponentKind::and_gate)
      .node(3, ComponentKind::not_gate)
      .node(4, ComponentKind::and_gate)
      .edge(0, 2, kA)
      .edge(1, 2, kB)
      .edge(2, 3)
      .edge(3, 4, kA)
      .edge(0, 4, kB);
  EXPECT_EQ(columnsOf(b.sorted()).column_of, (std::vector<std::uint32_t>{0, 0, 1, 2, 3}));
}

TEST(Columns, InconsistentCyclesRunTheFullPassLimit) {
  // Inputs that no output list mirrors are never found to be back edges, so
  // they keep climbing until pass n + 1 (n + 2 passes).
  GraphBuilder b;
  b.node(0, ComponentKind::not_gate).node(1, ComponentKind::not_gate);
  auto& graph = b.sorted();
  graph.nodes[0].inputs.push_back({1, kOut, kIn});
  graph.nodes[1].inputs.push_back({0, kOut, kIn});
  const IndexMap index = buildIndexMap(graph);
  EXPECT_FALSE(relaxColumnsTopologically(graph, index, {}).has_value());
  const ColumnAssignment columns = columnsOf(graph);
  EXPECT_EQ(columns.column_of, (std::vector<std::uint32_t>{7, 8}));
  EXPECT_EQ(columns.num_columns, 9u);
}

TEST(Columns, TopologicalSweepMatchesThePassesOnRandomGraphs) {
  std::mt19937 rng(1234);
  for (int round = 0; round < 300; ++round) {
    const std::uint32_t n = 1 + rng() % 30;
    GraphBuilder b;
    // Ids shuffled so that graph order and edge direction disagree.
    std::vector<std::uint32_t> ids(n);
    for (std::uint32_t i = 0; i < n; ++i) ids[i] = i * 3 + 1;
    std::shuffle(ids.begin(), ids.end(), rng);
    for (std::uint32_t i = 0; i < n; ++i) {
      const auto kind = static_cast<ComponentKind>(rng() % 6);
      b.node(ids[i], kind == ComponentKind::wire ? ComponentKind::not_gate : kind);
    }
    const std::uint32_t edges = rng() % (2 * n + 1);
    for (std::uint32_t e = 0; e < edges; ++e) {
      b.edge(ids[rng() % n], ids[rng() % n], static_cast<std::uint8_t>(rng() % 3));
    }
    const auto& graph = b.sorted();
    const IndexMap index = buildIndexMap(graph);
    const auto back = detectBackEdges(graph, index);
    ASSERT_TRUE(back.has_value());
    const auto fast = relaxColumnsTopologically(graph, index, *back);
    ASSERT_TRUE(fast.has_value()) << "round " << round;
    EXPECT_EQ(*fast, relaxColumnsByPasses(graph, index, *back)) << "round " << round;
  }
}

TEST(Columns, ChainsAgainstIdOrder) {
  // Each relaxation pass in id order would advance this chain by one node.
  constexpr std::uint32_t kN = 100000;
  GraphBuilder b;
  for (std::uint32_t i = 0; i < kN; ++i) b.node(i, i == kN - 1 ? ComponentKind::input_pin : ComponentKind::not_gate);
  for (std::uint32_t i = kN - 1; i > 0; --i) b.edge(i, i - 1);
  const auto& graph = b.sorted();
  const ColumnAssignment columns = columnsOf(graph);
  ASSERT_EQ(columns.column_of.size(), kN);
  EXPECT_EQ(columns.num_columns, kN);
  EXPECT_EQ(columns.column_of[0], kN - 1);
  EXPECT_EQ(columns.column_of[kN / 2], kN - 1 - kN / 2);
}

}  // namespace
}  // namespace vorn::columns
