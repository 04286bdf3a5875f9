#include "resolver/scan_imports.hpp"

#include <optional>
#include <string>
#include <unordered_map>

#include "ir/types.hpp"
#include "resolver/builtins.hpp"
#include "resolver/file_loader.hpp"
#include "syntax/translate.hpp"

namespace vorn::scan_imports {

namespace {

struct ScanState {
  TextArena& arena;
  ScanResult result;
  // Texts wait here from discovery until their file is visited; they are
  // dropped afterwards, since body resolution reads every file again.
  std::vector<std::string> pending_sources;
  std::unordered_map<std::string_view, std::uint32_t> path_to_id;

  explicit ScanState(TextArena& a) : arena(a) {}
};

std::uint32_t addFile(ScanState& state, std::string_view path, std::string_view display_path, std::string source) {
  auto id = static_cast<std::uint32_t>(state.result.file_paths.size());
  std::string_view stored = state.arena.store(path);
  state.result.file_paths.push_back(stored);
  state.result.display_paths.push_back(state.arena.store(display_path));
  state.pending_sources.push_back(std::move(source));
  state.path_to_id.emplace(stored, id);
  return id;
}

// The id of the file at the resolved `path`, loading and queueing it when it
// is new; a new file is shown as `display_path`.
Result<std::uint32_t> findOrLoad(ScanState& state, std::string_view path, std::string_view display_path) {
  if (auto found = state.path_to_id.find(path); found != state.path_to_id.end()) return found->second;
  VORN_TRY(file_loader::OwnedFile loaded, file_loader::loadFileOwned(path));
  // Loading canonicalises again; a file named two ways is still one file.
  if (auto found = state.path_to_id.find(loaded.absolute_path); found != state.path_to_id.end()) return found->second;
  return addFile(state, loaded.absolute_path, display_path, std::move(loaded.source));
}

}  // namespace

bool isBuiltinAlias(std::string_view alias) {
  // The primitive type names, and the two pin keywords.
  return types::primitiveOfTypeName(alias).has_value() || alias == "input" || alias == "output";
}

void appendImportAliasCollisionDiagnostic(std::vector<diagnostics::Diagnostic>& list, std::string_view alias,
                                          diagnostics::Span span, std::optional<diagnostics::DiagnosticNote> note) {
  std::vector<diagnostics::DiagnosticNote> notes;
  if (note) notes.push_back(std::move(*note));
  list.push_back(diagnostics::makeDiagnostic<diagnostics::DiagnosticCode::E011>(span, {alias}, std::move(notes)));
}

void appendImportNotFoundDiagnostic(std::vector<diagnostics::Diagnostic>& list, std::string_view path_as_written,
                                    diagnostics::Span span) {
  list.push_back(diagnostics::makeDiagnostic<diagnostics::DiagnosticCode::E009>(span, {path_as_written}));
}

Result<ScanResult> scanProjectImports(TextArena& arena, std::string_view root_path, const ast::File* root_tree) {
  ScanState state(arena);

  // The root is always the file on disk that the driver read, even when its
  // name happens to start like a virtual path.
  std::string root(root_path);
  if (builtins::hasVirtualPrefix(root)) root.insert(0, "./");
  VORN_TRY(file_loader::OwnedFile root_file, file_loader::loadFileOwned(root));
  addFile(state, root_file.absolute_path, root_path, std::move(root_file.source));

  // Ids are handed out in queue order, so the queue is simply the id range.
  for (std::uint32_t file_id = 0; file_id < state.result.file_paths.size(); ++file_id) {
    std::string source = std::move(state.pending_sources[file_id]);
    state.pending_sources[file_id] = std::string();
    const std::string_view file_path = state.result.file_paths[file_id];

    std::optional<ast::File> parsed;
    const ast::File* tree = file_id == 0 ? root_tree : nullptr;
    if (tree == nullptr) {
      auto result = translate::parseSource(arena, source, file_id);
      // Body resolution meets the same failure later and reports it there.
      if (!result) continue;
      parsed = std::move(*result);
      tree = &*parsed;
    }

    std::unordered_map<std::string_view, diagnostics::Span> alias_map;
    for (const ast::Import& import : tree->imports) {
      const std::string_view alias = import.alias.text;
      const diagnostics::Span span = import.span;

      if (isBuiltinAlias(alias)) {
        appendImportAliasCollisionDiagnostic(state.result.diagnostics, alias, span, std::nullopt);
        continue;
      }
      if (auto earlier = alias_map.find(alias); earlier != alias_map.end()) {
        appendImportAliasCollisionDiagnostic(
            state.result.diagnostics, alias, span,
            diagnostics::makeNote<diagnostics::NoteKind::first_alias>(earlier->second, {}));
        continue;
      }
      auto resolved = file_loader::resolveImportPath(arena, file_path, import.path.text);
      if (!resolved) {
        if (resolved.error() != Error::FileNotFound) return fail(resolved.error());
        appendImportNotFoundDiagnostic(state.result.diagnostics, import.path.text, span);
        continue;
      }
      if (std::optional<builtins::Name> macro = builtins::macroForAlias(alias)) {
        if (*resolved != builtins::virtualPath(*macro)) {
          appendImportAliasCollisionDiagnostic(
              state.result.diagnostics, alias, span,
              diagnostics::makeNote<diagnostics::NoteKind::builtin_macro_alias>(span, {}));
          continue;
        }
      }
      VORN_TRY(const std::uint32_t target,
               findOrLoad(state, *resolved,
                          file_loader::joinImportPath(state.result.display_paths[file_id], import.path.text)));
      state.result.import_table.push_back(ResolvedImport{.alias = arena.store(alias),
                                                         .importing_file = file_id,
                                                         .target_file = target,
                                                         .span = span,
                                                         .implicit_builtin = false});
      alias_map.emplace(alias, span);
    }

    for (const builtins::Entry& entry : builtins::table()) {
      const std::string_view name = builtins::slice(entry.name);
      const std::string_view virtual_path = builtins::virtualPath(entry.name);
      if (alias_map.contains(name) || file_path == virtual_path) continue;
      VORN_TRY(const std::uint32_t target, findOrLoad(state, virtual_path, virtual_path));
      // An implicit import is written nowhere: it stands at the file's start.
      state.result.import_table.push_back(ResolvedImport{
          .alias = name,
          .importing_file = file_id,
          .target_file = target,
          .span = diagnostics::Span{.file_id = file_id, .start_line = 1, .start_col = 1, .end_line = 1, .end_col = 1},
          .implicit_builtin = true});
    }
  }
  return std::move(state.result);
}

}  // namespace vorn::scan_imports
