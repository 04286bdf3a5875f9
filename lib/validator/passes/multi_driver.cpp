#include "validator/passes/multi_driver.hpp"

#include <string>

#include "validator/passes/endpoint_index.hpp"
#include "validator/passes/port_table.hpp"

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

  // An output's one input is "in": each binding of that port drives it, and
  // a second one is reported there, listing each whose signal resolved. A
  // binding of any other port is E002 only and drives nothing.
  const auto& bindings = module.output_bindings;
  std::vector<const types::OutputBinding*> drivers_of_output;
  for (std::size_t first = 0, end = 0; first < bindings.size(); first = end) {
    drivers_of_output.clear();
    for (end = first; end < bindings.size() && bindings[end].output == bindings[first].output; ++end) {
      if (port_table::isValidInputPort(types::PrimitiveKind::output_pin, bindings[end].port)) {
        drivers_of_output.push_back(&bindings[end]);
      }
    }
    if (drivers_of_output.size() < 2) continue;
    std::vector<diagnostics::DiagnosticNote> notes;
    for (const types::OutputBinding* binding : drivers_of_output) {
      if (!binding->source.component.isValid()) continue;
      notes.push_back(diagnostics::makeNote<diagnostics::NoteKind::driver>(
          binding->span, {std::to_string(binding->source.component.value), binding->source.port}));
    }
    diagnostics.push_back(diagnostics::makeDiagnostic<diagnostics::DiagnosticCode::E003>(drivers_of_output[1]->span,
                                                                                         {"in"}, std::move(notes)));
  }
}

}  // namespace vorn::multi_driver
