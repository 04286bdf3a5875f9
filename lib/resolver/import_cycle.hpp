#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "core/error.hpp"
#include "resolver/scan_imports.hpp"
#include "validator/diagnostics.hpp"

namespace vorn::import_cycle {

struct AnalyzeResult {
  std::vector<std::uint32_t> topo_order;  // every file after the files it imports
  std::vector<diagnostics::Diagnostic> diagnostics;
};

Result<AnalyzeResult> analyzeImports(const std::vector<std::string_view>& file_paths,
                                     const std::vector<scan_imports::ResolvedImport>& import_table);

}  // namespace vorn::import_cycle
