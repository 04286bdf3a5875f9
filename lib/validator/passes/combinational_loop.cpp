#include "validator/passes/combinational_loop.hpp"

#include <cstdint>
#include <string>
#include <unordered_set>

#include "ir/component_lookup.hpp"

namespace vorn::combinational_loop {

namespace {

using component_lookup::ComponentLookup;

bool isCycleBreaking(const types::Component& component) {
  return component.kind.isPrimitive(types::PrimitiveKind::and_gate) ||
         component.kind.isPrimitive(types::PrimitiveKind::not_gate);
}

// Members are positions in module.components, in path order.
void appendCycleDiagnostic(const types::Module& module, std::vector<diagnostics::Diagnostic>& diagnostics,
                           const std::size_t* members, std::size_t count) {
  if (count == 0) return;
  std::vector<diagnostics::DiagnosticNote> notes;
  notes.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    const types::Component& member = module.components[members[i]];
    notes.push_back(
        diagnostics::makeNote<diagnostics::NoteKind::loop_member>(member.span, {std::to_string(member.id.value)}));
  }
  diagnostics.push_back(diagnostics::makeDiagnostic<diagnostics::DiagnosticCode::E008>(
      module.components[members[0]].span, {}, std::move(notes)));
}

// Gate-free edges in compressed form: the destinations of node n are
// targets[begin[n] .. begin[n + 1]), in connection order, duplicates kept.
struct Graph {
  std::vector<std::size_t> begin;
  std::vector<std::size_t> targets;
};

struct Frame {
  std::size_t node;
  std::size_t next_edge;
};

// Depth-first search from `root` with an explicit stack, visiting neighbours
// in exactly the order a recursive search would, so that the loops are found
// and reported in the same order.
//
// A loop is identified by its member set. During one search the same set can
// only come back from the same node on the path seeing the same neighbour
// again (a duplicate edge): any other back edge either ends at another stack
// position or starts from another top of the path, and the top of the path
// is always a member. So the pair (top, neighbour) identifies the set without
// building and sorting it.
class LoopSearch {
 public:
  LoopSearch(const types::Module& module, const Graph& graph, std::vector<diagnostics::Diagnostic>& diagnostics)
      : module_(module),
        graph_(graph),
        diagnostics_(diagnostics),
        visited_(module.components.size(), 0),
        in_stack_(module.components.size(), 0),
        stack_position_(module.components.size(), 0) {}

  bool visited(std::size_t node) const { return visited_[node] != 0; }

  void visit(std::size_t root) {
    enter(root);
    while (!frames_.empty()) {
      Frame& frame = frames_.back();
      if (frame.next_edge == graph_.begin[frame.node + 1]) {
        in_stack_[frame.node] = 0;
        path_.pop_back();
        frames_.pop_back();
        continue;
      }
      const std::size_t top = frame.node;
      const std::size_t neighbour = graph_.targets[frame.next_edge++];
      if (!visited_[neighbour]) {
        enter(neighbour);  // invalidates `frame`
        continue;
      }
      if (!in_stack_[neighbour]) continue;
      const std::uint64_t key = (static_cast<std::uint64_t>(top) << 32) ^ static_cast<std::uint64_t>(neighbour);
      if (!seen_cycles_.insert(key).second) continue;
      const std::size_t position = stack_position_[neighbour];
      appendCycleDiagnostic(module_, diagnostics_, path_.data() + position, path_.size() - position);
    }
  }

 private:
  void enter(std::size_t node) {
    visited_[node] = 1;
    in_stack_[node] = 1;
    stack_position_[node] = path_.size();
    path_.push_back(node);
    frames_.push_back(Frame{node, graph_.begin[node]});
  }

  const types::Module& module_;
  const Graph& graph_;
  std::vector<diagnostics::Diagnostic>& diagnostics_;
  std::vector<char> visited_;
  std::vector<char> in_stack_;
  std::vector<std::size_t> stack_position_;
  std::vector<std::size_t> path_;
  std::vector<Frame> frames_;
  std::unordered_set<std::uint64_t> seen_cycles_;
};

}  // namespace

void run(const types::Module& module, std::vector<diagnostics::Diagnostic>& diagnostics) {
  const ComponentLookup lookup(module);
  const std::size_t node_count = module.components.size();

  // Self-loops are reported on the spot, gates included; the other edges
  // between non-gates make up the graph.
  std::vector<std::pair<std::size_t, std::size_t>> edges;
  for (const types::Connection& connection : module.connections) {
    if (connection.from.component == connection.to.component) {
      std::size_t node = lookup.indexOf(connection.from.component);
      if (node != ComponentLookup::kNone) appendCycleDiagnostic(module, diagnostics, &node, 1);
      continue;
    }
    std::size_t from = lookup.indexOf(connection.from.component);
    std::size_t to = lookup.indexOf(connection.to.component);
    if (from == ComponentLookup::kNone || to == ComponentLookup::kNone) continue;
    if (isCycleBreaking(module.components[from]) || isCycleBreaking(module.components[to])) continue;
    edges.emplace_back(from, to);
  }

  // Stable counting sort by source keeps each node's edges in connection order.
  Graph graph;
  graph.begin.assign(node_count + 1, 0);
  for (const auto& edge : edges) ++graph.begin[edge.first + 1];
  for (std::size_t n = 0; n < node_count; ++n) graph.begin[n + 1] += graph.begin[n];
  graph.targets.resize(edges.size());
  {
    std::vector<std::size_t> fill(graph.begin.begin(), graph.begin.end() - 1);
    for (const auto& edge : edges) graph.targets[fill[edge.first]++] = edge.second;
  }

  LoopSearch search(module, graph, diagnostics);
  for (const types::Component& component : module.components) {
    if (isCycleBreaking(component)) continue;
    const std::size_t node = lookup.indexOf(component.id);
    if (search.visited(node)) continue;
    search.visit(node);
  }
}

}  // namespace vorn::combinational_loop
