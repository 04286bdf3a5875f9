#include "validator/passes/dead_code.hpp"

#include <cstdint>
#include <string>
#include <unordered_set>

namespace vorn::dead_code {

void run(const types::Module& module, std::vector<diagnostics::Diagnostic>& diagnostics) {
  if (module.inputs.empty()) return;
  std::unordered_set<std::uint32_t> sources;
  sources.reserve(module.connections.size());
  for (const types::Connection& connection : module.connections) sources.insert(connection.from.component.value);
  for (const types::InputPin& input : module.inputs) {
    if (sources.contains(input.component.value)) continue;
    std::string message = "input '";
    message.append(input.name).append("' is declared but never used");
    diagnostics.push_back(diagnostics::makeWarning(diagnostics::DiagnosticCode::W001, std::move(message), input.span));
  }
}

}  // namespace vorn::dead_code
