#include "validator/run.hpp"

#include "validator/passes/combinational_loop.hpp"
#include "validator/passes/connection_line.hpp"
#include "validator/passes/dead_code.hpp"
#include "validator/passes/multi_driver.hpp"
#include "validator/passes/name_collision.hpp"
#include "validator/passes/name_resolution.hpp"
#include "validator/passes/output_assignment.hpp"
#include "validator/passes/port_validation.hpp"
#include "validator/passes/required_input.hpp"
#include "validator/passes/unused_import.hpp"

namespace vorn::run {

void runInto(const types::Module& module, std::vector<diagnostics::Diagnostic>& diagnostics,
             const gate_free_paths::ProjectPaths* paths) {
  // Every pass runs, whatever the earlier ones found.
  name_resolution::run(module, diagnostics);
  name_collision::run(module, diagnostics);
  port_validation::run(module, diagnostics);
  {
    // Both passes ask which connections drive a port; the index is built once.
    const endpoint_index::EndpointIndex drivers(module, endpoint_index::EndpointIndex::Side::destination);
    multi_driver::run(module, drivers, diagnostics);
    required_input::run(module, drivers, diagnostics);
  }
  output_assignment::run(module, diagnostics);
  combinational_loop::run(module, diagnostics, paths);
  dead_code::run(module, diagnostics);
  unused_import::run(module, diagnostics);
  connection_line::run(module, diagnostics);
}

Result<std::vector<diagnostics::Diagnostic>> run(const types::Module& module) {
  std::vector<diagnostics::Diagnostic> diagnostics;
  runInto(module, diagnostics);
  return diagnostics;
}

}  // namespace vorn::run
