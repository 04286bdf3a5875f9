#include "lsp/project_check.hpp"

#include "core/arena.hpp"
#include "ir/resolver.hpp"
#include "resolver/import_cycle.hpp"
#include "resolver/resolve_bodies.hpp"
#include "resolver/scan_imports.hpp"
#include "syntax/translate.hpp"
#include "validator/run_project.hpp"

namespace vorn::lsp {

namespace {

using diagnostics::Diagnostic;

struct Checker {
  ProjectCheck result;
  std::string root_path;

  void stageFailed(std::string_view prefix, Error error) {
    PlacedDiagnostic placed;
    placed.path = root_path;
    placed.span = Span{0, 1, 1, 1, 1};
    placed.message = std::string(prefix) + std::string(errorName(error));
    result.diagnostics.push_back(std::move(placed));
  }

  std::string pathOf(const std::vector<std::string_view>& file_paths, std::uint32_t file_id) const {
    return file_id < file_paths.size() ? std::string(file_paths[file_id]) : root_path;
  }

  // Places a stage's diagnostics; true when one of them is an error, which
  // stops the pipeline as it stops the compiler.
  bool place(const std::vector<std::string_view>& file_paths, const std::vector<Diagnostic>& list) {
    bool has_error = false;
    for (const Diagnostic& diagnostic : list) {
      PlacedDiagnostic placed;
      placed.path = pathOf(file_paths, diagnostic.span.file_id);
      placed.span = diagnostic.span;
      placed.level = diagnostic.level;
      placed.code = diagnostic.code;
      placed.message = diagnostic.message;
      for (const diagnostics::DiagnosticNote& note : diagnostic.notes) {
        placed.notes.push_back(PlacedNote{pathOf(file_paths, note.span.file_id), note.span, note.message});
      }
      has_error = has_error || diagnostic.level == diagnostics::DiagnosticLevel::err;
      result.diagnostics.push_back(std::move(placed));
    }
    return has_error;
  }
};

}  // namespace

ProjectCheck checkProject(std::string_view root_path, const file_loader::SourceOverlay& overlay) {
  file_loader::ScopedSourceOverlay scope(overlay);
  Checker checker;
  checker.root_path = std::string(root_path);
  checker.result.file_paths.push_back(checker.root_path);
  Arena arena;

  auto root = file_loader::loadFile(arena, root_path);
  if (!root) {
    checker.stageFailed("failed reading input file: ", root.error());
    return std::move(checker.result);
  }
  auto file = translate::parseSource(arena, root->source, 0);
  if (!file) {
    checker.stageFailed("parse failed: ", file.error());
    return std::move(checker.result);
  }
  if (auto module = resolver::resolve(*file, 0); !module) {
    checker.stageFailed("resolve failed: ", module.error());
    return std::move(checker.result);
  }

  auto scan = scan_imports::scanProjectImports(arena, root_path);
  if (!scan) {
    checker.stageFailed("import scan failed: ", scan.error());
    return std::move(checker.result);
  }
  for (std::size_t id = 1; id < scan->file_paths.size(); ++id) {
    checker.result.file_paths.emplace_back(scan->file_paths[id]);
  }
  if (checker.place(scan->file_paths, scan->diagnostics)) return std::move(checker.result);

  auto cycles = import_cycle::analyzeImports(scan->file_paths, scan->import_table);
  if (!cycles) {
    checker.stageFailed("import cycle analysis failed: ", cycles.error());
    return std::move(checker.result);
  }
  if (checker.place(scan->file_paths, cycles->diagnostics)) return std::move(checker.result);

  auto project = resolve_bodies::resolveBodies(arena, scan->file_paths, scan->import_table, cycles->topo_order);
  if (!project) {
    checker.stageFailed("body resolution failed: ", project.error());
    return std::move(checker.result);
  }
  auto checked = run_project::run(*project);
  if (!checked) {
    checker.stageFailed("project validation failed: ", checked.error());
    return std::move(checker.result);
  }
  checker.place(scan->file_paths, *checked);
  return std::move(checker.result);
}

}  // namespace vorn::lsp
