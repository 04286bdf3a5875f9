#include "preview/layout/columns.hpp"

#include <algorithm>
#include <functional>

namespace vorn::columns {

namespace {

using format::ComponentKind;

// For every node, the indices of the sources the relaxation reads: input
// edges whose source exists and that are not back edges. Input pins read none.
struct Sources {
  std::vector<std::uint32_t> start;  // n + 1 offsets into `idx`
  std::vector<std::uint32_t> idx;
};

Sources effectiveSources(const layout::VirtualGraph& graph, const IndexMap& index, const EdgeSet& back_edges) {
  Sources sources;
  sources.start.reserve(graph.nodes.size() + 1);
  sources.start.push_back(0);
  for (const auto& node : graph.nodes) {
    if (!node.kind.isPrimitive(ComponentKind::input_pin)) {
      for (const auto& edge : node.inputs) {
        const auto src = index.find(edge.src_id);
        if (src == index.end()) continue;
        if (!back_edges.empty() && back_edges.contains({edge.src_id, node.id, edge.src_port, edge.dst_port})) continue;
        sources.idx.push_back(src->second);
      }
    }
    sources.start.push_back(static_cast<std::uint32_t>(sources.idx.size()));
  }
  return sources;
}

// Nodes entered by a back edge start in column 1 when nothing else places them.
std::vector<bool> backEdgeTargets(const layout::VirtualGraph& graph, const IndexMap& index, const EdgeSet& back_edges) {
  std::vector<bool> target(graph.nodes.size(), false);
  for (const auto& key : back_edges) {
    const auto dst = index.find(key.dst_id);
    if (dst != index.end()) target[dst->second] = true;
  }
  return target;
}

std::uint32_t columnFromSources(const Sources& sources, std::uint32_t i, const std::vector<std::uint32_t>& column_of,
                                bool back_edge_target) {
  const std::uint32_t begin = sources.start[i];
  const std::uint32_t end = sources.start[i + 1];
  if (begin == end) return back_edge_target ? 1 : 0;
  std::uint32_t best = 0;
  for (std::uint32_t k = begin; k < end; ++k) best = std::max(best, column_of[sources.idx[k]] + 1);
  return best;
}

}  // namespace

std::size_t EdgeKeyHash::operator()(const EdgeKey& key) const {
  const std::uint64_t ids = (static_cast<std::uint64_t>(key.src_id) << 32) | key.dst_id;
  const std::uint64_t ports = (static_cast<std::uint64_t>(key.src_port) << 8) | key.dst_port;
  return std::hash<std::uint64_t>{}(ids ^ (ports * 0x9e3779b97f4a7c15ULL));
}

IndexMap buildIndexMap(const layout::VirtualGraph& graph) {
  IndexMap index;
  index.reserve(graph.nodes.size());
  for (std::uint32_t i = 0; i < graph.nodes.size(); ++i) index.try_emplace(graph.nodes[i].id, i);
  return index;
}

Result<EdgeSet> detectBackEdges(const layout::VirtualGraph& graph, const IndexMap& index) {
  EdgeSet back_edges;
  const auto& nodes = graph.nodes;
  std::vector<Color> color(nodes.size(), Color::white);
  std::vector<Frame> stack;
  for (std::uint32_t root = 0; root < nodes.size(); ++root) {
    if (color[root] != Color::white) continue;
    color[root] = Color::gray;
    stack.push_back({root, 0});
    while (!stack.empty()) {
      Frame& top = stack.back();
      const layout::VirtualNode& node = nodes[top.node_idx];
      if (top.next_edge >= node.outputs.size()) {
        color[top.node_idx] = Color::black;
        stack.pop_back();
        continue;
      }
      const layout::OutputEdge& edge = node.outputs[top.next_edge++];
      const auto dst = index.find(edge.dst_id);
      if (dst == index.end()) continue;
      switch (color[dst->second]) {
        case Color::gray: back_edges.insert({node.id, edge.dst_id, edge.src_port, edge.dst_port}); break;
        case Color::white:
          color[dst->second] = Color::gray;
          stack.push_back({dst->second, 0});  // `top` is not used past this point
          break;
        case Color::black: break;
      }
    }
  }
  return back_edges;
}

std::vector<std::uint32_t> relaxColumnsByPasses(const layout::VirtualGraph& graph, const IndexMap& index,
                                                const EdgeSet& back_edges) {
  const std::uint32_t n = static_cast<std::uint32_t>(graph.nodes.size());
  const Sources sources = effectiveSources(graph, index, back_edges);
  const std::vector<bool> target = backEdgeTargets(graph, index, back_edges);
  std::vector<std::uint32_t> column_of(n, 0);
  for (std::uint64_t pass = 0;; ++pass) {
    bool changed = false;
    for (std::uint32_t i = 0; i < n; ++i) {
      const std::uint32_t value = graph.nodes[i].kind.isPrimitive(ComponentKind::input_pin)
                                      ? 0
                                      : columnFromSources(sources, i, column_of, target[i]);
      if (value != column_of[i]) {
        column_of[i] = value;
        changed = true;
      }
    }
    if (!changed || pass >= static_cast<std::uint64_t>(n) + 1) break;
  }
  return column_of;
}

// When the edges read by the relaxation form no cycle, its fixpoint is unique
// and every pass order reaches it (a node of depth d is final after pass d),
// so evaluating each node once after all its sources gives the same columns.
std::optional<std::vector<std::uint32_t>> relaxColumnsTopologically(const layout::VirtualGraph& graph,
                                                                    const IndexMap& index, const EdgeSet& back_edges) {
  const std::uint32_t n = static_cast<std::uint32_t>(graph.nodes.size());
  const Sources sources = effectiveSources(graph, index, back_edges);
  const std::vector<bool> target = backEdgeTargets(graph, index, back_edges);

  // Reverse adjacency (source -> readers) in CSR form, and pending counts.
  std::vector<std::uint32_t> pending(n, 0);
  std::vector<std::uint32_t> out_start(n + 1, 0);
  for (std::uint32_t i = 0; i < n; ++i) {
    pending[i] = sources.start[i + 1] - sources.start[i];
    for (std::uint32_t k = sources.start[i]; k < sources.start[i + 1]; ++k) ++out_start[sources.idx[k] + 1];
  }
  for (std::uint32_t i = 0; i < n; ++i) out_start[i + 1] += out_start[i];
  std::vector<std::uint32_t> readers(sources.idx.size());
  std::vector<std::uint32_t> fill(out_start.begin(), out_start.end() - 1);
  for (std::uint32_t i = 0; i < n; ++i) {
    for (std::uint32_t k = sources.start[i]; k < sources.start[i + 1]; ++k) readers[fill[sources.idx[k]]++] = i;
  }

  std::vector<std::uint32_t> column_of(n, 0);
  std::vector<std::uint32_t> ready;
  for (std::uint32_t i = 0; i < n; ++i) {
    if (pending[i] == 0) ready.push_back(i);
  }
  std::uint32_t done = 0;
  while (!ready.empty()) {
    const std::uint32_t i = ready.back();
    ready.pop_back();
    ++done;
    column_of[i] = graph.nodes[i].kind.isPrimitive(ComponentKind::input_pin)
                       ? 0
                       : columnFromSources(sources, i, column_of, target[i]);
    for (std::uint32_t k = out_start[i]; k < out_start[i + 1]; ++k) {
      if (--pending[readers[k]] == 0) ready.push_back(readers[k]);
    }
  }
  if (done != n) return std::nullopt;
  return column_of;
}

Result<ColumnAssignment> assignColumns(const layout::VirtualGraph& graph) {
  const IndexMap index = buildIndexMap(graph);
  VORN_TRY(const EdgeSet back_edges, detectBackEdges(graph, index));

  ColumnAssignment result;
  if (auto fast = relaxColumnsTopologically(graph, index, back_edges)) {
    result.column_of = std::move(*fast);
  } else {
    // Only reachable when a node's inputs disagree with its sources' outputs.
    result.column_of = relaxColumnsByPasses(graph, index, back_edges);
  }

  std::uint32_t largest = 0;
  for (const std::uint32_t column : result.column_of) largest = std::max(largest, column);
  result.num_columns = std::max<std::uint32_t>(1, largest + 1);

  for (std::uint32_t i = 0; i < graph.nodes.size(); ++i) {
    const auto& kind = graph.nodes[i].kind;
    if (kind.isPrimitive(ComponentKind::led) || kind.isPrimitive(ComponentKind::output_pin)) {
      result.column_of[i] = result.num_columns - 1;
    }
  }
  return result;
}

}  // namespace vorn::columns
