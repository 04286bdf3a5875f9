#include "validator/passes/port_validation.hpp"

#include <string>

#include "ir/component_lookup.hpp"
#include "validator/passes/port_table.hpp"

namespace vorn::port_validation {

void run(const types::Module& module, std::vector<diagnostics::Diagnostic>& diagnostics) {
  using diagnostics::DiagnosticCode;
  const component_lookup::ComponentLookup lookup(module);
  for (const types::Connection& connection : module.connections) {
    const types::Component* destination = lookup.find(connection.to.component);
    // A connection into nothing is not judged at either end.
    if (destination == nullptr) continue;
    if (destination->kind.isPrimitive() &&
        !port_table::isValidInputPort(destination->kind.primitive, connection.to.port)) {
      std::string message = "unknown input port '";
      message.append(connection.to.port).append("'");
      diagnostics.push_back(diagnostics::makeError(DiagnosticCode::E002, std::move(message), connection.span));
    }
    const types::Component* source = lookup.find(connection.from.component);
    if (source != nullptr && source->kind.isPrimitive() &&
        !port_table::isValidOutputPort(source->kind.primitive, connection.from.port)) {
      std::string message = "unknown output port '";
      message.append(connection.from.port).append("'");
      diagnostics.push_back(diagnostics::makeError(DiagnosticCode::E002, std::move(message), connection.span));
    }
  }
}

}  // namespace vorn::port_validation
