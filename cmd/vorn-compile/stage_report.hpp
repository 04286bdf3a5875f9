#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cli/args.hpp"
#include "core/error.hpp"
#include "core/output_stream.hpp"
#include "syntax/translate.hpp"
#include "test_table/table_error.hpp"
#include "validator/diagnostics.hpp"

namespace vorn::driver {

// Where a run's diagnostics and its stage failure go. As text, each is
// written to standard error when it happens. As JSON, they are kept and
// finish() writes them as one document, the last line on standard error:
//   {"diagnostics":[...],"failure":null | {"stage","error"[,"file"][,"location"]}}
// A failure's text line is its stage, ": " and its error (the file instead
// of the error for "input file not found" and "test table not found");
// "location" is {"file","line","column","message"} where a text line names
// the place (unread text, a test table that cannot be read). Paths are
// written as the text lines print them.
class StageReport {
 public:
  StageReport(OutputStream& err, args::DiagnosticsFormat format) : err_(err), format_(format) {}

  // Standard error itself, for the truth-table trace and the strict scan.
  OutputStream& err() { return err_; }

  // A stage's diagnostics, each with the path of its own file.
  Result<diagnostics::Counts> diagnostics(std::span<const std::string_view> paths_by_file,
                                          const std::vector<diagnostics::Diagnostic>& list);
  // The diagnostics that --inspect prints inside its dump: kept for the JSON
  // document, nothing as text.
  void inspectDiagnostics(std::span<const std::string_view> paths_by_file,
                          const std::vector<diagnostics::Diagnostic>& list);

  // "<prefix><error name>"; exit status 1.
  Result<std::uint8_t> stageFailure(std::string_view prefix, Error error);
  // The same, after the located line of the text the grammar could not read.
  Result<std::uint8_t> syntaxFailure(std::string_view prefix, Error error, std::string_view path,
                                     const std::optional<translate::SyntaxError>& unread);
  // "<prefix><path>" for a file that is not there ("input file not found: ",
  // "test table not found: "); exit status 1.
  Result<std::uint8_t> fileNotFound(std::string_view prefix, std::string_view path);
  // The located line of a test table that cannot be read; exit status 1. As
  // JSON its stage is "test table failed" and its error InvalidTestTable.
  Result<std::uint8_t> tableFailure(std::string_view path, const test_table::TableError& error);

  // Ends the run. As JSON, standard output is flushed first (its failure is
  // the run's, as the entry point would report it), an error becomes the
  // failure "error" with status 1, and the document is written.
  Result<std::uint8_t> finish(Result<std::uint8_t> status, OutputStream& out);

 private:
  bool json() const { return format_ == args::DiagnosticsFormat::json; }
  void keep(std::span<const std::string_view> paths_by_file, const std::vector<diagnostics::Diagnostic>& list);
  void keepFailure(std::string_view prefix, std::string_view error, std::optional<std::string_view> file);
  void keepLocation(std::string_view path, std::uint32_t line, std::uint32_t column, std::string_view message);

  OutputStream& err_;
  args::DiagnosticsFormat format_;
  std::string diagnostics_json_;  // the objects, comma-separated
  std::string failure_json_ = "null";
};

}  // namespace vorn::driver
