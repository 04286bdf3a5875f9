#pragma once

#include <vector>

#include "core/error.hpp"
#include "ir/types.hpp"
#include "validator/diagnostics.hpp"
#include "validator/passes/gate_free_paths.hpp"

namespace vorn::run {

// Runs every module check, in their fixed order.
Result<std::vector<diagnostics::Diagnostic>> run(const types::Module& module);

// The same checks, appending to an existing list. In a project, `paths`
// tells the loop check which ports of a sub-circuit a gate-free path joins.
void runInto(const types::Module& module, std::vector<diagnostics::Diagnostic>& diagnostics,
             const gate_free_paths::ProjectPaths* paths = nullptr);

}  // namespace vorn::run
