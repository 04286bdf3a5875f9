#pragma once

#include <string>
#include <string_view>

#include "core/error.hpp"
#include "ir/types.hpp"

namespace vorn::emit {

struct EmitOptions {
  std::string_view source_name;        // last path component of the input path
  std::string_view compile_timestamp;  // "2026-05-01T22:00:00Z"
  std::string_view compiler_version;   // "vorn-compiler/dev"
};

// Zig source for one module without sub-circuit instances. Fails with the
// errors of the build function and of the file-information encoder.
Result<std::string> emitModuleSource(const types::Module& module, const EmitOptions& options);

}  // namespace vorn::emit

namespace vorn::writer {
class Writer;
}

namespace vorn::emit {

// The "//!" banner and the two imports, each block followed by an empty line.
void emitHeader(writer::Writer& out, const EmitOptions& options);

}  // namespace vorn::emit
