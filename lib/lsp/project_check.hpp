#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/span.hpp"
#include "resolver/file_loader.hpp"
#include "resolver/project_pipeline.hpp"
#include "validator/diagnostics.hpp"

// Checks one file as the root of a project, with the compiler's own stages,
// and places every resulting diagnostic in the file it is located in.
namespace vorn::lsp {

// A span of none places a diagnostic or note in its file as a whole, shown
// at the start of its first line: a failed stage has no place of its own.
struct PlacedNote {
  std::string path;
  std::optional<Span> span;
  std::string message;
};

struct PlacedDiagnostic {
  std::string path;  // the file the diagnostic is located in
  std::optional<Span> span;
  diagnostics::DiagnosticLevel level = diagnostics::DiagnosticLevel::err;
  std::optional<diagnostics::DiagnosticCode> code;  // none for a failed stage
  std::string message;
  std::vector<PlacedNote> notes;
  // An explanation the editor adds (information severity), not an error.
  bool information = false;
};

struct ProjectCheck {
  // Every file the check read or looked for (canonical or "<builtin>/"
  // paths), the root first: a change to any of them can change the result.
  std::vector<std::string> file_paths;
  std::vector<PlacedDiagnostic> diagnostics;
};

// A stored scan, kept between checks of the same root.
using ScanCache = project_pipeline::ScanCache;

// Runs the compiler's project pipeline on `root_path`. A stage that stops
// with diagnostics ends the check there; a stage that fails becomes one
// error at the start of the root, worded as the compiler words it ("body
// resolution failed: ParsingFailed"), after the located error of text the
// grammar could not read. Every file is read through `overlay` first.
// With a cache, its scan is reused when still valid, and a fresh scan
// without diagnostics is stored in it.
// Past the compiler's words, a name bound to a port that the root does not
// declare gets its own error at the name ("undeclared signal 'x'", no code),
// when the root translates.
// `visit_root` also sees the root's syntax tree, when the root parses.
ProjectCheck checkProject(std::string_view root_path, const file_loader::SourceOverlay& overlay,
                          ScanCache* cache = nullptr, const std::function<void(const ast::File&)>& visit_root = {});

}  // namespace vorn::lsp
