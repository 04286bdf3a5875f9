#pragma once

#include <vector>

#include "ir/types.hpp"
#include "validator/diagnostics.hpp"

namespace vorn::combinational_loop {

// E008: signal loops that pass through no and/not gate, and every self-loop.
void run(const types::Module& module, std::vector<diagnostics::Diagnostic>& diagnostics);

}  // namespace vorn::combinational_loop
