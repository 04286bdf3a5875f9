#pragma once

#include <vector>

#include "core/error.hpp"
#include "ir/types.hpp"
#include "validator/diagnostics.hpp"

namespace vorn::run_project {

// The module checks on every file, then the sub-circuit checks, file by file.
Result<std::vector<diagnostics::Diagnostic>> run(const types::Project& project);

}  // namespace vorn::run_project
