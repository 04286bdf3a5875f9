#include "validator/passes/output_assignment.hpp"

#include <string>

#include "ir/component_lookup.hpp"

namespace vorn::output_assignment {

void run(const types::Module& module, std::vector<diagnostics::Diagnostic>& diagnostics) {
  const component_lookup::ComponentLookup lookup(module);
  for (const types::OutputPin& output : module.outputs) {
    if (lookup.find(output.driver.component) != nullptr) continue;
    std::string message = "output '";
    message.append(output.name).append("' has no assigned driver");
    diagnostics.push_back(diagnostics::makeError(diagnostics::DiagnosticCode::E007, std::move(message), output.span));
  }
}

}  // namespace vorn::output_assignment
