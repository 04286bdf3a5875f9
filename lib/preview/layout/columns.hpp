#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "core/error.hpp"
#include "preview/layout/layout.hpp"

// Second preview stage: each node's column is its longest distance from the
// inputs once feedback loops are broken; sinks move to the right edge.
namespace vorn::columns {

// Node id -> index in VirtualGraph.nodes (the first node with that id).
using IndexMap = std::unordered_map<std::uint32_t, std::uint32_t>;
IndexMap buildIndexMap(const layout::VirtualGraph& graph);

struct EdgeKey {
  std::uint32_t src_id = 0;
  std::uint32_t dst_id = 0;
  std::uint8_t src_port = 0;
  std::uint8_t dst_port = 0;

  friend bool operator==(const EdgeKey&, const EdgeKey&) = default;
};

struct EdgeKeyHash {
  std::size_t operator()(const EdgeKey& key) const;
};

using EdgeSet = std::unordered_set<EdgeKey, EdgeKeyHash>;

enum class Color : std::uint8_t { white = 0, gray = 1, black = 2 };

struct Frame {
  std::uint32_t node_idx = 0;
  std::uint32_t next_edge = 0;
};

struct ColumnAssignment {
  std::vector<std::uint32_t> column_of;  // one per node, by node index
  std::uint32_t num_columns = 1;         // never 0
};

// Edges that close a cycle in a depth-first search over the outputs lists,
// started from every unvisited node in graph order.
Result<EdgeSet> detectBackEdges(const layout::VirtualGraph& graph, const IndexMap& index);

Result<ColumnAssignment> assignColumns(const layout::VirtualGraph& graph);

// The two ways of computing the longest-path columns before sinks are moved;
// exposed so that they can be checked against each other. The relaxation
// passes stop at the first pass without change, or after pass n + 1.
std::vector<std::uint32_t> relaxColumnsByPasses(const layout::VirtualGraph& graph, const IndexMap& index,
                                                const EdgeSet& back_edges);
// The same fixpoint in one topological sweep; none when the edges that the
// relaxation reads form a cycle (then only the passes give the result).
std::optional<std::vector<std::uint32_t>> relaxColumnsTopologically(const layout::VirtualGraph& graph,
                                                                    const IndexMap& index, const EdgeSet& back_edges);

}  // namespace vorn::columns
