#include "validator/passes/name_collision.hpp"

#include <string_view>

#include "ir/name_table.hpp"
#include "validator/passes/port_table.hpp"

namespace vorn::name_collision {

void run(const types::Module& module, std::vector<diagnostics::Diagnostic>& diagnostics) {
  using diagnostics::DiagnosticCode;
  // Instance name -> index of its first declaration.
  resolver::NameTable first_seen;
  first_seen.reserve(module.components.size());
  for (const types::Component& component : module.components) {
    const std::string_view name = component.instance_name;
    if (name.empty()) continue;
    if (port_table::isBuiltinName(name)) {
      diagnostics.push_back(diagnostics::makeDiagnostic<DiagnosticCode::E006>(component.span, {name}));
    }
    auto [first, inserted] = first_seen.insert(name, static_cast<std::uint32_t>(&component - module.components.data()));
    if (inserted) continue;
    const Span first_span = module.components[first].span;
    diagnostics.push_back(diagnostics::makeDiagnostic<DiagnosticCode::E005>(
        component.span, {name}, {diagnostics::makeNote<diagnostics::NoteKind::first_declared>(first_span, {name})}));
  }
}

}  // namespace vorn::name_collision
