#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/error.hpp"
#include "core/output_stream.hpp"
#include "core/span.hpp"

// The diagnostic record, its code table and its printed form.
namespace vorn::diagnostics {

using Span = vorn::Span;

enum class DiagnosticCode : std::uint8_t {
  E001, E002, E003, E004, E005, E006, E007, E008, E009, E010, E011, E012, E013,
  W001, W002, W003,
};

enum class DiagnosticLevel : std::uint8_t { err = 0, warning = 1 };

std::string_view codeName(DiagnosticCode code);

struct DiagnosticNote {
  std::string message;
  Span span;
};

struct Diagnostic {
  std::string message;
  std::vector<DiagnosticNote> notes;
  Span span;
  DiagnosticLevel level = DiagnosticLevel::err;
  DiagnosticCode code = DiagnosticCode::E001;
};

struct Counts {
  std::size_t errors = 0;
  std::size_t warnings = 0;
};

Diagnostic makeDiagnostic(DiagnosticCode code, DiagnosticLevel level, std::string message, Span span,
                          std::vector<DiagnosticNote> notes = {});

// Shorthands: every E code is an error and every W code a warning.
Diagnostic makeError(DiagnosticCode code, std::string message, Span span, std::vector<DiagnosticNote> notes = {});
Diagnostic makeWarning(DiagnosticCode code, std::string message, Span span, std::vector<DiagnosticNote> notes = {});

// "path:line:col: error: E001: message"
std::string formatDiagnosticLine(std::string_view path, const Diagnostic& diagnostic);

Counts countDiagnostics(const std::vector<Diagnostic>& diagnostics);

// Prints every diagnostic in list order with its notes. Each line, main or
// note, names the file of its own span: `paths_by_file[span.file_id]` (the
// first path for an id beyond the list, as for a lone file).
Result<Counts> printDiagnosticSet(OutputStream& out, std::span<const std::string_view> paths_by_file,
                                  const std::vector<Diagnostic>& diagnostics);

// The same for diagnostics of one file, printed with `path`.
Result<Counts> printDiagnosticSet(OutputStream& out, std::string_view path, const std::vector<Diagnostic>& diagnostics);

// The path printed for `file_id`, with the fallback described above.
std::string_view pathOfFile(std::span<const std::string_view> paths_by_file, std::uint32_t file_id);

}  // namespace vorn::diagnostics
