#pragma once

#include <cstdint>
#include <string_view>

#include "core/arena.hpp"
#include "core/error.hpp"
#include "syntax/ast.hpp"

namespace vorn::translate {

// Parses `source` with the grammar's Program rule and translates the parse
// tree into a syntax tree whose spans carry `file_id`. Generated names are
// stored in `arena`; `source` must outlive the result.
Result<ast::File> parseSource(Arena& arena, std::string_view source, std::uint32_t file_id);

}  // namespace vorn::translate
