#include "validator/passes/name_resolution.hpp"

namespace vorn::name_resolution {

void run(const types::Module& module, std::vector<diagnostics::Diagnostic>& diagnostics) {
  for (const types::Component& component : module.components) {
    if (!component.kind.isUnresolvedName()) continue;
    diagnostics.push_back(diagnostics::makeDiagnostic<diagnostics::DiagnosticCode::E001>(
        component.span, {component.kind.unresolved_name}));
  }
}

}  // namespace vorn::name_resolution
