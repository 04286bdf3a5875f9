#include "stage_report.hpp"

#include "core/control_bytes.hpp"
#include "core/json_text.hpp"
#include "core/stage_prefixes.hpp"

namespace vorn::driver {

namespace {

// The stage's name: its prefix without the ": " that joins it to the error.
std::string_view stageName(std::string_view prefix) {
  if (prefix.ends_with(": ")) prefix.remove_suffix(2);
  return prefix;
}

// A path as the text lines print it: control bytes escaped.
std::string printedPath(std::string_view path) {
  std::string printed;
  control_bytes::appendEscaped(printed, path);
  return printed;
}

}  // namespace

void StageReport::keep(std::span<const std::string_view> paths_by_file,
                       const std::vector<diagnostics::Diagnostic>& list) {
  for (const diagnostics::Diagnostic& diagnostic : list) {
    if (!diagnostics_json_.empty()) diagnostics_json_.push_back(',');
    diagnostics::appendDiagnosticJson(diagnostics_json_, paths_by_file, diagnostic);
  }
}

Result<diagnostics::Counts> StageReport::diagnostics(std::span<const std::string_view> paths_by_file,
                                                     const std::vector<diagnostics::Diagnostic>& list) {
  if (json()) {
    keep(paths_by_file, list);
    return diagnostics::countDiagnostics(list);
  }
  return diagnostics::printDiagnosticSet(err_, paths_by_file, list);
}

void StageReport::inspectDiagnostics(std::span<const std::string_view> paths_by_file,
                                     const std::vector<diagnostics::Diagnostic>& list) {
  if (json()) keep(paths_by_file, list);
}

void StageReport::keepFailure(std::string_view prefix, std::string_view error, std::optional<std::string_view> file) {
  failure_json_ = "{\"stage\":";
  json_text::appendString(failure_json_, stageName(prefix));
  failure_json_.append(",\"error\":");
  json_text::appendString(failure_json_, error);
  if (file) {
    failure_json_.append(",\"file\":");
    json_text::appendString(failure_json_, *file);
  }
}

Result<std::uint8_t> StageReport::stageFailure(std::string_view prefix, Error error) {
  if (json()) {
    keepFailure(prefix, errorName(error), std::nullopt);
    failure_json_.push_back('}');
    return std::uint8_t{1};
  }
  VORN_TRY_VOID(err_.writeAll({prefix, errorName(error), "\n"}));
  return std::uint8_t{1};
}

void StageReport::keepLocation(std::string_view path, std::uint32_t line, std::uint32_t column,
                               std::string_view message) {
  failure_json_.append(",\"location\":{\"file\":");
  json_text::appendString(failure_json_, printedPath(path));
  failure_json_.append(",\"line\":");
  failure_json_.append(std::to_string(line));
  failure_json_.append(",\"column\":");
  failure_json_.append(std::to_string(column));
  failure_json_.append(",\"message\":");
  json_text::appendString(failure_json_, message);
  failure_json_.append("}}");
}

Result<std::uint8_t> StageReport::syntaxFailure(std::string_view prefix, Error error, std::string_view path,
                                                const std::optional<translate::SyntaxError>& unread) {
  if (!unread) return stageFailure(prefix, error);
  if (json()) {
    keepFailure(prefix, errorName(error), std::nullopt);
    keepLocation(path, unread->line, unread->col, unread->message);
    return std::uint8_t{1};
  }
  std::string line = translate::formatSyntaxError(path, *unread);
  line.push_back('\n');
  VORN_TRY_VOID(err_.write(line));
  return stageFailure(prefix, error);
}

Result<std::uint8_t> StageReport::tableFailure(std::string_view path, const test_table::TableError& error) {
  if (json()) {
    keepFailure(stage_prefixes::kTestTableFailed, errorName(Error::InvalidTestTable), std::nullopt);
    keepLocation(path, error.line, error.column, error.message);
    return std::uint8_t{1};
  }
  std::string line = test_table::formatTableError(path, error);
  line.push_back('\n');
  VORN_TRY_VOID(err_.write(line));
  return std::uint8_t{1};
}

Result<std::uint8_t> StageReport::fileNotFound(std::string_view prefix, std::string_view path) {
  if (json()) {
    keepFailure(prefix, errorName(Error::FileNotFound), printedPath(path));
    failure_json_.push_back('}');
    return std::uint8_t{1};
  }
  VORN_TRY_VOID(err_.writeAll({prefix, printedPath(path), "\n"}));
  return std::uint8_t{1};
}

Result<std::uint8_t> StageReport::finish(Result<std::uint8_t> status, OutputStream& out) {
  if (!json()) return status;
  auto flushed = out.flush();
  if (status && !flushed && *status == 0) status = fail(flushed.error());
  if (!status) {
    keepFailure("error: ", errorName(status.error()), std::nullopt);
    failure_json_.push_back('}');
    status = std::uint8_t{1};
  }
  VORN_TRY_VOID(err_.writeAll({"{\"diagnostics\":[", diagnostics_json_, "],\"failure\":", failure_json_, "}\n"}));
  return status;
}

}  // namespace vorn::driver
