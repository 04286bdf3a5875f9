#include "lsp/project_check.hpp"

#include <deque>
#include <functional>
#include <sys/stat.h>

#include "core/stage_prefixes.hpp"
#include "core/text_arena.hpp"
#include "ir/resolver.hpp"
#include "resolver/builtins.hpp"
#include "resolver/import_cycle.hpp"
#include "resolver/resolve_bodies.hpp"
#include "resolver/scan_imports.hpp"
#include "syntax/translate.hpp"
#include "lsp/navigation.hpp"
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

  // Text the grammar could not read: an error on the character where it
  // stopped, with the parser's own words.
  void syntaxError(std::string path, const translate::SyntaxError& error) {
    PlacedDiagnostic placed;
    placed.path = std::move(path);
    placed.span = Span{0, error.line, error.col, error.line, error.col + 1};
    placed.message = error.message;
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

// How a file of the project looked when its scan was stored: an open
// buffer by its text's hash, a file on disk by its identity and change time.
struct FileStamp {
  bool open = false;
  std::size_t text_hash = 0;
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  std::int64_t modified_ns = -1;
  friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

FileStamp stampOf(std::string_view path, const file_loader::SourceOverlay& overlay) {
  FileStamp stamp;
  if (auto text = overlay(path)) {
    stamp.open = true;
    stamp.text_hash = std::hash<std::string_view>{}(*text);
    return stamp;
  }
  struct stat info {};
  if (::stat(std::string(path).c_str(), &info) == 0) {
    stamp.device = info.st_dev;
    stamp.inode = info.st_ino;
    stamp.size = info.st_size;
    stamp.modified_ns = static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec;
  }
  return stamp;
}

struct ImportKey {
  std::string alias;
  std::string path;
  Span span;
  friend bool operator==(const ImportKey&, const ImportKey&) = default;
};

std::vector<ImportKey> explicitImports(const types::Module& module) {
  std::vector<ImportKey> keys;
  for (const types::UnresolvedImport& import : module.imports) {
    if (!import.implicit_builtin) keys.push_back(ImportKey{std::string(import.alias), std::string(import.path), import.span});
  }
  return keys;
}

}  // namespace

struct ScanCache::State {
  std::deque<std::string> texts;  // owns what the views below point at
  std::vector<std::string_view> file_paths;
  std::vector<scan_imports::ResolvedImport> import_table;
  std::vector<std::uint32_t> topo_order;
  std::vector<ImportKey> root_imports;
  std::vector<FileStamp> stamps;  // by file id; the root's is not used

  std::string_view own(std::string_view text) { return texts.emplace_back(text); }

  bool stillValid(const file_loader::SourceOverlay& overlay) const {
    for (std::size_t id = 1; id < file_paths.size(); ++id) {
      if (builtins::hasVirtualPrefix(file_paths[id])) continue;
      if (!(stampOf(file_paths[id], overlay) == stamps[id])) return false;
    }
    return true;
  }
};

ScanCache::ScanCache() = default;
ScanCache::~ScanCache() = default;
ScanCache::ScanCache(ScanCache&&) noexcept = default;
ScanCache& ScanCache::operator=(ScanCache&&) noexcept = default;

namespace {

std::unique_ptr<ScanCache::State> storeScan(const scan_imports::ScanResult& scan,
                                            const std::vector<std::uint32_t>& topo_order,
                                            const types::Module& root, const file_loader::SourceOverlay& overlay) {
  auto state = std::make_unique<ScanCache::State>();
  for (std::string_view path : scan.file_paths) {
    state->file_paths.push_back(state->own(path));
    state->stamps.push_back(stampOf(path, overlay));
  }
  for (const scan_imports::ResolvedImport& record : scan.import_table) {
    scan_imports::ResolvedImport copy = record;
    copy.alias = state->own(record.alias);
    state->import_table.push_back(copy);
  }
  state->topo_order = topo_order;
  state->root_imports = explicitImports(root);
  return state;
}

}  // namespace

ProjectCheck checkProject(std::string_view root_path, const file_loader::SourceOverlay& overlay, ScanCache* cache) {
  file_loader::ScopedSourceOverlay scope(overlay);
  Checker checker;
  checker.root_path = std::string(root_path);
  checker.result.file_paths.push_back(checker.root_path);
  TextArena arena;

  // The root is parsed and resolved on its own only when a later stage
  // fails, to word the failure as the compiler does: it parses the root
  // before anything else. Parsing it once more up front would cost a
  // large file a third of the check.
  auto rootFailure = [&]() -> bool {
    auto root = file_loader::loadFile(arena, root_path);
    if (!root) {
      checker.stageFailed(stage_prefixes::kReadingInput, root.error());
      return true;
    }
    std::optional<translate::SyntaxError> unread;
    auto file = translate::parseSource(arena, root->source, 0, &unread);
    if (!file) {
      if (unread) {
        checker.syntaxError(checker.root_path, *unread);
      } else {
        checker.stageFailed(stage_prefixes::kParse, file.error());
      }
      return true;
    }
    if (auto module = resolver::resolve(*file, 0); !module) {
      checker.stageFailed(stage_prefixes::kResolve, module.error());
      return true;
    }
    return false;
  };

  // Body resolution failed. A file it could not read to its end gets the
  // located error; when that file is the root, this is the compiler's parse
  // failure, and otherwise the root also hears the stage's failure.
  auto bodiesFailed = [&](const std::vector<std::string_view>& file_paths, Error error,
                          const std::optional<resolve_bodies::FileSyntaxError>& unread) {
    if (unread) {
      checker.syntaxError(checker.pathOf(file_paths, unread->file_id), unread->error);
      if (unread->file_id != 0) checker.stageFailed(stage_prefixes::kBodyResolution, error);
      return;
    }
    if (rootFailure()) return;
    checker.stageFailed(stage_prefixes::kBodyResolution, error);
  };

  // Read from the root's tree while body resolution holds it, so that the
  // root is not parsed once more for them.
  std::vector<UndeclaredSignal> undeclared;
  auto visitRoot = [&](const ast::File& root) { undeclared = undeclaredSignals(root); };

  auto finish = [&](const std::vector<std::string_view>& file_paths, types::Project& project) {
    auto checked = run_project::run(project);
    if (!checked) {
      checker.stageFailed(stage_prefixes::kProjectValidation, checked.error());
      return;
    }
    checker.place(file_paths, *checked);
    for (const UndeclaredSignal& signal : undeclared) {
      PlacedDiagnostic placed;
      placed.path = checker.root_path;
      placed.span = signal.span;
      placed.message = "undeclared signal '" + signal.name + "'";
      checker.result.diagnostics.push_back(std::move(placed));
    }
  };

  // A stored scan is tried first; the root's import declarations, known
  // once its body is resolved, tell whether it still holds.
  if (cache != nullptr && cache->state && cache->state->file_paths.front() == root_path &&
      cache->state->stillValid(overlay)) {
    const ScanCache::State& stored = *cache->state;
    auto takePaths = [&] {
      for (std::size_t id = 1; id < stored.file_paths.size(); ++id) {
        checker.result.file_paths.emplace_back(stored.file_paths[id]);
      }
    };
    std::optional<resolve_bodies::FileSyntaxError> unread;
    auto project =
        resolve_bodies::resolveBodies(arena, stored.file_paths, stored.import_table, stored.topo_order, &unread, nullptr, visitRoot);
    if (project && explicitImports(project->files.front()) == stored.root_imports) {
      takePaths();
      finish(stored.file_paths, *project);
      return std::move(checker.result);
    }
    // Only the root can have changed; when it no longer parses, the
    // failure is reported without scanning again.
    if (!project && unread) {
      takePaths();
      bodiesFailed(stored.file_paths, project.error(), unread);
      return std::move(checker.result);
    }
    if (!project && rootFailure()) {
      takePaths();
      return std::move(checker.result);
    }
    cache->state.reset();
  }

  auto scan = scan_imports::scanProjectImports(arena, root_path);
  if (!scan) {
    if (rootFailure()) return std::move(checker.result);
    checker.stageFailed(stage_prefixes::kImportScan, scan.error());
    return std::move(checker.result);
  }
  for (std::size_t id = 1; id < scan->file_paths.size(); ++id) {
    checker.result.file_paths.emplace_back(scan->file_paths[id]);
  }
  if (checker.place(scan->file_paths, scan->diagnostics)) return std::move(checker.result);

  auto cycles = import_cycle::analyzeImports(scan->file_paths, scan->import_table);
  if (!cycles) {
    checker.stageFailed(stage_prefixes::kImportCycles, cycles.error());
    return std::move(checker.result);
  }
  if (checker.place(scan->file_paths, cycles->diagnostics)) return std::move(checker.result);

  std::optional<resolve_bodies::FileSyntaxError> unread;
  auto project =
      resolve_bodies::resolveBodies(arena, scan->file_paths, scan->import_table, cycles->topo_order, &unread, nullptr, visitRoot);
  if (!project) {
    bodiesFailed(scan->file_paths, project.error(), unread);
    return std::move(checker.result);
  }
  if (cache != nullptr && scan->diagnostics.empty() && cycles->diagnostics.empty()) {
    cache->state = storeScan(*scan, cycles->topo_order, project->files.front(), overlay);
  }
  finish(scan->file_paths, *project);
  return std::move(checker.result);
}

}  // namespace vorn::lsp
