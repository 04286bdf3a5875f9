#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

#include "core/text_arena.hpp"
#include "core/error.hpp"
#include "ir/types.hpp"
#include "resolver/scan_imports.hpp"
#include "syntax/translate.hpp"

namespace vorn::resolve_bodies {

// A file that the grammar could not read to its end (see translate::parseSource).
struct FileSyntaxError {
  std::uint32_t file_id = 0;
  translate::SyntaxError error;
};

// Loads, translates and resolves every file in `topo_order` into a project.
// Source texts and syntax trees are kept alive by the project and `arena`.
// When a file fails because of unread text, or an imported file because it
// declares nothing at all (translate::nothingDeclared), `syntax_error` (when given) says which
// file and where.
//
// `root`, when given, is the root file as the caller already resolved it:
// its text and the module that resolving it with file id 0 gave. The module
// is taken over instead of reading, parsing and resolving the root again.
struct ResolvedRoot {
  std::string_view source;
  types::Module module;
};
// `visit_root`, when given, sees the root's syntax tree before it is released
// (not called when `root` is given: the caller holds that tree).
Result<types::Project> resolveBodies(TextArena& arena, const std::vector<std::string_view>& file_paths,
                                     const std::vector<scan_imports::ResolvedImport>& import_table,
                                     const std::vector<std::uint32_t>& topo_order,
                                     std::optional<FileSyntaxError>* syntax_error = nullptr,
                                     ResolvedRoot* root = nullptr,
                                     const std::function<void(const ast::File&)>& visit_root = {});

// True when a component of `module` is typed by a built-in gate's name that
// nothing in the file binds: only the implicit imports of a project can.
bool usesUnboundBuiltinGate(const types::Module& module);

// Binds each such component to its gate, as a project's implicit imports do
// (kind sub_circuit_ref with the gate's name). The module's import list is
// left as the file wrote it.
void bindBuiltinGates(types::Module& module);

}  // namespace vorn::resolve_bodies
