#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/line_index.hpp"
#include "core/span.hpp"
#include "lsp/navigation.hpp"
#include "syntax/ast.hpp"

// The names a user may rename, and every place of a project that names
// one: an instance, an input or output pin (whose names are also the ports
// of the files that import its file) and an import alias.
namespace vorn::lsp {

struct Symbol {
  enum class Kind : std::uint8_t { instance, input, output, alias };
  Kind kind = Kind::instance;
  std::string path;  // the file that declares it
  std::string name;
};

// The symbol named at `at` of `file` (at `file_path`), with the span of the
// name written there; nothing where no renameable name is.
struct SymbolAt {
  Symbol symbol;
  Span span;
};
std::optional<SymbolAt> symbolAt(const ast::File& file, std::string_view file_path, LineCol at);

struct Occurrence {
  Span span;
  bool declaration = false;
};

// Every place of `file` (at `file_path`) that names `symbol`.
std::vector<Occurrence> occurrencesIn(const ast::File& file, std::string_view file_path, const Symbol& symbol);

// Whether `name` can be written where the symbol's name stands.
bool isValidName(std::string_view name);

}  // namespace vorn::lsp
