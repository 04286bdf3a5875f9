#include "validator/run_project.hpp"

#include "validator/passes/gate_free_paths.hpp"
#include "validator/passes/sub_circuit_validation.hpp"
#include "validator/run.hpp"

namespace vorn::run_project {

Result<std::vector<diagnostics::Diagnostic>> run(const types::Project& project) {
  std::vector<diagnostics::Diagnostic> diagnostics;
  const sub_circuit_validation::TargetIndex targets(project);
  // Each file's inner paths once, before any file's loops are looked for.
  const gate_free_paths::ProjectPaths paths(project);
  // File by file, so each file's diagnostics stay together.
  for (const types::Module& module : project.files) {
    run::runInto(module, diagnostics, &paths);
    sub_circuit_validation::runForModule(targets, module, diagnostics);
  }
  return diagnostics;
}

}  // namespace vorn::run_project
