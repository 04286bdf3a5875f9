#include "validator/diagnostics.hpp"

#include "core/control_bytes.hpp"
#include "core/json_text.hpp"

namespace vorn::diagnostics {

Diagnostic makeDiagnostic(DiagnosticCode code, DiagnosticLevel level, std::string message, Span span,
                          std::vector<DiagnosticNote> notes) {
  return Diagnostic{std::move(message), std::move(notes), span, level, code};
}

std::string formatDiagnosticLine(std::string_view path, const Diagnostic& diagnostic) {
  std::string line;
  line.reserve(path.size() + diagnostic.message.size() + 40);
  // Paths come from file names and import declarations and may hold any byte.
  control_bytes::appendEscaped(line, path);
  line.push_back(':');
  line.append(std::to_string(diagnostic.span.start_line));
  line.push_back(':');
  line.append(std::to_string(diagnostic.span.start_col));
  line.append(diagnostic.level == DiagnosticLevel::err ? ": error: " : ": warning: ");
  line.append(codeName(diagnostic.code));
  line.append(": ");
  control_bytes::appendEscaped(line, diagnostic.message);
  return line;
}

Counts countDiagnostics(const std::vector<Diagnostic>& diagnostics) {
  Counts counts;
  for (const Diagnostic& diagnostic : diagnostics) {
    if (diagnostic.level == DiagnosticLevel::err) {
      ++counts.errors;
    } else {
      ++counts.warnings;
    }
  }
  return counts;
}

Result<Counts> printDiagnosticSet(OutputStream& out, std::string_view path,
                                  const std::vector<Diagnostic>& diagnostics) {
  return printDiagnosticSet(out, std::span<const std::string_view>(&path, 1), diagnostics);
}

std::string_view pathOfFile(std::span<const std::string_view> paths_by_file, std::uint32_t file_id) {
  if (paths_by_file.empty()) return {};
  return file_id < paths_by_file.size() ? paths_by_file[file_id] : paths_by_file.front();
}

Result<Counts> printDiagnosticSet(OutputStream& out, std::span<const std::string_view> paths_by_file,
                                  const std::vector<Diagnostic>& diagnostics) {
  for (const Diagnostic& diagnostic : diagnostics) {
    std::string text = formatDiagnosticLine(pathOfFile(paths_by_file, diagnostic.span.file_id), diagnostic);
    text.push_back('\n');
    for (const DiagnosticNote& note : diagnostic.notes) {
      text.append("  note: ");
      control_bytes::appendEscaped(text, pathOfFile(paths_by_file, note.span.file_id));
      text.push_back(':');
      text.append(std::to_string(note.span.start_line));
      text.push_back(':');
      text.append(std::to_string(note.span.start_col));
      text.append(": ");
      control_bytes::appendEscaped(text, note.message);
      text.push_back('\n');
    }
    VORN_TRY_VOID(out.write(text));
  }
  return countDiagnostics(diagnostics);
}

namespace {

void appendSpanJson(std::string& out, const Span& span) {
  out.append("{\"start\":{\"line\":");
  out.append(std::to_string(span.start_line));
  out.append(",\"column\":");
  out.append(std::to_string(span.start_col));
  out.append("},\"end\":{\"line\":");
  out.append(std::to_string(span.end_line));
  out.append(",\"column\":");
  out.append(std::to_string(span.end_col));
  out.append("}}");
}

// A path or message as its text line prints it (control bytes escaped), as a
// JSON string: the document and the text lines never disagree.
void appendPrintedString(std::string& out, std::string_view text) {
  std::string printed;
  control_bytes::appendEscaped(printed, text);
  json_text::appendString(out, printed);
}

}  // namespace

void appendDiagnosticJson(std::string& out, std::span<const std::string_view> paths_by_file,
                          const Diagnostic& diagnostic) {
  out.append("{\"file\":");
  appendPrintedString(out, pathOfFile(paths_by_file, diagnostic.span.file_id));
  out.append(",\"code\":\"");
  out.append(codeName(diagnostic.code));
  out.append(diagnostic.level == DiagnosticLevel::err ? "\",\"level\":\"error\"" : "\",\"level\":\"warning\"");
  out.append(",\"message\":");
  appendPrintedString(out, diagnostic.message);
  out.append(",\"span\":");
  appendSpanJson(out, diagnostic.span);
  out.append(",\"notes\":[");
  for (std::size_t i = 0; i < diagnostic.notes.size(); ++i) {
    const DiagnosticNote& note = diagnostic.notes[i];
    if (i > 0) out.push_back(',');
    out.append("{\"file\":");
    appendPrintedString(out, pathOfFile(paths_by_file, note.span.file_id));
    out.append(",\"message\":");
    appendPrintedString(out, note.message);
    out.append(",\"span\":");
    appendSpanJson(out, note.span);
    out.push_back('}');
  }
  out.append("]}");
}

}  // namespace vorn::diagnostics
