#include <string>
#include <unordered_map>

#include "core/check.hpp"
#include "emit/project.hpp"
#include "ir/component_lookup.hpp"
#include "ir/import_targets.hpp"
#include "ir/instance_walk.hpp"

namespace vorn::project {

namespace {

struct WalkContext {
  const types::Project& project;
  const import_targets::ImportTargets& targets;
  ProjectLayout& layout;
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

// Names every instance and primitive that the project walk reaches from the
// root file, in the walk's order.
Result<void> walkFile(WalkContext& context, std::uint32_t root_file_id, std::string_view source_name) {
  static constexpr instance_walk::WalkErrors kErrors{Error::UnresolvedSubCircuitTarget, Error::UnresolvedComponentName};
  std::vector<instance_walk::Instance> instances;
  std::vector<instance_walk::Primitive> primitives;
  VORN_TRY_VOID(instance_walk::walkInstances(
      context.project, context.targets,
      {&context.project.files[root_file_id], root_file_id, instance_walk::kNoInstance, nullptr}, instances, primitives,
      kErrors));

  // Instance 0 is the root; instance i > 0 is sub_circuits[i - 1].
  ProjectLayout& layout = context.layout;
  const std::vector<std::string_view> root_path{source_name};
  auto pathOf = [&](std::uint32_t instance) -> const std::vector<std::string_view>& {
    return instance == 0 ? root_path : layout.sub_circuits[instance - 1].instance_path;
  };
  layout.sub_circuits.reserve(instances.size() - 1);
  for (std::uint32_t i = 1; i < instances.size(); ++i) {
    std::string_view segment = nameOr(*layout.names, *instances[i].component, "anon_");
    layout.sub_circuits.push_back(SubCircuitEntry{extended(pathOf(instances[i].parent), segment), instances[i].file});
  }

  layout.entries.reserve(primitives.size());
  for (std::uint32_t global_id = 0; global_id < primitives.size(); ++global_id) {
    const types::Component& component = *primitives[global_id].component;
    const std::uint32_t instance = primitives[global_id].instance;
    // Unnamed primitives get "comp_{id}" here, matching their variable.
    std::string_view leaf = nameOr(*layout.names, component, "comp_");
    layout.entries.push_back(ComponentEntry{.segments = extended(pathOf(instance), leaf),
                                            .global_id = global_id,
                                            .file_id = instances[instance].file,
                                            .local_id = component.id.value});
    if (instance == 0) {
      if (component.kind.primitive == types::PrimitiveKind::output_pin) {
        context.root_outputs[component.id.value] = global_id;
      } else if (component.kind.primitive == types::PrimitiveKind::input_pin) {
        context.root_inputs[component.id.value] = global_id;
      }
    }
  }
  return {};
}

}  // namespace

std::optional<std::uint32_t> lookupTargetFile(const std::vector<types::ResolvedImport>& import_table,
                                              types::FileId importing_file, std::string_view alias) {
  return import_targets::ImportTargets(import_table).find(importing_file, alias);
}

std::optional<types::ComponentId> findOutputPinComponent(const std::vector<types::Component>& components,
                                                         std::string_view name) {
  const types::Component* found = component_lookup::ComponentLookup(components).findOutputPin(name);
  if (found == nullptr) return std::nullopt;
  return found->id;
}

Result<ProjectLayout> computeLayout(const types::Project& project, std::string_view source_name) {
  const std::uint32_t root_id = project.root_file_id.value;
  // Resolution always gives the root file id 0 among at least one file.
  VORN_CHECK(root_id < project.files.size());
  ProjectLayout layout;
  const import_targets::ImportTargets targets(project.import_table);
  WalkContext context{.project = project, .targets = targets, .layout = layout, .root_inputs = {}, .root_outputs = {}};
  VORN_TRY_VOID(walkFile(context, root_id, source_name));

  const types::Module& root = project.files[root_id];
  layout.root_input_global_ids.reserve(root.inputs.size());
  for (const types::InputPin& pin : root.inputs) {
    auto found = context.root_inputs.find(pin.component.value);
    if (found == context.root_inputs.end()) return fail(Error::MissingRootInputId);
    layout.root_input_global_ids.push_back(found->second);
  }
  const component_lookup::ComponentLookup root_components(root);
  layout.root_output_global_ids.reserve(root.outputs.size());
  for (const types::OutputPin& pin : root.outputs) {
    const types::Component* by_name = root_components.findOutputPin(pin.name);
    if (by_name == nullptr) return fail(Error::MissingRootOutputId);
    auto found = context.root_outputs.find(by_name->id.value);
    if (found == context.root_outputs.end()) return fail(Error::MissingRootOutputId);
    layout.root_output_global_ids.push_back(found->second);
  }
  layout.expected_count = static_cast<std::uint32_t>(layout.entries.size());
  return layout;
}

}  // namespace vorn::project
