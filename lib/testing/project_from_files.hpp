#pragma once

// A project built from files on disk the way the compiler builds it: import
// scan, cycle analysis, body resolution and the project checks.
#include <expected>
#include <string>
#include <string_view>

#include "core/text_arena.hpp"
#include "ir/types.hpp"

namespace vorn::testing {

// The project whose root is `root_path`, its texts kept in `arena`; or the
// stage that stopped it, by an error or by error diagnostics: "import scan",
// "import cycles", "body resolution" or "validation".
std::expected<types::Project, std::string> projectFromFiles(TextArena& arena, std::string_view root_path);

}  // namespace vorn::testing
