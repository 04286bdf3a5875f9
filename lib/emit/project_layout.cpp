#include <string>
#include <unordered_map>

#include "ir/import_targets.hpp"
#include "emit/project.hpp"

namespace vorn::project {

namespace {

// One file instance being walked; the stack of these replaces recursion so
// that deep sub-circuit nesting cannot exhaust the call stack.
struct Frame {
  std::uint32_t file_id = 0;
  std::size_t next_component = 0;
  std::vector<std::string_view> prefix;
};

struct WalkContext {
  const types::Project& project;
  const import_targets::ImportTargets& targets;
  ProjectLayout& layout;
  std::uint32_t next_global_id = 0;
  // Pin component id -> global id, filled for the root file only: pins of
  // nested instances never reach the root's maps.
  std::unordered_map<std::uint32_t, std::uint32_t> root_inputs;
  std::unordered_map<std::uint32_t, std::uint32_t> root_outputs;
};

std::vector<std::string_view> extended(const std::vector<std::string_view>& prefix, std::string_view segment) {
  std::vector<std::string_view> result;
  result.reserve(prefix.size() + 1);
  result.insert(result.end(), prefix.begin(), prefix.end());
  result.push_back(segment);
  return result;
}

std::string_view nameOr(TextArena& names, const types::Component& component, std::string_view fallback_prefix) {
  if (!component.instance_name.empty()) return component.instance_name;
  return names.store(std::string(fallback_prefix) + std::to_string(component.id.value));
}

Result<void> walkFile(WalkContext& context, std::uint32_t root_file_id, std::string_view source_name) {
  const std::vector<types::Module>& files = context.project.files;
  std::vector<bool> on_stack(files.size(), false);
  std::vector<Frame> stack;
  stack.push_back(Frame{root_file_id, 0, {source_name}});
  on_stack[root_file_id] = true;

  while (!stack.empty()) {
    Frame& frame = stack.back();
    const types::Module& module = files[frame.file_id];
    if (frame.next_component == module.components.size()) {
      on_stack[frame.file_id] = false;
      stack.pop_back();
      continue;
    }
    const types::Component& component = module.components[frame.next_component++];
    switch (component.kind.tag) {
      case types::ComponentKind::Tag::primitive: {
        const std::uint32_t global_id = context.next_global_id++;
        // Unnamed primitives get "comp_{id}" here, matching their variable.
        std::string_view leaf = nameOr(*context.layout.names, component, "comp_");
        context.layout.entries.push_back(
            ComponentEntry{extended(frame.prefix, leaf), global_id, frame.file_id, component.id.value});
        if (stack.size() == 1) {
          if (component.kind.primitive == types::PrimitiveKind::output_pin) {
            context.root_outputs[component.id.value] = global_id;
          } else if (component.kind.primitive == types::PrimitiveKind::input_pin) {
            context.root_inputs[component.id.value] = global_id;
          }
        }
        break;
      }
      case types::ComponentKind::Tag::sub_circuit_ref: {
        std::optional<std::uint32_t> target =
            context.targets.find(types::FileId{frame.file_id}, component.kind.sub_circuit_ref.name);
        if (!target || *target >= files.size()) return fail(Error::UnresolvedSubCircuitTarget);
        std::string_view segment = nameOr(*context.layout.names, component, "anon_");
        std::vector<std::string_view> path = extended(frame.prefix, segment);
        context.layout.sub_circuits.push_back(SubCircuitEntry{path, *target});
        // Import cycles are rejected before emission; a file inside itself
        // would otherwise expand without end.
        if (on_stack[*target]) return fail(Error::InternalError);
        on_stack[*target] = true;
        stack.push_back(Frame{*target, 0, std::move(path)});  // invalidates `frame`
        break;
      }
      case types::ComponentKind::Tag::unresolved_name: return fail(Error::UnresolvedComponentName);
    }
  }
  return {};
}

}  // namespace

std::optional<std::uint32_t> lookupTargetFile(const std::vector<types::ResolvedImport>& import_table,
                                              types::FileId importing_file, std::string_view alias) {
  for (const types::ResolvedImport& record : import_table) {
    if (record.importing_file == importing_file && record.alias == alias) return record.target_file.value;
  }
  return std::nullopt;
}

std::optional<types::ComponentId> findOutputPinComponent(const std::vector<types::Component>& components,
                                                         std::string_view name) {
  for (const types::Component& component : components) {
    if (component.kind.isPrimitive(types::PrimitiveKind::output_pin) && component.instance_name == name) {
      return component.id;
    }
  }
  return std::nullopt;
}

Result<ProjectLayout> computeLayout(const types::Project& project, std::string_view source_name) {
  const std::uint32_t root_id = project.root_file_id.value;
  if (root_id >= project.files.size()) return fail(Error::InternalError);
  ProjectLayout layout;
  const import_targets::ImportTargets targets(project.import_table);
  WalkContext context{project, targets, layout, 0, {}, {}};
  if (auto walked = walkFile(context, root_id, source_name); !walked) return fail(walked.error());

  const types::Module& root = project.files[root_id];
  layout.root_input_global_ids.reserve(root.inputs.size());
  for (const types::InputPin& pin : root.inputs) {
    auto found = context.root_inputs.find(pin.component.value);
    if (found == context.root_inputs.end()) return fail(Error::MissingRootInputId);
    layout.root_input_global_ids.push_back(found->second);
  }
  // One pass over the root's components gives the first output pin per name.
  std::unordered_map<std::string_view, std::uint32_t> output_pin_by_name;
  for (const types::Component& component : root.components) {
    if (component.kind.isPrimitive(types::PrimitiveKind::output_pin)) {
      output_pin_by_name.try_emplace(component.instance_name, component.id.value);
    }
  }
  layout.root_output_global_ids.reserve(root.outputs.size());
  for (const types::OutputPin& pin : root.outputs) {
    auto by_name = output_pin_by_name.find(pin.name);
    if (by_name == output_pin_by_name.end()) return fail(Error::MissingRootOutputId);
    auto found = context.root_outputs.find(by_name->second);
    if (found == context.root_outputs.end()) return fail(Error::MissingRootOutputId);
    layout.root_output_global_ids.push_back(found->second);
  }
  layout.expected_count = static_cast<std::uint32_t>(layout.entries.size());
  return layout;
}

}  // namespace vorn::project
