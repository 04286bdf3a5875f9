#pragma once

#include <string_view>

// What a failed stage's line starts with, before the error name (the input
// path for kInputNotFound). The compiler prints these; the project pipeline
// names its failed stages by them, which the language server shows as they are.
namespace vorn::stage_prefixes {

inline constexpr std::string_view kInputNotFound = "input file not found: ";
inline constexpr std::string_view kReadingInput = "failed reading input file: ";
inline constexpr std::string_view kParse = "parse failed: ";
inline constexpr std::string_view kResolve = "resolve failed: ";
inline constexpr std::string_view kImportScan = "import scan failed: ";
inline constexpr std::string_view kImportCycles = "import cycle analysis failed: ";
inline constexpr std::string_view kBodyResolution = "body resolution failed: ";
inline constexpr std::string_view kProjectValidation = "project validation failed: ";
inline constexpr std::string_view kValidation = "validation failed: ";
inline constexpr std::string_view kEmission = "emission failed: ";
inline constexpr std::string_view kWritingZig = "failed writing zig output: ";
inline constexpr std::string_view kWritingVerilog = "failed writing verilog output: ";
inline constexpr std::string_view kTopologySerialization = "topology serialization failed: ";
inline constexpr std::string_view kFullTopologySerialization = "full topology serialization failed: ";
inline constexpr std::string_view kWasmAssembly = "wasm assembly failed: ";
inline constexpr std::string_view kWritingWasm = "failed writing wasm output: ";
inline constexpr std::string_view kTopologyBuild = "topology build failed: ";
inline constexpr std::string_view kLayoutBuild = "layout build failed: ";
inline constexpr std::string_view kRender = "render failed: ";
inline constexpr std::string_view kTruthTableBuild = "truth-table build failed: ";
inline constexpr std::string_view kStrictScan = "strict scan failed: ";
// The table of --test: kTestTableNotFound is followed by its path.
inline constexpr std::string_view kTestTableNotFound = "test table not found: ";
inline constexpr std::string_view kReadingTestTable = "failed reading test table: ";
// A test table that cannot be read: as text only its located line is
// printed; the JSON diagnostics name the stage by this.
inline constexpr std::string_view kTestTableFailed = "test table failed: ";
inline constexpr std::string_view kTestRun = "test run failed: ";
inline constexpr std::string_view kAnalysis = "analysis failed: ";
inline constexpr std::string_view kWritingSynthesis = "failed writing synthesized circuit: ";
// The pair of --equiv.
inline constexpr std::string_view kEquivalenceCheck = "equivalence check failed: ";
// The value change dump of --vcd.
inline constexpr std::string_view kWritingVcd = "failed writing vcd output: ";

}  // namespace vorn::stage_prefixes
