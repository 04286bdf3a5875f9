#include "validator/passes/unused_import.hpp"

#include <string_view>
#include <unordered_set>

namespace vorn::unused_import {

void run(const types::Module& module, std::vector<diagnostics::Diagnostic>& diagnostics) {
  if (module.imports.empty()) return;
  std::unordered_set<std::string_view> used_aliases;
  for (const types::Component& component : module.components) {
    if (component.kind.isSubCircuitRef()) used_aliases.insert(component.kind.sub_circuit_ref.name);
  }
  for (const types::UnresolvedImport& import : module.imports) {
    // Built-in macros are bound to every file; not using them is normal.
    if (import.implicit_builtin) continue;
    if (used_aliases.contains(import.alias)) continue;
    diagnostics.push_back(diagnostics::makeDiagnostic<diagnostics::DiagnosticCode::W003>(import.span, {import.alias}));
  }
}

}  // namespace vorn::unused_import
