#pragma once

#include <array>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/error.hpp"
#include "core/output_stream.hpp"
#include "core/span.hpp"
#include "validator/codes.hpp"

// The diagnostic record and its printed form; codes, levels and texts come
// from the table in codes.def.
namespace vorn::diagnostics {

using Span = vorn::Span;

using codes::codeName;
using codes::DiagnosticCode;
using codes::DiagnosticLevel;
using codes::NoteKind;

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

// Exactly N texts for a template's "{0}" ... "{N-1}"; a call passing another
// number does not compile.
template <std::size_t N>
class MessageArgs {
 public:
  template <typename... Texts>
  requires(sizeof...(Texts) == N && (std::convertible_to<const Texts&, std::string_view> && ...))
      MessageArgs(const Texts&... texts)
      : values_{std::string_view(texts)...} {}

  std::span<const std::string_view> values() const { return values_; }

 private:
  std::array<std::string_view, N> values_;
};

// A diagnostic whose level and message come from the code's table row:
// makeDiagnostic<DiagnosticCode::E001>(span, {type_name}).
template <DiagnosticCode code>
Diagnostic makeDiagnostic(Span span, MessageArgs<codes::argumentCount(codes::codeTemplate(code).default_message)> args,
                          std::vector<DiagnosticNote> notes = {}) {
  constexpr const codes::CodeTemplate& row = codes::codeTemplate(code);
  return makeDiagnostic(code, row.level, codes::formatTemplate(row.default_message, args.values()), span,
                        std::move(notes));
}

// A note whose text comes from the table: makeNote<NoteKind::cycle_member>(span, {path}).
template <NoteKind kind>
DiagnosticNote makeNote(Span span, MessageArgs<codes::argumentCount(codes::noteTemplate(kind).text)> args) {
  constexpr std::string_view text = codes::noteTemplate(kind).text;
  return DiagnosticNote{codes::formatTemplate(text, args.values()), span};
}

// "path:line:col: error: E001: message". Control bytes in the path and the
// message (which quotes import paths) are escaped (core/control_bytes.hpp),
// here and in the note lines, so that no source can forge or garble a line.
std::string formatDiagnosticLine(std::string_view path, const Diagnostic& diagnostic);

Counts countDiagnostics(const std::vector<Diagnostic>& diagnostics);

// Prints every diagnostic in list order with its notes. Each line, main or
// note, names the file of its own span: `paths_by_file[span.file_id]` (the
// first path for an id beyond the list, as for a lone file).
Result<Counts> printDiagnosticSet(OutputStream& out, std::span<const std::string_view> paths_by_file,
                                  const std::vector<Diagnostic>& diagnostics);

// The same for diagnostics of one file, printed with `path`.
Result<Counts> printDiagnosticSet(OutputStream& out, std::string_view path, const std::vector<Diagnostic>& diagnostics);

// Appends one diagnostic as a JSON object, with the paths of its text lines:
// {"file","code","level","message","span","notes":[{"file","message","span"}]}
// where a span is {"start":{"line","column"},"end":{"line","column"}}.
void appendDiagnosticJson(std::string& out, std::span<const std::string_view> paths_by_file,
                          const Diagnostic& diagnostic);

// The path printed for `file_id`, with the fallback described above.
std::string_view pathOfFile(std::span<const std::string_view> paths_by_file, std::uint32_t file_id);

}  // namespace vorn::diagnostics
