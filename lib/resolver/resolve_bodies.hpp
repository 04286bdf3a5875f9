#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "core/arena.hpp"
#include "core/error.hpp"
#include "ir/types.hpp"
#include "resolver/scan_imports.hpp"

namespace vorn::resolve_bodies {

// Loads, translates and resolves every file in `topo_order` into a project.
// Source texts and syntax trees are kept alive by the project and `arena`.
Result<types::Project> resolveBodies(Arena& arena, const std::vector<std::string_view>& file_paths,
                                     const std::vector<scan_imports::ResolvedImport>& import_table,
                                     const std::vector<std::uint32_t>& topo_order);

}  // namespace vorn::resolve_bodies
