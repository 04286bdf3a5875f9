#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "core/arena.hpp"
#include "core/error.hpp"
#include "validator/diagnostics.hpp"

namespace vorn::scan_imports {

struct ResolvedImport {
  std::string_view alias;
  std::uint32_t importing_file = 0;
  std::uint32_t target_file = 0;
  diagnostics::Span span;
  bool implicit_builtin = false;
};

struct ScanResult {
  std::vector<std::string_view> file_paths;  // by file id; 0 is the root
  std::vector<ResolvedImport> import_table;
  std::vector<diagnostics::Diagnostic> diagnostics;
};

// Discovers every file reachable from the root breadth first, checks each
// import and adds the implicit imports of the built-in macros.
Result<ScanResult> scanProjectImports(Arena& arena, std::string_view root_path);

}  // namespace vorn::scan_imports
