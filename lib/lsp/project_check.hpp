#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/span.hpp"
#include "resolver/file_loader.hpp"
#include "validator/diagnostics.hpp"

// Checks one file as the root of a project, with the compiler's own stages,
// and places every resulting diagnostic in the file it is located in.
namespace vorn::lsp {

struct PlacedNote {
  std::string path;
  Span span;
  std::string message;
};

struct PlacedDiagnostic {
  std::string path;  // the file the diagnostic is located in
  Span span;
  diagnostics::DiagnosticLevel level = diagnostics::DiagnosticLevel::err;
  std::optional<diagnostics::DiagnosticCode> code;  // none for a failed stage
  std::string message;
  std::vector<PlacedNote> notes;
};

struct ProjectCheck {
  // Every file the check read or looked for (canonical or "<builtin>/"
  // paths), the root first: a change to any of them can change the result.
  std::vector<std::string> file_paths;
  std::vector<PlacedDiagnostic> diagnostics;
};

// Runs the project pipeline on `root_path` the way the compiler does for a
// project root: parse, resolve, import scan, import cycles, body resolution,
// project checks. A stage that stops with diagnostics ends the check there;
// a stage that fails becomes one error at the start of the root, worded as
// the compiler words it ("body resolution failed: ParsingFailed"). Every file
// is read through `overlay` first.
ProjectCheck checkProject(std::string_view root_path, const file_loader::SourceOverlay& overlay);

}  // namespace vorn::lsp
