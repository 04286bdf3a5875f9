#include "validator/passes/name_collision.hpp"

#include <string_view>
#include <unordered_map>

#include "validator/passes/port_table.hpp"

namespace vorn::name_collision {

void run(const types::Module& module, std::vector<diagnostics::Diagnostic>& diagnostics) {
  using diagnostics::DiagnosticCode;
  std::unordered_map<std::string_view, Span> first_seen_span;
  first_seen_span.reserve(module.components.size());
  for (const types::Component& component : module.components) {
    const std::string_view name = component.instance_name;
    if (name.empty()) continue;
    if (port_table::isBuiltinName(name)) {
      diagnostics.push_back(diagnostics::makeDiagnostic<DiagnosticCode::E006>(component.span, {name}));
    }
    auto [entry, inserted] = first_seen_span.try_emplace(name, component.span);
    if (inserted) continue;
    diagnostics.push_back(diagnostics::makeDiagnostic<DiagnosticCode::E005>(
        component.span, {name}, {diagnostics::makeNote<diagnostics::NoteKind::first_declared>(entry->second, {name})}));
  }
}

}  // namespace vorn::name_collision
