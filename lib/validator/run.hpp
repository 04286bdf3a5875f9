#pragma once

#include <vector>

#include "core/error.hpp"
#include "ir/types.hpp"
#include "validator/diagnostics.hpp"

namespace vorn::run {

// Runs every module check, in their fixed order.
Result<std::vector<diagnostics::Diagnostic>> run(const types::Module& module);

// The same checks, appending to an existing list.
void runInto(const types::Module& module, std::vector<diagnostics::Diagnostic>& diagnostics);

}  // namespace vorn::run
