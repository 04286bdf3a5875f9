#pragma once

#include <string>

#include "core/error.hpp"
#include "emit/main.hpp"
#include "ir/types.hpp"

namespace vorn::project {

Result<std::string> emitProjectSource(const types::Project& project, const emit::EmitOptions& options);

}  // namespace vorn::project
