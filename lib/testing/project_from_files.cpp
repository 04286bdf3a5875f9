#include "testing/project_from_files.hpp"

#include <algorithm>
#include <vector>

#include "resolver/import_cycle.hpp"
#include "resolver/resolve_bodies.hpp"
#include "resolver/scan_imports.hpp"
#include "validator/diagnostics.hpp"
#include "validator/run_project.hpp"

namespace vorn::testing {
namespace {

bool hasErrors(const std::vector<diagnostics::Diagnostic>& list) {
  return std::any_of(list.begin(), list.end(),
                     [](const diagnostics::Diagnostic& d) { return d.level == diagnostics::DiagnosticLevel::err; });
}

}  // namespace

std::expected<types::Project, std::string> projectFromFiles(TextArena& arena, std::string_view root_path) {
  auto scan = scan_imports::scanProjectImports(arena, root_path);
  if (!scan || hasErrors(scan->diagnostics)) return std::unexpected("import scan");
  auto cycles = import_cycle::analyzeImports(scan->file_paths, scan->import_table);
  if (!cycles || hasErrors(cycles->diagnostics)) return std::unexpected("import cycles");
  auto project = resolve_bodies::resolveBodies(arena, scan->file_paths, scan->import_table, cycles->topo_order);
  if (!project) return std::unexpected("body resolution");
  auto checked = run_project::run(*project);
  if (!checked || hasErrors(*checked)) return std::unexpected("validation");
  return std::move(*project);
}

}  // namespace vorn::testing
