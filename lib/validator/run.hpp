#pragma once

#include <vector>

#include "core/error.hpp"
#include "ir/types.hpp"
#include "validator/diagnostics.hpp"

namespace vorn::run {

// Runs the nine module checks in their fixed order.
Result<std::vector<diagnostics::Diagnostic>> run(const types::Module& module);

}  // namespace vorn::run
