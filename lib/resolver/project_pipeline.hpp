#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "core/error.hpp"
#include "core/text_arena.hpp"
#include "ir/types.hpp"
#include "resolver/file_loader.hpp"
#include "resolver/resolve_bodies.hpp"
#include "syntax/ast.hpp"
#include "validator/diagnostics.hpp"

// The project pipeline, written once for the compiler and the language
// server: import scan, import cycles, body resolution, project checks.
namespace vorn::project_pipeline {

// What an import scan and cycle analysis without diagnostics found for a
// root, kept between runs: while the root's own import declarations and
// every other file of the project stay the same, a new scan would find the
// same, and a large root need not be parsed an extra time for it.
class ScanCache {
 public:
  ScanCache();
  ~ScanCache();
  ScanCache(ScanCache&&) noexcept;
  ScanCache& operator=(ScanCache&&) noexcept;

  struct State;
  std::unique_ptr<State> state;
};

// A stage that ended with an error name instead of a result.
struct StageFailure {
  std::string_view prefix;  // the stage's message prefix (core/stage_prefixes.hpp)
  Error error = Error::InternalError;
  // Text the grammar could not read, with the file it is in. In the root
  // (file id 0) it is the root's own parse failure, and `prefix` says so.
  std::optional<resolve_bodies::FileSyntaxError> unread;
};

struct ProjectRun {
  // By file id, 0 the root: canonical (or "<builtin>/") paths, and the paths
  // to show people. Empty when no scan was had.
  std::vector<std::string_view> file_paths;
  std::vector<std::string_view> display_paths;
  // The import scan's, then the cycle analysis's; an error among them stops
  // the run before body resolution.
  std::vector<diagnostics::Diagnostic> stage_diagnostics;
  // The project checks', when every stage ran.
  std::vector<diagnostics::Diagnostic> diagnostics;
  std::optional<StageFailure> failure;
  std::optional<types::Project> project;  // set when every stage ran
};

struct Options {
  // The root as the caller already parsed and resolved it (both or neither):
  // the stages take them over instead of doing that work again. Without
  // them, a failed stage is first checked against the root's own reading,
  // parsing and resolution, which the compiler does before anything else,
  // so that the failure is worded as it words it.
  const ast::File* root_tree = nullptr;
  resolve_bodies::ResolvedRoot* root = nullptr;
  // A stored scan to try first; a fresh scan without diagnostics is stored.
  // Not together with `root`.
  ScanCache* cache = nullptr;
  // Sees the root's syntax tree while body resolution holds it (not called
  // when `root` is given).
  std::function<void(const ast::File&)> visit_root;
  // Hears the scan's and the cycle analysis's diagnostics as soon as each of
  // those stages ends (not called for an empty list); its failure ends the run.
  std::function<Result<void>(std::span<const std::string_view> display_paths,
                             const std::vector<diagnostics::Diagnostic>& list)>
      on_stage_diagnostics;
};

// Runs the project pipeline on the root at `root_path`. Files are read
// through the file loader, so an active source overlay is honoured. Fails
// only when `on_stage_diagnostics` does; everything else is in the result.
Result<ProjectRun> runProjectPipeline(TextArena& arena, std::string_view root_path, const Options& options);

}  // namespace vorn::project_pipeline
