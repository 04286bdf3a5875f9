#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "lsp/project_check.hpp"
#include "syntax/ast.hpp"
#include "syntax/translate.hpp"

// Explanations in a beginner's words, added beside the compiler's own
// diagnostics (which stay as they are): what a slip usually means and how
// to write it in vorn.
namespace vorn::lsp {

// The root as the editor holds it: its text, its tree when it parses, and
// where the grammar first stopped when it did not.
struct RootText {
  std::string_view path;
  std::string_view text;
  const ast::File* file = nullptr;
  std::optional<translate::SyntaxError> unread = std::nullopt;
  bool parse_failed = false;
};

// Hints about the root's own text, each its own diagnostic of information
// severity: an output without binding (when the tree is given), `;`,
// operators and assignments, an unclosed binding list, and a file the
// compiler refuses without a place (nothing declared, an import without
// alias).
std::vector<PlacedDiagnostic> rootHints(const RootText& root);

// The hints at outputs written without binding, from the root's tree.
void addUnconnectedOutputHints(std::string_view path, const ast::File& file, std::vector<PlacedDiagnostic>& hints);

// Gives every note of `list` that names a component by its number a
// related location naming it as the source does ("driver from h1.sum").
// `textOf` reads a file by path.
void nameComponentsInNotes(std::vector<PlacedDiagnostic>& list,
                           const std::function<std::shared_ptr<const std::string>(const std::string&)>& textOf);

}  // namespace vorn::lsp
