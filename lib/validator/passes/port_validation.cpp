#include "validator/passes/port_validation.hpp"

#include "ir/component_lookup.hpp"
#include "validator/passes/port_table.hpp"

namespace vorn::port_validation {

void run(const types::Module& module, std::vector<diagnostics::Diagnostic>& diagnostics) {
  using diagnostics::DiagnosticCode;
  const component_lookup::ComponentLookup lookup(module);
  for (const types::Connection& connection : module.connections) {
    const types::Component* destination = lookup.findComponent(connection.to.component);
    // A connection into nothing is not judged at either end.
    if (destination == nullptr) continue;
    if (destination->kind.isPrimitive() &&
        !port_table::isValidInputPort(destination->kind.primitive, connection.to.port)) {
      diagnostics.push_back(
          diagnostics::makeDiagnostic<DiagnosticCode::E002>(connection.span, {"input", connection.to.port}));
    }
    const types::Component* source = lookup.findComponent(connection.from.component);
    if (source != nullptr && source->kind.isPrimitive() &&
        !port_table::isValidOutputPort(source->kind.primitive, connection.from.port)) {
      diagnostics.push_back(
          diagnostics::makeDiagnostic<DiagnosticCode::E002>(connection.span, {"output", connection.from.port}));
    }
  }
  // An output pin's only input is "in", whatever its bindings name.
  for (const types::OutputBinding& binding : module.output_bindings) {
    if (port_table::isValidInputPort(types::PrimitiveKind::output_pin, binding.port)) continue;
    diagnostics.push_back(diagnostics::makeDiagnostic<DiagnosticCode::E002>(binding.span, {"input", binding.port}));
  }
}

}  // namespace vorn::port_validation
