#pragma once

#include <string>

#include "core/error.hpp"
#include "ir/types.hpp"
#include "syntax/ast.hpp"

namespace vorn::inspect_dump {

Result<std::string> dumpAstFile(const ast::File& file);
Result<std::string> dumpIrModule(const types::Module& module);

}  // namespace vorn::inspect_dump
