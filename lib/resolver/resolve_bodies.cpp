#include "resolver/resolve_bodies.hpp"

#include <string>

#include "ir/import_targets.hpp"
#include "ir/resolver.hpp"
#include "resolver/builtins.hpp"
#include "resolver/file_loader.hpp"
#include "syntax/translate.hpp"

namespace vorn::resolve_bodies {

Result<types::Project> resolveBodies(TextArena& arena, const std::vector<std::string_view>& file_paths,
                                     const std::vector<scan_imports::ResolvedImport>& import_table,
                                     const std::vector<std::uint32_t>& topo_order,
                                     std::optional<FileSyntaxError>* syntax_error, ResolvedRoot* root,
                                     const std::function<void(const ast::File&)>& visit_root) {
  if (syntax_error != nullptr) syntax_error->reset();
  const std::size_t file_count = file_paths.size();
  for (const scan_imports::ResolvedImport& record : import_table) {
    if (record.importing_file >= file_count || record.target_file >= file_count) return fail(Error::InternalError);
  }

  types::Project project;
  project.files.resize(file_count);
  project.source_blobs.resize(file_count);
  std::vector<bool> resolved(file_count, false);

  // Copies that live for the run; the modules point at these.
  project.import_table.reserve(import_table.size());
  for (const scan_imports::ResolvedImport& record : import_table) {
    project.import_table.push_back(types::ResolvedImport{.alias = arena.store(record.alias),
                                                         .importing_file = types::FileId{record.importing_file},
                                                         .target_file = types::FileId{record.target_file},
                                                         .span = record.span});
  }
  project.file_paths.reserve(file_count);
  for (std::string_view path : file_paths) project.file_paths.push_back(arena.store(path));
  auto storedAlias = [&](const scan_imports::ResolvedImport* record) {
    return project.import_table[static_cast<std::size_t>(record - import_table.data())].alias;
  };

  const import_targets::ImportTargets targets(project.import_table);
  std::vector<std::vector<const scan_imports::ResolvedImport*>> implicit_by_file(file_count);
  for (const scan_imports::ResolvedImport& record : import_table) {
    if (record.implicit_builtin) implicit_by_file[record.importing_file].push_back(&record);
  }

  for (std::uint32_t file_id : topo_order) {
    if (file_id >= file_count) return fail(Error::MissingResolvedModule);
    types::Module module;
    if (file_id == 0 && root != nullptr) {
      project.source_blobs[file_id] = root->source;
      module = std::move(root->module);
    } else {
      VORN_TRY(const file_loader::LoadedFile loaded, file_loader::loadFile(arena, project.file_paths[file_id]));
      project.source_blobs[file_id] = loaded.source;

      std::optional<translate::SyntaxError> unread;
      auto tree = translate::parseSource(arena, loaded.source, file_id, &unread);
      if (!tree) {
        // The root is read by the driver first, which reports its failure itself.
        if (!unread && file_id != 0) unread = translate::nothingDeclared(loaded.source);
        if (unread && syntax_error != nullptr)
          *syntax_error = FileSyntaxError{.file_id = file_id, .error = std::move(*unread)};
        return fail(tree.error());
      }
      VORN_TRY(module, resolver::resolve(*tree, file_id));
      if (file_id == 0 && visit_root) visit_root(*tree);
    }

    for (types::Component& component : module.components) {
      if (!component.kind.isUnresolvedName()) continue;
      const types::ResolvedImport* record = targets.findImport(types::FileId{file_id}, component.kind.unresolved_name);
      if (record == nullptr) continue;
      component.kind = types::ComponentKind::makeSubCircuitRef(types::UnresolvedRef{record->alias, component.span});
    }

    for (const scan_imports::ResolvedImport* record : implicit_by_file[file_id]) {
      // An implicit import is written nowhere: it stands at the file's start.
      module.imports.push_back(types::UnresolvedImport{
          .alias = storedAlias(record),
          .path = project.file_paths[record->target_file],
          .span = types::Span{.file_id = file_id, .start_line = 1, .start_col = 1, .end_line = 1, .end_col = 1},
          .implicit_builtin = true});
    }

    project.files[file_id] = std::move(module);
    resolved[file_id] = true;
  }

  for (bool done : resolved) {
    if (!done) return fail(Error::MissingResolvedModule);
  }
  project.root_file_id = types::FileId{0};
  return project;
}

bool usesUnboundBuiltinGate(const types::Module& module) {
  for (const types::Component& component : module.components) {
    if (component.kind.isUnresolvedName() && builtins::macroForAlias(component.kind.unresolved_name)) return true;
  }
  return false;
}

void bindBuiltinGates(types::Module& module) {
  for (types::Component& component : module.components) {
    if (!component.kind.isUnresolvedName()) continue;
    auto gate = builtins::macroForAlias(component.kind.unresolved_name);
    if (!gate) continue;
    component.kind =
        types::ComponentKind::makeSubCircuitRef(types::UnresolvedRef{builtins::slice(*gate), component.span});
  }
}

}  // namespace vorn::resolve_bodies
