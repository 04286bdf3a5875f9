#include "validator/passes/multi_driver.hpp"

#include <string>

#include "validator/passes/endpoint_index.hpp"

namespace vorn::multi_driver {

void run(const types::Module& module, const endpoint_index::EndpointIndex& drivers,
         std::vector<diagnostics::Diagnostic>& diagnostics) {
  using endpoint_index::EndpointIndex;
  const auto& connections = module.connections;
  for (std::size_t i = 0; i < connections.size(); ++i) {
    const types::Connection& connection = connections[i];
    // Each port is reported once, at its first driving connection, which is
    // also the only place where its group holds every driver.
    if (drivers.first(connection.to.component, connection.to.port) != i) continue;
    if (drivers.groupSize(i) < 2) continue;
    std::vector<diagnostics::DiagnosticNote> notes;
    for (std::size_t member = i; member != EndpointIndex::kNone; member = drivers.next(member)) {
      const types::Connection& driver = connections[member];
      notes.push_back(diagnostics::makeNote<diagnostics::NoteKind::driver>(
          driver.span, {std::to_string(driver.from.component.value), driver.from.port}));
    }
    diagnostics.push_back(diagnostics::makeDiagnostic<diagnostics::DiagnosticCode::E003>(
        connection.span, {connection.to.port}, std::move(notes)));
  }

  // Every binding of an output drives its one input "in": a second binding
  // is reported there, listing each binding whose signal resolved.
  const auto& bindings = module.output_bindings;
  for (std::size_t first = 0, end = 0; first < bindings.size(); first = end) {
    end = first + 1;
    while (end < bindings.size() && bindings[end].output == bindings[first].output) ++end;
    if (end - first < 2) continue;
    std::vector<diagnostics::DiagnosticNote> notes;
    for (std::size_t member = first; member < end; ++member) {
      const types::OutputBinding& binding = bindings[member];
      if (!binding.source.component.isValid()) continue;
      notes.push_back(diagnostics::makeNote<diagnostics::NoteKind::driver>(
          binding.span, {std::to_string(binding.source.component.value), binding.source.port}));
    }
    diagnostics.push_back(diagnostics::makeDiagnostic<diagnostics::DiagnosticCode::E003>(bindings[first + 1].span,
                                                                                         {"in"}, std::move(notes)));
  }
}

}  // namespace vorn::multi_driver
