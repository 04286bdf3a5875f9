#include "ir/flattened_size.hpp"

#include <vector>

#include "ir/import_targets.hpp"

namespace vorn::flattened_size {

namespace {

constexpr std::uint64_t kEndless = std::uint64_t{1} << 62;

std::uint64_t saturatingAdd(std::uint64_t a, std::uint64_t b) { return a + b >= kEndless ? kEndless : a + b; }

enum class Visit : std::uint8_t { unvisited, in_progress, done };

}  // namespace

FlattenedSize measure(const types::Project& project) {
  const std::size_t file_count = project.files.size();
  if (project.root_file_id.value >= file_count) return {};
  const import_targets::ImportTargets targets(project.import_table);
  std::vector<FlattenedSize> sizes(file_count);
  std::vector<Visit> visits(file_count, Visit::unvisited);

  // The target files of a file's instances are measured before the file
  // itself, on an explicit stack: (file, index of the next component).
  struct Frame {
    std::uint32_t file;
    std::size_t next;
  };
  std::vector<Frame> stack{{project.root_file_id.value, 0}};
  visits[project.root_file_id.value] = Visit::in_progress;
  while (!stack.empty()) {
    Frame& frame = stack.back();
    const types::Module& module = project.files[frame.file];
    FlattenedSize& size = sizes[frame.file];
    if (frame.next == module.components.size()) {
      visits[frame.file] = Visit::done;
      stack.pop_back();
      continue;
    }
    const types::Component& component = module.components[frame.next];
    if (component.kind.isPrimitive()) {
      size.components = saturatingAdd(size.components, 1);
      ++frame.next;
      continue;
    }
    std::optional<std::uint32_t> target;
    if (component.kind.isSubCircuitRef()) target = targets.find(module.file_id, component.kind.sub_circuit_ref.name);
    if (!target || *target >= file_count) {
      ++frame.next;
      continue;
    }
    if (visits[*target] == Visit::unvisited) {
      visits[*target] = Visit::in_progress;
      stack.push_back({*target, 0});  // `frame` is not used again before the target is done
      continue;
    }
    const FlattenedSize inner = visits[*target] == Visit::done ? sizes[*target] : FlattenedSize{kEndless, kEndless};
    size.components = saturatingAdd(size.components, inner.components);
    // Every primitive of the instance gains one enclosing frame.
    size.frames = saturatingAdd(size.frames, saturatingAdd(inner.components, inner.frames));
    ++frame.next;
  }
  return sizes[project.root_file_id.value];
}

bool fitsLimits(const types::Project& project) {
  FlattenedSize size = measure(project);
  return size.components <= kMaxComponents && size.frames <= kMaxFrames;
}

}  // namespace vorn::flattened_size
