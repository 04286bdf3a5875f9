#include "validator/passes/combinational_loop.hpp"

#include <algorithm>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>

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
// Nodes 0 .. components-1 are the components. An instance whose inner paths
// are known is split instead into one node per input port it is driven on
// and one per output port it is read from, joined where a gate-free path
// joins the ports inside; `component` maps every node to its component.
struct Graph {
  std::vector<std::size_t> begin;
  std::vector<std::size_t> targets;
  std::vector<std::size_t> component;
  std::size_t split_from = 0;  // nodes from here on are instance ports
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
// building and sorting it. That holds for nodes that are components; a loop
// through instance port nodes can come back over other ports of the same
// instances, so its key is its sorted component set.
class LoopSearch {
 public:
  LoopSearch(const types::Module& module, const Graph& graph, std::vector<diagnostics::Diagnostic>& diagnostics)
      : module_(module),
        graph_(graph),
        diagnostics_(diagnostics),
        visited_(graph.component.size(), 0),
        in_stack_(graph.component.size(), 0),
        stack_position_(graph.component.size(), 0) {}

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
      const std::size_t position = stack_position_[neighbour];
      report(top, neighbour, path_.data() + position, path_.size() - position);
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

  void report(std::size_t top, std::size_t neighbour, const std::size_t* loop, std::size_t count) {
    const bool through_ports =
        std::any_of(loop, loop + count, [&](std::size_t node) { return node >= graph_.split_from; });
    if (!through_ports) {
      const std::uint64_t key = (static_cast<std::uint64_t>(top) << 32) ^ static_cast<std::uint64_t>(neighbour);
      if (seen_cycles_.insert(key).second) appendCycleDiagnostic(module_, diagnostics_, loop, count);
      return;
    }
    // An instance's two port nodes stand next to each other on the loop
    // (its input port node only leads to its output port nodes), or at both
    // ends when the loop starts at its output: it is one member.
    std::vector<std::size_t> members;
    for (std::size_t i = 0; i < count; ++i) {
      const std::size_t component = graph_.component[loop[i]];
      if (members.empty() || members.back() != component) members.push_back(component);
    }
    if (members.size() > 1 && members.back() == members.front()) members.pop_back();
    std::vector<std::size_t> key = members;
    std::sort(key.begin(), key.end());
    if (seen_port_cycles_.insert(std::move(key)).second) {
      appendCycleDiagnostic(module_, diagnostics_, members.data(), members.size());
    }
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
  std::set<std::vector<std::size_t>> seen_port_cycles_;
};

// The port nodes of one split instance, in order of first use.
struct PortNodes {
  std::vector<std::pair<std::string_view, std::size_t>> in_order;  // port, node
  std::unordered_map<std::string_view, std::size_t> by_name;

  std::size_t nodeOf(std::string_view port, std::vector<std::size_t>& component_of, std::size_t component) {
    auto [found, inserted] = by_name.try_emplace(port, component_of.size());
    if (inserted) {
      in_order.emplace_back(port, found->second);
      component_of.push_back(component);
    }
    return found->second;
  }
};

struct SplitInstance {
  const gate_free_paths::FilePaths* paths = nullptr;
  PortNodes inputs;
  PortNodes outputs;
};

}  // namespace

void run(const types::Module& module, std::vector<diagnostics::Diagnostic>& diagnostics,
         const gate_free_paths::ProjectPaths* paths) {
  const ComponentLookup lookup(module);
  const std::size_t component_count = module.components.size();

  Graph graph;
  graph.component.resize(component_count);
  for (std::size_t n = 0; n < component_count; ++n) graph.component[n] = n;
  graph.split_from = component_count;
  std::unordered_map<std::size_t, SplitInstance> split;
  if (paths != nullptr) {
    for (std::size_t n = 0; n < component_count; ++n) {
      if (const gate_free_paths::FilePaths* inner = paths->pathsOf(module, module.components[n])) {
        split[n].paths = inner;
      }
    }
  }
  auto fromNode = [&](std::size_t component, std::string_view port) {
    auto found = split.find(component);
    if (found == split.end()) return component;
    return found->second.outputs.nodeOf(port, graph.component, component);
  };
  auto toNode = [&](std::size_t component, std::string_view port) {
    auto found = split.find(component);
    if (found == split.end()) return component;
    return found->second.inputs.nodeOf(port, graph.component, component);
  };

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
    const std::size_t source = fromNode(from, connection.from.port);
    edges.emplace_back(source, toNode(to, connection.to.port));
  }
  // Through each split instance: from an input port to the output ports a
  // gate-free path inside reaches.
  for (std::size_t n = 0; n < component_count; ++n) {
    auto found = split.find(n);
    if (found == split.end()) continue;
    const SplitInstance& instance = found->second;
    std::vector<std::size_t> reached;
    for (const auto& [input, input_node] : instance.inputs.in_order) {
      const std::vector<std::uint32_t>* outputs = instance.paths->reachedFrom(input);
      if (outputs == nullptr) continue;
      reached.clear();
      for (std::uint32_t o : *outputs) {
        auto exit = instance.outputs.by_name.find(instance.paths->outputName(o));
        if (exit != instance.outputs.by_name.end()) reached.push_back(exit->second);
      }
      // In the order the output ports were first read.
      std::sort(reached.begin(), reached.end());
      reached.erase(std::unique(reached.begin(), reached.end()), reached.end());
      for (std::size_t output_node : reached) edges.emplace_back(input_node, output_node);
    }
  }

  // Stable counting sort by source keeps each node's edges in connection order.
  const std::size_t node_count = graph.component.size();
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
    auto found = split.find(node);
    if (found == split.end()) {
      if (!search.visited(node)) search.visit(node);
      continue;
    }
    // A split instance starts from its input ports, then its output ports.
    for (const auto& port : found->second.inputs.in_order) {
      if (!search.visited(port.second)) search.visit(port.second);
    }
    for (const auto& port : found->second.outputs.in_order) {
      if (!search.visited(port.second)) search.visit(port.second);
    }
  }
}

}  // namespace vorn::combinational_loop
