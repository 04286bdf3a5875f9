#include "validator/passes/sub_circuit_validation.hpp"

#include <functional>
#include <string>

#include "ir/component_lookup.hpp"
#include "validator/passes/endpoint_index.hpp"

namespace vorn::sub_circuit_validation {

TargetIndex::TargetIndex(const types::Project& project) : project_(&project), targets_(project.import_table) {}

const types::Module* TargetIndex::findTargetModule(types::FileId importing_file, std::string_view alias) const {
  auto found = targets_.find(importing_file, alias);
  // A record pointing outside the project finds nothing rather than reading past the files.
  if (!found || *found >= project_->files.size()) return nullptr;
  return &project_->files[*found];
}

const TargetIndex::PinNames& TargetIndex::pinNames(const types::Module& target) const {
  auto [entry, inserted] = pin_names_.try_emplace(&target);
  if (inserted) {
    for (const types::InputPin& pin : target.inputs) entry->second.inputs.insert(pin.name);
    for (const types::OutputPin& pin : target.outputs) entry->second.outputs.insert(pin.name);
  }
  return entry->second;
}

bool TargetIndex::hasInputPort(const types::Module& target, std::string_view name) const {
  return pinNames(target).inputs.contains(name);
}

bool TargetIndex::hasOutputPort(const types::Module& target, std::string_view name) const {
  return pinNames(target).outputs.contains(name);
}

void runForModule(const TargetIndex& targets, const types::Module& module,
                  std::vector<diagnostics::Diagnostic>& diagnostics) {
  using diagnostics::DiagnosticCode;
  using endpoint_index::EndpointIndex;
  const component_lookup::ComponentLookup lookup(module);

  auto targetOf = [&](const types::Component* component) -> const types::Module* {
    if (component == nullptr || !component->kind.isSubCircuitRef()) return nullptr;
    return targets.findTargetModule(module.file_id, component->kind.sub_circuit_ref.name);
  };

  // Ports used on connections.
  for (const types::Connection& connection : module.connections) {
    const types::Component* destination = lookup.findComponent(connection.to.component);
    if (const types::Module* target = targetOf(destination);
        target != nullptr && !targets.hasInputPort(*target, connection.to.port)) {
      diagnostics.push_back(diagnostics::makeDiagnostic<DiagnosticCode::E012>(
          connection.span, {destination->kind.sub_circuit_ref.name, "input", connection.to.port}));
    }
    const types::Component* source = lookup.findComponent(connection.from.component);
    if (const types::Module* target = targetOf(source);
        target != nullptr && !targets.hasOutputPort(*target, connection.from.port)) {
      diagnostics.push_back(diagnostics::makeDiagnostic<DiagnosticCode::E012>(
          connection.span, {source->kind.sub_circuit_ref.name, "output", connection.from.port}));
    }
  }

  bool any_instance = false;
  for (const types::Component& component : module.components) {
    if (component.kind.isSubCircuitRef()) {
      any_instance = true;
      break;
    }
  }
  if (!any_instance) return;

  // Every pin of every instance's target that no connection on `side` names,
  // in component order.
  auto forEachUnconnected = [&](EndpointIndex::Side side, auto pinsOf, auto report) {
    const EndpointIndex index(module, side);
    for (const types::Component& component : module.components) {
      const types::Module* target = targetOf(&component);
      if (target == nullptr) continue;
      for (const auto& pin : pinsOf(*target)) {
        if (!index.contains(component.id, pin.name)) report(component, pin.name);
      }
    }
  };
  // Unconnected inputs.
  forEachUnconnected(
      EndpointIndex::Side::destination, [](const types::Module& target) -> const auto& { return target.inputs; },
      [&](const types::Component& component, std::string_view pin) {
        diagnostics.push_back(diagnostics::makeDiagnostic<DiagnosticCode::E013>(
            component.span, {component.kind.sub_circuit_ref.name, pin}));
      });
  // Outputs nobody reads.
  forEachUnconnected(
      EndpointIndex::Side::source, [](const types::Module& target) -> const auto& { return target.outputs; },
      [&](const types::Component& component, std::string_view pin) {
        diagnostics.push_back(diagnostics::makeDiagnostic<DiagnosticCode::W002>(
            component.span, {pin, component.kind.sub_circuit_ref.name}));
      });
}

void runForModule(const types::Project& project, const types::Module& module,
                  std::vector<diagnostics::Diagnostic>& diagnostics) {
  const TargetIndex targets(project);
  runForModule(targets, module, diagnostics);
}

}  // namespace vorn::sub_circuit_validation
