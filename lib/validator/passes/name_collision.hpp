#pragma once

#include <vector>

#include "ir/types.hpp"
#include "validator/diagnostics.hpp"

namespace vorn::name_collision {

// E006 for instances named like a primitive type, E005 for names used again.
void run(const types::Module& module, std::vector<diagnostics::Diagnostic>& diagnostics);

}  // namespace vorn::name_collision
