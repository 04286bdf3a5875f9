#include "analysis/size.hpp"

#include <unordered_set>

#include "resolver/builtins.hpp"

namespace vorn::analysis {

namespace {

void add(std::vector<Count>& counts, std::string_view name) {
  for (Count& count : counts) {
    if (count.name == name) {
      ++count.count;
      return;
    }
  }
  counts.push_back(Count{std::string(name), 1});
}

}  // namespace

std::string_view kindName(format::ComponentKind kind) {
  // clang-format off
  switch (kind) {
#define VORN_PRIMITIVE(keyword, ir, topology, ...) case format::ComponentKind::topology: return keyword;
#include "core/primitive_kinds.def"
  }
  // clang-format on
  return "?";
}

Size sizeOf(const full_format::FullTopology& topology, const types::Project* project) {
  Size size;
  std::uint64_t by_kind[6] = {};
  // An instance is the chain of aliases leading to it; each is counted once.
  std::unordered_set<std::string> instances;
  for (const full_format::FullComponentRecord& record : topology.components) {
    ++by_kind[static_cast<std::size_t>(record.kind)];
    std::string chain;
    bool in_builtin = false;
    for (const full_format::OriginFrame& frame : record.origin) {
      chain += frame.alias;
      chain += '\0';
      if (instances.insert(chain).second) add(size.written, frame.subcircuit);
      if (project && builtins::hasVirtualPrefix(project->file_paths[frame.target_file])) {
        in_builtin = true;
        break;
      }
    }
    bool pin = record.kind == format::ComponentKind::input_pin || record.kind == format::ComponentKind::output_pin;
    if (!in_builtin && !pin) add(size.written, kindName(record.kind));
  }
  for (format::ComponentKind kind : format::kComponentKinds) {
    std::uint64_t count = by_kind[static_cast<std::size_t>(kind)];
    if (count > 0) size.flattened.push_back(Count{std::string(kindName(kind)), count});
  }
  size.gate_equivalent_halves = 2 * by_kind[static_cast<std::size_t>(format::ComponentKind::and_gate)] +
                                by_kind[static_cast<std::size_t>(format::ComponentKind::not_gate)];
  return size;
}

}  // namespace vorn::analysis
