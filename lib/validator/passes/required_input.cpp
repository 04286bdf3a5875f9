#include "validator/passes/required_input.hpp"

#include "validator/passes/endpoint_index.hpp"
#include "validator/passes/port_table.hpp"

namespace vorn::required_input {

void run(const types::Module& module, const endpoint_index::EndpointIndex& drivers,
         std::vector<diagnostics::Diagnostic>& diagnostics) {
  for (const types::Component& component : module.components) {
    if (!component.kind.isPrimitive()) continue;
    for (std::string_view port : port_table::requiredInputs(component.kind.primitive)) {
      if (drivers.contains(component.id, port)) continue;
      diagnostics.push_back(diagnostics::makeDiagnostic<diagnostics::DiagnosticCode::E004>(component.span, {port}));
    }
  }
}

}  // namespace vorn::required_input
