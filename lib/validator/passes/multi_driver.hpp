#pragma once

#include <vector>

#include "ir/types.hpp"
#include "validator/diagnostics.hpp"

namespace vorn::multi_driver {

// E003: input ports driven by more than one connection, reported once each.
void run(const types::Module& module, std::vector<diagnostics::Diagnostic>& diagnostics);

}  // namespace vorn::multi_driver
