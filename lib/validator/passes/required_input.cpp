#include "validator/passes/required_input.hpp"

#include <string>

#include "validator/passes/endpoint_index.hpp"
#include "validator/passes/port_table.hpp"

namespace vorn::required_input {

void run(const types::Module& module, std::vector<diagnostics::Diagnostic>& diagnostics) {
  using endpoint_index::EndpointIndex;
  const EndpointIndex drivers(module, EndpointIndex::Side::destination);
  for (const types::Component& component : module.components) {
    if (!component.kind.isPrimitive()) continue;
    for (std::string_view port : port_table::requiredInputs(component.kind.primitive)) {
      if (drivers.contains(component.id, port)) continue;
      std::string message = "required input '";
      message.append(port).append("' is unconnected");
      diagnostics.push_back(diagnostics::makeError(diagnostics::DiagnosticCode::E004, std::move(message), component.span));
    }
  }
}

}  // namespace vorn::required_input
