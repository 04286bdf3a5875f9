#pragma once

#include <string>
#include <string_view>

#include "core/error.hpp"
#include "ir/types.hpp"

// Structural Verilog-2005 for a project: one module per source file, the
// root's named after its file, built from and/not/buf primitives and
// instances of the other modules.
namespace vorn::verilog {

struct EmitOptions {
  std::string_view source_name;       // last path component of the input path
  std::string_view compiler_version;  // "vorn-compiler/dev"
};

// The whole file. Modules follow the files' ids, the root's first. Fails as
// verilog_module::appendModule does.
Result<std::string> emitProjectVerilog(const types::Project& project, const EmitOptions& options);

}  // namespace vorn::verilog
