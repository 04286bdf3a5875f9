#pragma once

#include <cstdint>
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
Result<types::Project> resolveBodies(TextArena& arena, const std::vector<std::string_view>& file_paths,
                                     const std::vector<scan_imports::ResolvedImport>& import_table,
                                     const std::vector<std::uint32_t>& topo_order,
                                     std::optional<FileSyntaxError>* syntax_error = nullptr,
                                     ResolvedRoot* root = nullptr);

}  // namespace vorn::resolve_bodies
