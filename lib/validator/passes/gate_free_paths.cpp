#include "validator/passes/gate_free_paths.hpp"

#include <algorithm>
#include <functional>
#include <string_view>
#include <unordered_set>

#include "ir/component_lookup.hpp"

namespace vorn::gate_free_paths {

namespace {

using component_lookup::ComponentLookup;

constexpr std::uint32_t kNone = 0xFFFFFFFF;

bool isGate(const types::Component& component) {
  return component.kind.isPrimitive(types::PrimitiveKind::and_gate) ||
         component.kind.isPrimitive(types::PrimitiveKind::not_gate);
}

// A signal reached without a gate: the output port `port` of the component
// at `node`, or (empty port) every output of it.
struct Signal {
  std::size_t node;
  std::string_view port;
  friend bool operator==(const Signal&, const Signal&) = default;
};

struct SignalHash {
  std::size_t operator()(const Signal& signal) const noexcept {
    std::size_t hash = std::hash<std::string_view>{}(signal.port);
    return hash ^ (signal.node * 0x9E3779B97F4A7C15ull + (hash << 6) + (hash >> 2));
  }
};

}  // namespace

bool FilePaths::joins(std::string_view input, std::string_view output) const {
  const std::vector<std::uint32_t>* reached = reachedFrom(input);
  auto found = output_index_.find(output);
  if (reached == nullptr || found == output_index_.end()) return false;
  return std::binary_search(reached->begin(), reached->end(), found->second);
}

const std::vector<std::uint32_t>* FilePaths::reachedFrom(std::string_view input) const {
  auto found = input_index_.find(input);
  return found == input_index_.end() ? nullptr : &reached_[found->second];
}

ProjectPaths::ProjectPaths(const types::Project& project)
    : project_(project), targets_(project.import_table), files_(project.files.size()) {
  const std::size_t file_count = project.files.size();
  std::vector<std::vector<std::uint32_t>> imported(file_count);
  for (const types::ResolvedImport& record : project.import_table) {
    if (record.importing_file.value < file_count && record.target_file.value < file_count) {
      imported[record.importing_file.value].push_back(record.target_file.value);
    }
  }
  // Depth-first over the import graph, a file computed once everything it
  // imports is; a file met again while still open (a cycle) stays unknown.
  enum : std::uint8_t { unseen, open, done };
  std::vector<std::uint8_t> state(file_count, unseen);
  struct Frame {
    std::uint32_t file;
    std::size_t next;
  };
  std::vector<Frame> stack;
  for (std::uint32_t root = 0; root < file_count; ++root) {
    if (state[root] != unseen) continue;
    state[root] = open;
    stack.push_back({root, 0});
    while (!stack.empty()) {
      Frame& frame = stack.back();
      if (frame.next < imported[frame.file].size()) {
        std::uint32_t target = imported[frame.file][frame.next++];
        if (state[target] == unseen) {
          state[target] = open;
          stack.push_back({target, 0});  // invalidates `frame`
        }
        continue;
      }
      computeFile(frame.file);
      state[frame.file] = done;
      stack.pop_back();
    }
  }
}

const FilePaths* ProjectPaths::pathsOf(const types::Module& module, const types::Component& instance) const {
  if (!instance.kind.isSubCircuitRef()) return nullptr;
  std::optional<std::uint32_t> target = targets_.find(module.file_id, instance.kind.sub_circuit_ref.name);
  if (!target || *target >= files_.size() || !files_[*target]) return nullptr;
  return &*files_[*target];
}

void ProjectPaths::computeFile(std::uint32_t file) {
  const types::Module& module = project_.files[file];
  FilePaths paths;
  for (std::uint32_t i = 0; i < module.inputs.size(); ++i) paths.input_index_.try_emplace(module.inputs[i].name, i);
  for (std::uint32_t o = 0; o < module.outputs.size(); ++o) {
    paths.output_index_.try_emplace(module.outputs[o].name, o);
  }
  paths.reached_.resize(module.inputs.size());
  for (const types::OutputPin& pin : module.outputs) paths.output_names_.push_back(pin.name);

  const ComponentLookup lookup(module);
  const std::size_t count = module.components.size();
  // Output pin components in order are the module's outputs in order.
  std::vector<std::uint32_t> output_of(count, kNone);
  std::vector<const FilePaths*> inner(count, nullptr);
  std::uint32_t outputs_seen = 0;
  for (std::size_t n = 0; n < count; ++n) {
    const types::Component& component = module.components[n];
    if (component.kind.isPrimitive(types::PrimitiveKind::output_pin) && outputs_seen < module.outputs.size()) {
      output_of[n] = outputs_seen++;
    }
    inner[n] = pathsOf(module, component);
  }

  // Connections by source component, in connection order.
  std::vector<std::size_t> begin(count + 1, 0);
  std::vector<std::size_t> source_of(module.connections.size(), ComponentLookup::kNone);
  for (std::size_t k = 0; k < module.connections.size(); ++k) {
    source_of[k] = lookup.indexOf(module.connections[k].from.component);
    if (source_of[k] != ComponentLookup::kNone) ++begin[source_of[k] + 1];
  }
  for (std::size_t n = 0; n < count; ++n) begin[n + 1] += begin[n];
  std::vector<std::size_t> outgoing(begin[count]);
  {
    std::vector<std::size_t> fill(begin.begin(), begin.end() - 1);
    for (std::size_t k = 0; k < module.connections.size(); ++k) {
      if (source_of[k] != ComponentLookup::kNone) outgoing[fill[source_of[k]]++] = k;
    }
  }

  // One breadth-first walk per input pin. Where every port has one driver, a
  // non-gate has one driver too, so the walks of different pins never meet
  // and all of them together visit each signal once.
  std::unordered_set<Signal, SignalHash> seen;
  std::vector<Signal> queue;
  std::vector<char> reached(module.outputs.size(), 0);
  for (std::uint32_t i = 0; i < module.inputs.size(); ++i) {
    const std::size_t start = lookup.indexOf(module.inputs[i].component);
    if (start == ComponentLookup::kNone) continue;
    seen.clear();
    queue.clear();
    std::fill(reached.begin(), reached.end(), 0);
    auto enqueue = [&](std::size_t node, std::string_view port) {
      if (seen.insert(Signal{node, port}).second) queue.push_back(Signal{node, port});
    };
    enqueue(start, {});
    for (std::size_t head = 0; head < queue.size(); ++head) {
      const Signal signal = queue[head];
      for (std::size_t e = begin[signal.node]; e < begin[signal.node + 1]; ++e) {
        const types::Connection& connection = module.connections[outgoing[e]];
        if (!signal.port.empty() && connection.from.port != signal.port) continue;
        const std::size_t next = lookup.indexOf(connection.to.component);
        if (next == ComponentLookup::kNone || isGate(module.components[next])) continue;
        if (inner[next] != nullptr) {
          const std::vector<std::uint32_t>* outputs = inner[next]->reachedFrom(connection.to.port);
          if (outputs == nullptr) continue;
          for (std::uint32_t o : *outputs) enqueue(next, inner[next]->outputName(o));
          continue;
        }
        if (output_of[next] != kNone) reached[output_of[next]] = 1;
        enqueue(next, {});
      }
    }
    for (std::uint32_t o = 0; o < reached.size(); ++o) {
      if (reached[o]) paths.reached_[i].push_back(o);
    }
  }
  files_[file] = std::move(paths);
}

}  // namespace vorn::gate_free_paths
