#include "validator/passes/output_assignment.hpp"

#include "ir/component_lookup.hpp"

namespace vorn::output_assignment {

void run(const types::Module& module, std::vector<diagnostics::Diagnostic>& diagnostics) {
  const component_lookup::ComponentLookup lookup(module);
  for (const types::OutputPin& output : module.outputs) {
    if (lookup.findComponent(output.driver.component) != nullptr) continue;
    diagnostics.push_back(diagnostics::makeDiagnostic<diagnostics::DiagnosticCode::E007>(output.span, {output.name}));
  }
}

}  // namespace vorn::output_assignment
