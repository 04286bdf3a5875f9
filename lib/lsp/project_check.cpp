#include "lsp/project_check.hpp"

#include "core/check.hpp"
#include "core/stage_prefixes.hpp"
#include "core/text_arena.hpp"
#include "lsp/navigation.hpp"

namespace vorn::lsp {

namespace {

using diagnostics::Diagnostic;

std::string pathOf(std::string_view root_path, const std::vector<std::string_view>& file_paths, std::uint32_t file_id) {
  return std::string(file_id < file_paths.size() ? file_paths[file_id] : root_path);
}

PlacedDiagnostic placedDiagnostic(std::string_view root_path, const std::vector<std::string_view>& file_paths,
                                  const Diagnostic& diagnostic) {
  PlacedDiagnostic placed{.path = pathOf(root_path, file_paths, diagnostic.span.file_id),
                          .span = diagnostic.span,
                          .level = diagnostic.level,
                          .code = diagnostic.code,
                          .message = diagnostic.message,
                          .notes = {}};
  for (const diagnostics::DiagnosticNote& note : diagnostic.notes) {
    placed.notes.push_back(PlacedNote{
        .path = pathOf(root_path, file_paths, note.span.file_id), .span = note.span, .message = note.message});
  }
  return placed;
}

// Text the grammar could not read gets an error on the character where it
// stopped, with the parser's own words; it stands for the root's parse
// failure, while any other stage's failure is also said at the root.
void placeFailure(std::string_view root_path, const project_pipeline::ProjectRun& run,
                  std::vector<PlacedDiagnostic>& placed) {
  const project_pipeline::StageFailure& failure = *run.failure;
  if (failure.unread) {
    const translate::SyntaxError& error = failure.unread->error;
    placed.push_back(PlacedDiagnostic{.path = pathOf(root_path, run.file_paths, failure.unread->file_id),
                                      .span = Span{.file_id = 0,
                                                   .start_line = error.line,
                                                   .start_col = error.col,
                                                   .end_line = error.line,
                                                   .end_col = error.col + 1},
                                      .level = diagnostics::DiagnosticLevel::err,
                                      .code = std::nullopt,
                                      .message = error.message,
                                      .notes = {}});
    if (failure.prefix == stage_prefixes::kParse) return;
  }
  placed.push_back(PlacedDiagnostic{.path = std::string(root_path),
                                    .span = std::nullopt,
                                    .level = diagnostics::DiagnosticLevel::err,
                                    .code = std::nullopt,
                                    .message = std::string(failure.prefix) + std::string(errorName(failure.error)),
                                    .notes = {}});
}

}  // namespace

ProjectCheck checkProject(std::string_view root_path, const file_loader::SourceOverlay& overlay, ScanCache* cache) {
  file_loader::ScopedSourceOverlay scope(overlay);
  TextArena arena;
  // Read from the root's tree while body resolution holds it, so that the
  // root is not parsed once more for them.
  std::vector<UndeclaredSignal> undeclared;
  project_pipeline::Options options;
  options.cache = cache;
  options.visit_root = [&](const ast::File& root) { undeclared = undeclaredSignals(root); };
  auto run = project_pipeline::runProjectPipeline(arena, root_path, options);
  // Only a listener for the stages' diagnostics can fail the run, and none is given.
  VORN_CHECK(run.has_value());

  ProjectCheck result;
  result.file_paths.emplace_back(root_path);
  for (std::size_t id = 1; id < run->file_paths.size(); ++id) result.file_paths.emplace_back(run->file_paths[id]);
  for (const Diagnostic& diagnostic : run->stage_diagnostics) {
    result.diagnostics.push_back(placedDiagnostic(root_path, run->file_paths, diagnostic));
  }
  if (run->failure) {
    placeFailure(root_path, *run, result.diagnostics);
    return result;
  }
  if (!run->project) return result;  // stopped by the scan's or the cycles' errors
  for (const Diagnostic& diagnostic : run->diagnostics) {
    result.diagnostics.push_back(placedDiagnostic(root_path, run->file_paths, diagnostic));
  }
  for (const UndeclaredSignal& signal : undeclared) {
    result.diagnostics.push_back(PlacedDiagnostic{.path = std::string(root_path),
                                                  .span = signal.span,
                                                  .level = diagnostics::DiagnosticLevel::err,
                                                  .code = std::nullopt,
                                                  .message = "undeclared signal '" + signal.name + "'",
                                                  .notes = {}});
  }
  return result;
}

}  // namespace vorn::lsp
