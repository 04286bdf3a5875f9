#include "validator/passes/name_collision.hpp"

#include <optional>
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
    const std::optional<std::uint32_t> first = first_seen.find(name);
    if (!first) {
      first_seen.assign(name, static_cast<std::uint32_t>(&component - module.components.data()));
      continue;
    }
    const Span first_span = module.components[*first].span;
    diagnostics.push_back(diagnostics::makeDiagnostic<DiagnosticCode::E005>(
        component.span, {name}, {diagnostics::makeNote<diagnostics::NoteKind::first_declared>(first_span, {name})}));
  }
}

}  // namespace vorn::name_collision
