#pragma once

#include <cstdint>
#include <vector>

#include "core/error.hpp"
#include "preview/layout/columns.hpp"
#include "preview/layout/layout.hpp"

// Third preview stage: orders the nodes inside each column with one
// barycenter sweep in each direction to reduce crossings.
namespace vorn::rows {

struct Pair {
  std::uint32_t idx = 0;
  double barycenter = 0.0;
};

enum class Direction : std::uint8_t { left_to_right = 0, right_to_left = 1 };

struct RowAssignment {
  std::vector<std::uint32_t> row_of;  // position of each node in its column
  std::uint32_t num_rows = 0;         // length of the longest column
};

// Node indices of each column, in their current order.
using ColumnLists = std::vector<std::vector<std::uint32_t>>;

// The current position of every node in its column's list; kept in step with
// the lists so that a neighbour's row is found without scanning its column.
struct PositionIndex {
  std::vector<std::uint32_t> position_of;  // by node index

  static PositionIndex of(const ColumnLists& lists, std::size_t node_count);
  void update(const std::vector<std::uint32_t>& list);
};

Result<RowAssignment> assignRows(const layout::VirtualGraph& graph, const columns::ColumnAssignment& columns);

// Reorders the visited columns of `lists` in place (and `positions` with them).
void sweepBarycenter(const layout::VirtualGraph& graph, const columns::ColumnAssignment& columns, ColumnLists& lists,
                     const columns::IndexMap& index, Direction direction, PositionIndex& positions);

// Mean position of the node's neighbours in the sweep direction, or
// `position` itself when it has none.
double computeBarycenter(const layout::VirtualGraph& graph, std::uint32_t node_idx, std::uint32_t position,
                         const columns::IndexMap& index, Direction direction, const PositionIndex& positions);

// Adds the neighbour's current position to `sum` and 1 to `count`; an id that
// is not in the graph adds nothing.
void accumulateRow(std::uint32_t neighbour_id, const columns::IndexMap& index, const PositionIndex& positions,
                   double& sum, double& count);

// Smaller barycenter first, equal ones by smaller node id.
bool lessByBarycenterThenId(const layout::VirtualGraph& graph, const Pair& a, const Pair& b);

}  // namespace vorn::rows
