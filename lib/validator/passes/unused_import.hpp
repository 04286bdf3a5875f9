#pragma once

#include <vector>

#include "ir/types.hpp"
#include "validator/diagnostics.hpp"

namespace vorn::unused_import {

// W003: explicit imports whose alias is never instantiated.
void run(const types::Module& module, std::vector<diagnostics::Diagnostic>& diagnostics);

}  // namespace vorn::unused_import
