#pragma once

#include <string>
#include <vector>

#include "validator/diagnostics.hpp"

namespace vorn::testing_render {

// One string per diagnostic: "line:col CODE message", then " | line:col note"
// per note, so that a test states every field it cares about in one line.
inline std::vector<std::string> render(const std::vector<diagnostics::Diagnostic>& list) {
  std::vector<std::string> lines;
  for (const diagnostics::Diagnostic& diagnostic : list) {
    std::string line = std::to_string(diagnostic.span.start_line) + ":" + std::to_string(diagnostic.span.start_col) +
                       " " + std::string(diagnostics::codeName(diagnostic.code)) + " " + diagnostic.message;
    for (const diagnostics::DiagnosticNote& note : diagnostic.notes) {
      line +=
          " | " + std::to_string(note.span.start_line) + ":" + std::to_string(note.span.start_col) + " " + note.message;
    }
    lines.push_back(std::move(line));
  }
  return lines;
}

}  // namespace vorn::testing_render
