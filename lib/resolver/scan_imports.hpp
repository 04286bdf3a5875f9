#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "core/text_arena.hpp"
#include "core/error.hpp"
#include "syntax/ast.hpp"
#include "validator/diagnostics.hpp"

namespace vorn::scan_imports {

struct ResolvedImport {
  std::string_view alias;
  std::uint32_t importing_file = 0;
  std::uint32_t target_file = 0;
  diagnostics::Span span;
  bool implicit_builtin = false;
};

struct ScanResult {
  std::vector<std::string_view> file_paths;  // by file id; 0 is the root
  // By file id, the path to show people: the root as given, every other file
  // as joined from the display path of the file that first imported it
  // (file_loader::joinImportPath), built-in macros by their virtual paths.
  // Diagnostics are printed with the path of their span's file id.
  std::vector<std::string_view> display_paths;
  std::vector<ResolvedImport> import_table;
  std::vector<diagnostics::Diagnostic> diagnostics;
};

// True for the names that no import may use as its alias: the primitives and
// the pin keywords.
bool isBuiltinAlias(std::string_view alias);

// E011 for `alias`, with `note` when there is one.
void appendImportAliasCollisionDiagnostic(std::vector<diagnostics::Diagnostic>& list, std::string_view alias,
                                          diagnostics::Span span, std::optional<diagnostics::DiagnosticNote> note);

// E009 for an import path, as written, that names no file.
void appendImportNotFoundDiagnostic(std::vector<diagnostics::Diagnostic>& list, std::string_view path_as_written,
                                    diagnostics::Span span);

// Discovers every file reachable from the root breadth first, checks each
// import and adds the implicit imports of the built-in macros. `root_tree`,
// when given, is the root file already parsed (with file id 0) from the text
// at `root_path`; its imports are read from it instead of parsing the root
// a second time.
Result<ScanResult> scanProjectImports(TextArena& arena, std::string_view root_path,
                                      const ast::File* root_tree = nullptr);

}  // namespace vorn::scan_imports
