#pragma once

#include <cstdint>

#include "core/error.hpp"
#include "ir/types.hpp"
#include "syntax/ast.hpp"

namespace vorn::resolver {

// Resolves one file's syntax tree into a module: component ids, connections
// and pins in their fixed order. The module's views point into the tree's
// texts, so the source and the run's TextArena must outlive it.
Result<types::Module> resolve(const ast::File& file, std::uint32_t file_id);

}  // namespace vorn::resolver
