#pragma once

#include <cstdint>
#include <string>
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

// Cycles closed from a built-in macro file are never reported: the macros
// import each other implicitly.
bool participatesInImportCycles(std::string_view importing_path);

// The members' file ids in decimal, joined by "-".
std::string cycleKey(const std::vector<std::uint32_t>& members);

// Walks the import graph depth first (without recursion), reports every
// distinct cycle once and returns the files in post-order.
Result<AnalyzeResult> analyzeImports(const std::vector<std::string_view>& file_paths,
                                     const std::vector<scan_imports::ResolvedImport>& import_table);

}  // namespace vorn::import_cycle
