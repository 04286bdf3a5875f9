#pragma once

#include <vector>

#include "ir/types.hpp"
#include "validator/diagnostics.hpp"

namespace vorn::connection_line {

// W004: every connection line, which joins nothing.
void run(const types::Module& module, std::vector<diagnostics::Diagnostic>& diagnostics);

}  // namespace vorn::connection_line
