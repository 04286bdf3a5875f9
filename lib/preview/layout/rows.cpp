#include "preview/layout/rows.hpp"

#include <algorithm>

#include "core/check.hpp"

namespace vorn::rows {

PositionIndex PositionIndex::of(const ColumnLists& lists, std::size_t node_count) {
  PositionIndex positions;
  positions.position_of.assign(node_count, 0);
  for (const auto& list : lists) positions.update(list);
  return positions;
}

void PositionIndex::update(const std::vector<std::uint32_t>& list) {
  for (std::uint32_t k = 0; k < list.size(); ++k) position_of[list[k]] = k;
}

void accumulateRow(std::uint32_t neighbour_id, const columns::IndexMap& index, const PositionIndex& positions,
                   double& sum, double& count) {
  const auto neighbour = index.find(neighbour_id);
  if (neighbour == index.end()) return;
  sum += static_cast<double>(positions.position_of[neighbour->second]);
  count += 1.0;
}

double computeBarycenter(const layout::VirtualGraph& graph, std::uint32_t node_idx, std::uint32_t position,
                         const columns::IndexMap& index, Direction direction, const PositionIndex& positions) {
  const layout::VirtualNode& node = graph.nodes[node_idx];
  double sum = 0.0;
  double count = 0.0;
  if (direction == Direction::left_to_right) {
    for (const auto& edge : node.inputs) accumulateRow(edge.src_id, index, positions, sum, count);
  } else {
    for (const auto& edge : node.outputs) accumulateRow(edge.dst_id, index, positions, sum, count);
  }
  return count == 0.0 ? static_cast<double>(position) : sum / count;
}

bool lessByBarycenterThenId(const layout::VirtualGraph& graph, const Pair& a, const Pair& b) {
  if (a.barycenter != b.barycenter) return a.barycenter < b.barycenter;
  return graph.nodes[a.idx].id < graph.nodes[b.idx].id;
}

void sweepBarycenter(const layout::VirtualGraph& graph, const columns::ColumnAssignment& columns, ColumnLists& lists,
                     const columns::IndexMap& index, Direction direction, PositionIndex& positions) {
  const std::uint32_t num_columns = std::min<std::size_t>(columns.num_columns, lists.size());
  if (num_columns < 2) return;
  std::vector<Pair> pairs;
  const auto sweepColumn = [&](std::uint32_t column) {
    std::vector<std::uint32_t>& list = lists[column];
    if (list.size() < 2) return;
    pairs.clear();
    for (std::uint32_t k = 0; k < list.size(); ++k) {
      pairs.push_back({list[k], computeBarycenter(graph, list[k], k, index, direction, positions)});
    }
    std::stable_sort(pairs.begin(), pairs.end(),
                     [&](const Pair& a, const Pair& b) { return lessByBarycenterThenId(graph, a, b); });
    for (std::uint32_t k = 0; k < list.size(); ++k) list[k] = pairs[k].idx;
    positions.update(list);
  };
  if (direction == Direction::left_to_right) {
    for (std::uint32_t column = 1; column < num_columns; ++column) sweepColumn(column);
  } else {
    for (std::uint32_t column = num_columns - 1; column-- > 0;) sweepColumn(column);
  }
}

Result<RowAssignment> assignRows(const layout::VirtualGraph& graph, const columns::ColumnAssignment& columns) {
  const std::size_t n = graph.nodes.size();
  // The layout hands every stage the same graph, so the sizes agree.
  VORN_CHECK(columns.column_of.size() == n);
  // Sized by the columns actually used, so a malformed assignment cannot index
  // past the lists.
  std::size_t list_count = columns.num_columns;
  for (const std::uint32_t column : columns.column_of) {
    list_count = std::max<std::size_t>(list_count, std::size_t{column} + 1);
  }
  ColumnLists lists(list_count);
  for (std::uint32_t i = 0; i < n; ++i) lists[columns.column_of[i]].push_back(i);

  const columns::IndexMap index = columns::buildIndexMap(graph);
  PositionIndex positions = PositionIndex::of(lists, n);
  sweepBarycenter(graph, columns, lists, index, Direction::left_to_right, positions);
  sweepBarycenter(graph, columns, lists, index, Direction::right_to_left, positions);

  RowAssignment result;
  result.row_of = std::move(positions.position_of);
  for (const auto& list : lists) {
    result.num_rows = std::max(result.num_rows, static_cast<std::uint32_t>(list.size()));
  }
  return result;
}

}  // namespace vorn::rows
