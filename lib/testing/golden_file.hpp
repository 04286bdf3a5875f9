#pragma once

// The files of the end-to-end cases (tests/golden/<case>/...), so that a unit
// test can check its output against the same bytes instead of a copy of them.
// Regenerating the cases (VORN_UPDATE_GOLDEN=1) updates both at once.
#include <string>
#include <string_view>

namespace vorn::testing {

// The path of tests/golden/<relative> in the source tree.
std::string goldenPath(std::string_view relative);
// The bytes of tests/golden/<relative>; a missing file aborts with its path.
std::string goldenFile(std::string_view relative);

// The text of generated Zig from its runtime exports on ("var gpa = ..."):
// the part that is the same for every circuit of the same shape.
std::string_view zigRuntimeTail(std::string_view zig);

}  // namespace vorn::testing
