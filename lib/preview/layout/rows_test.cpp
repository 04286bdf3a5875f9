#include "preview/layout/rows.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "testing/layout_test_support.hpp"

namespace vorn::rows {
namespace {

using namespace layout_test;
using columns::ColumnAssignment;

RowAssignment rowsOf(const layout::VirtualGraph& graph, const ColumnAssignment& cols) {
  auto result = assignRows(graph, cols);
  EXPECT_TRUE(result.has_value());
  return result ? std::move(*result) : RowAssignment{};
}

RowAssignment rowsOf(const layout::VirtualGraph& graph) {
  auto cols = columns::assignColumns(graph);
  EXPECT_TRUE(cols.has_value());
  return rowsOf(graph, *cols);
}

TEST(Rows, EmptyGraphHasNoRows) {
  const RowAssignment rows = rowsOf(layout::VirtualGraph{});
  EXPECT_TRUE(rows.row_of.empty());
  EXPECT_EQ(rows.num_rows, 0u);
}

TEST(Rows, SweepsUncrossAndBreakTiesById) {
  // a0, b1 | g2 <- b, h3 <- a | z4 <- g, h.
  GraphBuilder b;
  b.node(0, ComponentKind::input_pin)
      .node(1, ComponentKind::input_pin)
      .node(2, ComponentKind::not_gate)
      .node(3, ComponentKind::not_gate)
      .node(4, ComponentKind::and_gate)
      .edge(1, 2)
      .edge(0, 3)
      .edge(2, 4, kA)
      .edge(3, 4, kB);
  // Left to right puts h above g; right to left sees both at z (a tie, so g
  // goes first by id) and then pulls b above a.
  const RowAssignment rows = rowsOf(b.sorted());
  EXPECT_EQ(rows.row_of, (std::vector<std::uint32_t>{1, 0, 0, 1, 0}));
  EXPECT_EQ(rows.num_rows, 2u);
}

TEST(Rows, NodesWithoutNeighboursKeepTheirPosition) {
  // Three LEDs in the last column: l3 <- c, l4 unconnected, l5 <- a.
  GraphBuilder b;
  b.node(0, ComponentKind::input_pin)
      .node(1, ComponentKind::input_pin)
      .node(2, ComponentKind::input_pin)
      .node(3, ComponentKind::led)
      .node(4, ComponentKind::led)
      .node(5, ComponentKind::led)
      .edge(2, 3)
      .edge(0, 5);
  // l4 keeps barycenter 1 (its own position), between l5 (0) and l3 (2).
  const RowAssignment rows = rowsOf(b.sorted());
  EXPECT_EQ(rows.row_of, (std::vector<std::uint32_t>{0, 1, 2, 2, 1, 0}));
  EXPECT_EQ(rows.num_rows, 3u);
}

TEST(Rows, NeighboursCountOncePerEdgeInAnyColumn) {
  // g4 reads p0 twice and p2 once: (0 + 0 + 2) / 3 puts it above g3 (1.0),
  // where a mean over distinct neighbours would tie them and keep id order.
  GraphBuilder b;
  b.node(0, ComponentKind::input_pin)
      .node(1, ComponentKind::input_pin)
      .node(2, ComponentKind::input_pin)
      .node(3, ComponentKind::not_gate)
      .node(4, ComponentKind::and_gate)
      .node(5, ComponentKind::not_gate)
      .edge(1, 3)
      .edge(0, 4, kA)
      .edge(0, 4, kB)
      .edge(2, 4, kA)
      .edge(4, 5);
  const auto& graph = b.sorted();
  const columns::IndexMap index = columns::buildIndexMap(graph);
  ColumnLists lists{{0, 1, 2}, {3, 4}, {5}};
  PositionIndex positions = PositionIndex::of(lists, graph.nodes.size());
  EXPECT_DOUBLE_EQ(computeBarycenter(graph, 4, 1, index, Direction::left_to_right, positions), 2.0 / 3.0);
  EXPECT_DOUBLE_EQ(computeBarycenter(graph, 3, 0, index, Direction::left_to_right, positions), 1.0);
  EXPECT_DOUBLE_EQ(computeBarycenter(graph, 5, 0, index, Direction::right_to_left, positions), 0.0);
  double sum = 0, count = 0;
  accumulateRow(99, index, positions, sum, count);  // not in the graph
  accumulateRow(2, index, positions, sum, count);
  EXPECT_EQ(sum, 2.0);
  EXPECT_EQ(count, 1.0);

  const ColumnAssignment cols{{0, 0, 0, 1, 1, 2}, 3};
  sweepBarycenter(graph, cols, lists, index, Direction::left_to_right, positions);
  EXPECT_EQ(lists[1], (std::vector<std::uint32_t>{4, 3}));
  EXPECT_EQ(positions.position_of[4], 0u);
  EXPECT_EQ(positions.position_of[3], 1u);
}

// The sweep as first described: neighbours found by scanning their column.
std::vector<std::uint32_t> referenceRows(const layout::VirtualGraph& graph, const ColumnAssignment& cols) {
  ColumnLists lists(cols.num_columns);
  for (std::uint32_t i = 0; i < graph.nodes.size(); ++i) lists[cols.column_of[i]].push_back(i);
  const columns::IndexMap index = columns::buildIndexMap(graph);
  const auto positionOf = [&](std::uint32_t idx) {
    const auto& list = lists[cols.column_of[idx]];
    return static_cast<double>(std::find(list.begin(), list.end(), idx) - list.begin());
  };
  const auto sweepColumn = [&](std::uint32_t c, bool forward) {
    auto& list = lists[c];
    if (list.size() < 2) return;
    std::vector<std::pair<double, std::uint32_t>> keyed;
    for (std::uint32_t k = 0; k < list.size(); ++k) {
      const auto& node = graph.nodes[list[k]];
      double sum = 0, count = 0;
      const auto add = [&](std::uint32_t id) {
        if (auto it = index.find(id); it != index.end()) sum += positionOf(it->second), count += 1;
      };
      if (forward) {
        for (const auto& e : node.inputs) add(e.src_id);
      } else {
        for (const auto& e : node.outputs) add(e.dst_id);
      }
      keyed.push_back({count == 0 ? k : sum / count, list[k]});
    }
    std::stable_sort(keyed.begin(), keyed.end(), [&](const auto& x, const auto& y) {
      return x.first != y.first ? x.first < y.first : graph.nodes[x.second].id < graph.nodes[y.second].id;
    });
    for (std::uint32_t k = 0; k < list.size(); ++k) list[k] = keyed[k].second;
  };
  for (std::uint32_t c = 1; c < cols.num_columns; ++c) sweepColumn(c, true);
  for (std::uint32_t c = cols.num_columns - 1; c-- > 0;) sweepColumn(c, false);
  std::vector<std::uint32_t> row_of(graph.nodes.size());
  for (const auto& list : lists) {
    for (std::uint32_t k = 0; k < list.size(); ++k) row_of[list[k]] = k;
  }
  return row_of;
}

TEST(Rows, PositionIndexMatchesScanningTheColumns) {
  std::mt19937 rng(77);
  for (int round = 0; round < 300; ++round) {
    const std::uint32_t n = 1 + rng() % 40;
    GraphBuilder b;
    for (std::uint32_t i = 0; i < n; ++i) {
      const auto kind = static_cast<ComponentKind>(rng() % 6);
      b.node(i * 2, kind == ComponentKind::wire ? ComponentKind::and_gate : kind);
    }
    const std::uint32_t edges = rng() % (3 * n + 1);
    for (std::uint32_t e = 0; e < edges; ++e) b.edge(2 * (rng() % n), 2 * (rng() % n), rng() % 3);
    const auto& graph = b.sorted();
    const auto cols = columns::assignColumns(graph);
    ASSERT_TRUE(cols.has_value());
    EXPECT_EQ(rowsOf(graph, *cols).row_of, referenceRows(graph, *cols)) << "round " << round;
  }
}

TEST(Rows, TallColumns) {
  // Pins feeding gates in reverse order: every gate's neighbour sits deep in
  // a column of the same height.
  constexpr std::uint32_t kN = 50000;
  GraphBuilder b;
  for (std::uint32_t i = 0; i < kN; ++i) b.node(i, ComponentKind::input_pin);
  for (std::uint32_t i = 0; i < kN; ++i) b.node(kN + i, ComponentKind::not_gate).edge(kN - 1 - i, kN + i);
  const auto& graph = b.sorted();
  const auto cols = columns::assignColumns(graph);
  ASSERT_TRUE(cols.has_value());
  const RowAssignment rows = rowsOf(graph, *cols);
  EXPECT_EQ(rows.num_rows, kN);
  EXPECT_EQ(rows.row_of[kN], kN - 1);  // the gate fed by the last pin
  EXPECT_EQ(rows.row_of[2 * kN - 1], 0u);
}

}  // namespace
}  // namespace vorn::rows
