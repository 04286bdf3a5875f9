#include "emit/build_fn.hpp"

#include <string>

#include "ir/component_lookup.hpp"

namespace vorn::build_fn {

namespace {

// Where the sub-circuit instances of a project file find their build
// functions; a single module has none and refuses instances.
struct SubCircuitTargets {
  const import_targets::ImportTargets& targets;
  types::FileId file;
  std::size_t file_count;
};

void emitPinStructFields(writer::Writer& out, const types::Module& module) {
  out.indent();
  for (const types::InputPin& pin : module.inputs)
    out.writeLineFmt("{}: *engine.Component,", writer::inputField(pin.name));
  for (const types::OutputPin& pin : module.outputs) {
    out.writeLineFmt("{}: *engine.Component,", writer::outputField(pin.name));
  }
  out.dedent();
}

Result<void> emitComponents(writer::Writer& out, const types::Module& module, const SubCircuitTargets* sub_circuits) {
  out.indent();
  for (const types::Component& component : module.components) {
    switch (component.kind.tag) {
      case types::ComponentKind::Tag::primitive:
        out.writeLineFmt("const {} = try circuit.createComponent({});", writer::componentVariable(component),
                         writer::primitiveExpression(component.kind.primitive));
        break;
      case types::ComponentKind::Tag::sub_circuit_ref: {
        if (sub_circuits == nullptr) return fail(Error::UnsupportedSubCircuitInPhase4);
        std::optional<std::uint32_t> target =
            sub_circuits->targets.find(sub_circuits->file, component.kind.sub_circuit_ref.name);
        if (!target || *target >= sub_circuits->file_count) return fail(Error::UnresolvedSubCircuitTarget);
        out.writeLineFmt("const {} = try buildFile_{}(circuit);", writer::subCircuitVariable(component), *target);
        break;
      }
      case types::ComponentKind::Tag::unresolved_name: return fail(Error::UnresolvedComponentName);
    }
  }
  out.dedent();
  return {};
}

// A sub-circuit instance is reached through the pin components its build
// function returned; a primitive through its own port.
std::string fromExpression(const types::Component& component, std::string_view port) {
  if (component.kind.isSubCircuitRef()) {
    return writer::subCircuitVariable(component) + "." + writer::outputField(port) + ".port(\"out\")";
  }
  return writer::componentVariable(component) + ".port(" + writer::zigStringLiteral(port) + ")";
}

std::string toExpression(const types::Component& component, std::string_view port) {
  if (component.kind.isSubCircuitRef()) {
    return writer::subCircuitVariable(component) + "." + writer::inputField(port) + ".port(\"in\")";
  }
  return writer::componentVariable(component) + ".port(" + writer::zigStringLiteral(port) + ")";
}

Result<void> emitConnections(writer::Writer& out, const types::Module& module,
                             const component_lookup::ComponentLookup& lookup) {
  out.indent();
  for (const types::Connection& connection : module.connections) {
    const types::Component* from = lookup.findComponent(connection.from.component);
    if (from == nullptr) return fail(Error::InvalidFromComponentId);
    const types::Component* to = lookup.findComponent(connection.to.component);
    if (to == nullptr) return fail(Error::InvalidToComponentId);
    out.writeLineFmt("try circuit.connect({}, {});", fromExpression(*from, connection.from.port),
                     toExpression(*to, connection.to.port));
  }
  out.dedent();
  return {};
}

Result<void> emitPinReturn(writer::Writer& out, const types::Module& module,
                           const component_lookup::ComponentLookup& lookup) {
  out.indent();
  out.writeLine("return .{");
  out.indent();
  for (const types::InputPin& pin : module.inputs) {
    const types::Component* component = lookup.findComponent(pin.component);
    if (component == nullptr) return fail(Error::InvalidInputComponentId);
    out.writeLineFmt(".{} = {},", writer::inputField(pin.name), writer::componentVariable(*component));
  }
  for (const types::OutputPin& pin : module.outputs) {
    const types::Component* by_name = lookup.findOutputPin(pin.name);
    if (by_name == nullptr) return fail(Error::MissingOutputComponent);
    const types::Component* component = lookup.findComponent(by_name->id);
    if (component == nullptr) return fail(Error::InvalidOutputComponentId);
    out.writeLineFmt(".{} = {},", writer::outputField(pin.name), writer::componentVariable(*component));
  }
  out.dedent();
  out.writeLine("};");
  out.dedent();
  return {};
}

// The body shared by both kinds of build function, after its first line.
Result<void> emitBuildBody(writer::Writer& out, const types::Module& module, const SubCircuitTargets* sub_circuits) {
  const component_lookup::ComponentLookup lookup(module);
  emitPinStructFields(out, module);
  out.writeLine("} {");
  VORN_TRY_VOID(emitComponents(out, module, sub_circuits));
  VORN_TRY_VOID(emitConnections(out, module, lookup));
  VORN_TRY_VOID(emitPinReturn(out, module, lookup));
  out.writeLine("}");
  return {};
}

}  // namespace

Result<void> emitBuildFunction(writer::Writer& out, const types::Module& module) {
  out.writeLine("fn buildCircuit(circuit: *engine.Circuit) !struct {");
  return emitBuildBody(out, module, nullptr);
}

Result<void> emitFileBuildFunction(writer::Writer& out, const types::Project& project, std::uint32_t file_id,
                                   const import_targets::ImportTargets& targets) {
  const SubCircuitTargets sub_circuits{targets, types::FileId{file_id}, project.files.size()};
  out.writeLineFmt("fn buildFile_{}(circuit: *engine.Circuit) !struct {{", file_id);
  return emitBuildBody(out, project.files[file_id], &sub_circuits);
}

}  // namespace vorn::build_fn
