#include "lsp/project_check.hpp"

#include "core/check.hpp"
#include "core/stage_prefixes.hpp"
#include "core/text_arena.hpp"
#include "lsp/masked_text.hpp"
#include "lsp/navigation.hpp"

#include <map>
#include <set>

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

namespace {

// One run of the pipeline with the server's own additions, read while body
// resolution holds the root.
struct Run {
  std::optional<project_pipeline::ProjectRun> run;
  std::vector<UndeclaredSignal> undeclared;
};

Run runOnce(TextArena& arena, std::string_view root_path, ScanCache* cache,
            const std::function<void(const ast::File&)>& visit_root) {
  Run result;
  project_pipeline::Options options;
  options.cache = cache;
  options.visit_root = [&](const ast::File& root) {
    result.undeclared = undeclaredSignals(root);
    if (visit_root) visit_root(root);
  };
  auto run = project_pipeline::runProjectPipeline(arena, root_path, options);
  // Only a listener for the stages' diagnostics can fail the run, and none is given.
  VORN_CHECK(run.has_value());
  result.run = std::move(*run);
  return result;
}

// The text the grammar could not read in a file the root imports, when that
// is why the run stopped.
const resolve_bodies::FileSyntaxError* unreadImport(const project_pipeline::ProjectRun& run) {
  if (!run.failure || !run.failure->unread || run.failure->unread->file_id == 0) return nullptr;
  return &*run.failure->unread;
}

void addResults(std::string_view root_path, const Run& checked, const std::set<std::string>& left_out,
                std::vector<PlacedDiagnostic>& placed) {
  const project_pipeline::ProjectRun& run = *checked.run;
  // With a file's lines blanked, what is said of its ports is not to be trusted.
  auto aboutPorts = [](const PlacedDiagnostic& diagnostic) {
    using diagnostics::DiagnosticCode;
    return diagnostic.code == DiagnosticCode::E012 || diagnostic.code == DiagnosticCode::E013 ||
           diagnostic.code == DiagnosticCode::W002;
  };
  auto keep = [&](PlacedDiagnostic diagnostic) {
    if (left_out.contains(diagnostic.path) || (!left_out.empty() && aboutPorts(diagnostic))) return;
    placed.push_back(std::move(diagnostic));
  };
  for (const Diagnostic& diagnostic : run.stage_diagnostics)
    keep(placedDiagnostic(root_path, run.file_paths, diagnostic));
  if (run.failure) {
    // Another imported file the grammar cannot read is explained at its import line.
    if (unreadImport(run) != nullptr) {
      std::vector<PlacedDiagnostic> failure;
      placeFailure(root_path, run, failure);
      keep(std::move(failure.front()));
    } else {
      placeFailure(root_path, run, placed);
    }
    return;
  }
  if (!run.project) return;  // stopped by the scan's or the cycles' errors
  for (const Diagnostic& diagnostic : run.diagnostics) keep(placedDiagnostic(root_path, run.file_paths, diagnostic));
  for (const UndeclaredSignal& signal : checked.undeclared) {
    keep(PlacedDiagnostic{.path = std::string(root_path),
                          .span = signal.span,
                          .level = diagnostics::DiagnosticLevel::err,
                          .code = std::nullopt,
                          .message = "undeclared signal '" + signal.name + "'",
                          .notes = {}});
  }
}

}  // namespace

ProjectCheck checkProject(std::string_view root_path, const file_loader::SourceOverlay& overlay, ScanCache* cache,
                          const std::function<void(const ast::File&)>& visit_root) {
  file_loader::ScopedSourceOverlay scope(overlay);
  TextArena arena;
  Run checked = runOnce(arena, root_path, cache, visit_root);

  ProjectCheck result;
  result.file_paths.emplace_back(root_path);
  for (std::size_t id = 1; id < checked.run->file_paths.size(); ++id)
    result.file_paths.emplace_back(checked.run->file_paths[id]);

  // An imported file the grammar cannot read stops the whole run, and the
  // root would lose its own diagnostics. Its error is kept; the run is
  // repeated with the unreadable lines of such files blanked, and what that
  // run says about the other files stands.
  std::map<std::string, std::string> masked;
  std::set<std::string> left_out;
  constexpr int kMaxReruns = 8;
  for (int rerun = 0; rerun < kMaxReruns; ++rerun) {
    const resolve_bodies::FileSyntaxError* unread = unreadImport(*checked.run);
    if (unread == nullptr) break;
    const std::string path = pathOf(root_path, checked.run->file_paths, unread->file_id);
    if (!left_out.contains(path)) {
      std::vector<PlacedDiagnostic> failure;
      placeFailure(root_path, *checked.run, failure);
      result.diagnostics.push_back(std::move(failure.front()));
      left_out.insert(path);
    }
    auto text = masked.find(path);
    if (text == masked.end()) {
      auto loaded = file_loader::loadFileOwned(path);
      if (!loaded) break;
      text = masked.emplace(path, std::move(loaded->source)).first;
    }
    if (!blankUnreadableLine(text->second, unread->error.offset)) break;
    file_loader::ScopedSourceOverlay masking([&](std::string_view wanted) -> std::optional<std::string_view> {
      auto found = masked.find(std::string(wanted));
      if (found != masked.end()) return std::string_view(found->second);
      return overlay(wanted);
    });
    checked = runOnce(arena, root_path, nullptr, {});
  }
  addResults(root_path, checked, left_out, result.diagnostics);
  return result;
}

}  // namespace vorn::lsp
