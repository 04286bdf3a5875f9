#include "validator/passes/connection_line.hpp"

namespace vorn::connection_line {

void run(const types::Module& module, std::vector<diagnostics::Diagnostic>& diagnostics) {
  for (const types::Span& span : module.connection_lines) {
    diagnostics.push_back(diagnostics::makeDiagnostic<diagnostics::DiagnosticCode::W004>(span, {}));
  }
}

}  // namespace vorn::connection_line
