#include "emit/build_fn.hpp"

#include <string>

#include "emit/component_index.hpp"

namespace vorn::build_fn {

void emitPinStructFields(writer::Writer& out, const types::Module& module) {
  out.indent();
  for (const types::InputPin& pin : module.inputs) out.writeLineFmt("{}: *engine.Component,", writer::inputField(pin.name));
  for (const types::OutputPin& pin : module.outputs) {
    out.writeLineFmt("{}: *engine.Component,", writer::outputField(pin.name));
  }
  out.dedent();
}

namespace {

Result<void> emitComponents(writer::Writer& out, const types::Module& module) {
  out.indent();
  for (const types::Component& component : module.components) {
    switch (component.kind.tag) {
      case types::ComponentKind::Tag::primitive:
        out.writeLineFmt("const {} = try circuit.createComponent({});", writer::componentVariable(component),
                         writer::primitiveExpression(component.kind.primitive));
        break;
      case types::ComponentKind::Tag::sub_circuit_ref: return fail(Error::UnsupportedSubCircuitInPhase4);
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

}  // namespace

Result<void> emitConnections(writer::Writer& out, const types::Module& module,
                             const component_index::ComponentIndex& index) {
  out.indent();
  for (const types::Connection& connection : module.connections) {
    const types::Component* from = index.find(connection.from.component);
    if (from == nullptr) return fail(Error::InvalidFromComponentId);
    const types::Component* to = index.find(connection.to.component);
    if (to == nullptr) return fail(Error::InvalidToComponentId);
    out.writeLineFmt("try circuit.connect({}, {});", fromExpression(*from, connection.from.port),
                     toExpression(*to, connection.to.port));
  }
  out.dedent();
  return {};
}

Result<void> emitPinReturn(writer::Writer& out, const types::Module& module,
                           const component_index::ComponentIndex& index) {
  out.indent();
  out.writeLine("return .{");
  out.indent();
  for (const types::InputPin& pin : module.inputs) {
    const types::Component* component = index.find(pin.component);
    if (component == nullptr) return fail(Error::InvalidInputComponentId);
    out.writeLineFmt(".{} = {},", writer::inputField(pin.name), writer::componentVariable(*component));
  }
  for (const types::OutputPin& pin : module.outputs) {
    const types::Component* by_name = index.findOutputPin(pin.name);
    if (by_name == nullptr) return fail(Error::MissingOutputComponent);
    const types::Component* component = index.find(by_name->id);
    if (component == nullptr) return fail(Error::InvalidOutputComponentId);
    out.writeLineFmt(".{} = {},", writer::outputField(pin.name), writer::componentVariable(*component));
  }
  out.dedent();
  out.writeLine("};");
  out.dedent();
  return {};
}

Result<void> emitBuildFunction(writer::Writer& out, const types::Module& module) {
  const component_index::ComponentIndex index(module.components);
  out.writeLine("fn buildCircuit(circuit: *engine.Circuit) !struct {");
  emitPinStructFields(out, module);
  out.writeLine("} {");
  if (auto done = emitComponents(out, module); !done) return done;
  if (auto done = emitConnections(out, module, index); !done) return done;
  if (auto done = emitPinReturn(out, module, index); !done) return done;
  out.writeLine("}");
  return {};
}

}  // namespace vorn::build_fn
