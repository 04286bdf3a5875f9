#include "validator/passes/name_resolution.hpp"

#include <string>

namespace vorn::name_resolution {

void run(const types::Module& module, std::vector<diagnostics::Diagnostic>& diagnostics) {
  for (const types::Component& component : module.components) {
    if (!component.kind.isUnresolvedName()) continue;
    std::string message = "undeclared name '";
    message.append(component.kind.unresolved_name).append("'");
    diagnostics.push_back(diagnostics::makeError(diagnostics::DiagnosticCode::E001, std::move(message), component.span));
  }
}

}  // namespace vorn::name_resolution
