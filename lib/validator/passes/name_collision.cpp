#include "validator/passes/name_collision.hpp"

#include <string>
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
      std::string message = "instance name '";
      message.append(name).append("' shadows built-in");
      diagnostics.push_back(diagnostics::makeError(DiagnosticCode::E006, std::move(message), component.span));
    }
    auto [entry, inserted] = first_seen_span.try_emplace(name, component.span);
    if (inserted) continue;
    std::string message = "duplicate instance name '";
    message.append(name).append("'");
    std::string note = "first declared as '";
    note.append(name).append("' here");
    diagnostics.push_back(diagnostics::makeError(DiagnosticCode::E005, std::move(message), component.span,
                                                 {diagnostics::DiagnosticNote{std::move(note), entry->second}}));
  }
}

}  // namespace vorn::name_collision
