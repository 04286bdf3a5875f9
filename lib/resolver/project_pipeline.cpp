#include "resolver/project_pipeline.hpp"

#include <deque>
#include <string>
#include <sys/stat.h>

#include "core/check.hpp"
#include "core/stage_prefixes.hpp"
#include "ir/resolver.hpp"
#include "resolver/builtins.hpp"
#include "resolver/import_cycle.hpp"
#include "resolver/scan_imports.hpp"
#include "syntax/translate.hpp"
#include "validator/run_project.hpp"

namespace vorn::project_pipeline {

namespace {

using diagnostics::Diagnostic;

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

FileStamp stampOf(std::string_view path) {
  FileStamp stamp;
  if (auto text = file_loader::overlaidText(path)) {
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
    if (!import.implicit_builtin) {
      keys.push_back(
          ImportKey{.alias = std::string(import.alias), .path = std::string(import.path), .span = import.span});
    }
  }
  return keys;
}

}  // namespace

struct ScanCache::State {
  std::deque<std::string> texts;  // owns what the views below point at
  std::vector<std::string_view> file_paths;
  std::vector<std::string_view> display_paths;
  std::vector<scan_imports::ResolvedImport> import_table;
  std::vector<std::uint32_t> topo_order;
  std::vector<ImportKey> root_imports;
  std::vector<FileStamp> stamps;  // by file id; the root's is not used

  std::string_view own(std::string_view text) { return texts.emplace_back(text); }

