#include "validator/passes/dead_code.hpp"

#include <cstdint>
#include <unordered_set>

namespace vorn::dead_code {

void run(const types::Module& module, std::vector<diagnostics::Diagnostic>& diagnostics) {
  if (module.inputs.empty()) return;
  std::unordered_set<std::uint32_t> sources;
  sources.reserve(module.connections.size());
  for (const types::Connection& connection : module.connections) sources.insert(connection.from.component.value);
  for (const types::InputPin& input : module.inputs) {
    if (sources.contains(input.component.value)) continue;
    diagnostics.push_back(diagnostics::makeDiagnostic<diagnostics::DiagnosticCode::W001>(input.span, {input.name}));
  }
}

}  // namespace vorn::dead_code
