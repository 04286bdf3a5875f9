#pragma once

#include <vector>

#include "ir/types.hpp"
#include "validator/diagnostics.hpp"
#include "validator/passes/gate_free_paths.hpp"

namespace vorn::combinational_loop {

// E008: signal loops that pass through no and/not gate, and every self-loop.
// With `paths` (in a project), a loop passing through a sub-circuit instance
// from one port to another counts only where a gate-free path joins those
// ports inside it; without, an instance joins all of its ports.
void run(const types::Module& module, std::vector<diagnostics::Diagnostic>& diagnostics,
         const gate_free_paths::ProjectPaths* paths = nullptr);

}  // namespace vorn::combinational_loop