  bool stillValid(std::string_view root_path) const {
    if (file_paths.empty() || file_paths.front() != root_path) return false;
    for (std::size_t id = 1; id < file_paths.size(); ++id) {
      if (builtins::hasVirtualPrefix(file_paths[id])) continue;
      if (!(stampOf(file_paths[id]) == stamps[id])) return false;
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
                                            const std::vector<std::uint32_t>& topo_order, const types::Module& root) {
  auto state = std::make_unique<ScanCache::State>();
  for (std::string_view path : scan.file_paths) {
    state->file_paths.push_back(state->own(path));
    state->stamps.push_back(stampOf(path));
  }
  for (std::string_view path : scan.display_paths) state->display_paths.push_back(state->own(path));
  for (const scan_imports::ResolvedImport& record : scan.import_table) {
    scan_imports::ResolvedImport copy = record;
    copy.alias = state->own(record.alias);
    state->import_table.push_back(copy);
  }
  state->topo_order = topo_order;
  state->root_imports = explicitImports(root);
  return state;
}

// One run: the stages in order, each able to end it.
class Runner {
 public:
  Runner(TextArena& arena, std::string_view root_path, const Options& options)
      : arena_(arena), root_path_(root_path), options_(options) {}

  Result<ProjectRun> run() {
    if (options_.cache != nullptr && options_.cache->state) {
      if (tryStoredScan()) return std::move(run_);
      options_.cache->state.reset();
    }

    auto scan = scan_imports::scanProjectImports(arena_, root_path_, options_.root_tree);
    if (!scan) {
      stageFailed(stage_prefixes::kImportScan, scan.error());
      return std::move(run_);
    }
    run_.file_paths = scan->file_paths;
    run_.display_paths = scan->display_paths;
    VORN_TRY(bool scan_stops, judge(scan->diagnostics));
    if (scan_stops) return std::move(run_);

    auto cycles = import_cycle::analyzeImports(scan->file_paths, scan->import_table);
    if (!cycles) {
      stageFailed(stage_prefixes::kImportCycles, cycles.error());
      return std::move(run_);
    }
    VORN_TRY(bool cycles_stop, judge(cycles->diagnostics));
    if (cycles_stop) return std::move(run_);

    auto project = resolveBodies(scan->import_table, cycles->topo_order);
    if (!project) return std::move(run_);
    if (options_.cache != nullptr && run_.stage_diagnostics.empty()) {
      options_.cache->state = storeScan(*scan, cycles->topo_order, project->files.front());
    }
    checkProject(std::move(*project));
    return std::move(run_);
  }

 private:
  // A stored scan still holds while no file but the root changed and the
  // root's import declarations, known once its body is resolved, are the
  // same. True when the run is decided with it.
  bool tryStoredScan() {
    const ScanCache::State& stored = *options_.cache->state;
    if (!stored.stillValid(root_path_)) return false;
    for (std::string_view path : stored.file_paths) run_.file_paths.push_back(arena_.store(path));
    for (std::string_view path : stored.display_paths) run_.display_paths.push_back(arena_.store(path));
    std::optional<resolve_bodies::FileSyntaxError> unread;
    auto project = resolve_bodies::resolveBodies(arena_, run_.file_paths, stored.import_table, stored.topo_order,
                                                 &unread, options_.root, options_.visit_root);
    if (project && explicitImports(project->files.front()) == stored.root_imports) {
      checkProject(std::move(*project));
      return true;
    }
    // Only the root can have changed; when it no longer reads, the failure
    // is reported without scanning again.
    if (!project && unread) {
      bodiesFailed(project.error(), std::move(unread));
      return true;
    }
    if (!project && rootFailed()) return true;
    run_.file_paths.clear();
    run_.display_paths.clear();
    return false;
  }

  // A failed stage, unless the root itself fails earlier as the compiler
  // reads it.
  void stageFailed(std::string_view prefix, Error error) {
    if (!rootFailed()) run_.failure = StageFailure{.prefix = prefix, .error = error, .unread = std::nullopt};
  }

  // Reads, parses and resolves the root on its own, when the caller has not;
  // true when one of these fails, which is then the run's failure. Only done
  // once a later stage failed: doing it up front would cost a large root a
  // third of the run.
  bool rootFailed() {
    if (options_.root != nullptr) return false;
    auto root = file_loader::loadFile(arena_, root_path_);
    if (!root) {
      run_.failure =
          StageFailure{.prefix = stage_prefixes::kReadingInput, .error = root.error(), .unread = std::nullopt};
      return true;
    }
    std::optional<translate::SyntaxError> unread;
    auto file = translate::parseSource(arena_, root->source, 0, &unread);
    if (!file) {
      std::optional<resolve_bodies::FileSyntaxError> located;
      if (unread) located = resolve_bodies::FileSyntaxError{.file_id = 0, .error = std::move(*unread)};
      run_.failure =
          StageFailure{.prefix = stage_prefixes::kParse, .error = file.error(), .unread = std::move(located)};
      return true;
    }
    if (auto module = resolver::resolve(*file, 0); !module) {
      run_.failure = StageFailure{.prefix = stage_prefixes::kResolve, .error = module.error(), .unread = std::nullopt};
      return true;
    }
    return false;
  }

  // Keeps a stage's diagnostics and hands them on; true when one of them is
  // an error, which stops the run.
  Result<bool> judge(std::vector<Diagnostic>& list) {
    if (list.empty()) return false;
    if (options_.on_stage_diagnostics) {
      VORN_TRY_VOID(options_.on_stage_diagnostics(run_.display_paths, list));
    }
    const bool has_error = diagnostics::countDiagnostics(list).errors > 0;
    for (Diagnostic& diagnostic : list) run_.stage_diagnostics.push_back(std::move(diagnostic));
    return has_error;
  }

  std::optional<types::Project> resolveBodies(const std::vector<scan_imports::ResolvedImport>& import_table,
                                              const std::vector<std::uint32_t>& topo_order) {
    std::optional<resolve_bodies::FileSyntaxError> unread;
    auto project = resolve_bodies::resolveBodies(arena_, run_.file_paths, import_table, topo_order, &unread,
                                                 options_.root, options_.visit_root);
    if (!project) {
      bodiesFailed(project.error(), std::move(unread));
      return std::nullopt;
    }
    return std::move(*project);
  }

  // Text the grammar could not read in the root is the root's own parse
  // failure; anywhere else it is body resolution's, located there.
  void bodiesFailed(Error error, std::optional<resolve_bodies::FileSyntaxError> unread) {
    if (unread) {
      const std::string_view prefix = unread->file_id == 0 ? stage_prefixes::kParse : stage_prefixes::kBodyResolution;
      run_.failure = StageFailure{.prefix = prefix, .error = error, .unread = std::move(unread)};
      return;
    }
    stageFailed(stage_prefixes::kBodyResolution, error);
  }

  void checkProject(types::Project project) {
    auto checked = run_project::run(project);
    if (!checked) {
      stageFailed(stage_prefixes::kProjectValidation, checked.error());
      return;
    }
    run_.diagnostics = std::move(*checked);
    run_.project = std::move(project);
  }

  TextArena& arena_;
  std::string_view root_path_;
  const Options& options_;
  ProjectRun run_;
};

}  // namespace

Result<ProjectRun> runProjectPipeline(TextArena& arena, std::string_view root_path, const Options& options) {
  VORN_CHECK((options.root_tree == nullptr) == (options.root == nullptr));
  // A stored scan that no longer holds would already have taken the root over.
  VORN_CHECK(options.cache == nullptr || options.root == nullptr);
  return Runner(arena, root_path, options).run();
}

}  // namespace vorn::project_pipeline
