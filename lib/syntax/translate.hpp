#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/text_arena.hpp"
#include "core/error.hpp"
#include "syntax/ast.hpp"

namespace vorn::translate {

// Why a file was refused although its first items parsed: the grammar stopped
// before the end of the text. `line` and `col` (1-based, byte columns, as in
// spans) locate the farthest position the parser reached, which is where the
// slip is; `message` is the parser's own text ("Expected … but got …" or
// "Unexpected …").
struct SyntaxError {
  std::uint32_t offset = 0;  // byte offset of the same position
  std::uint32_t line = 0;
  std::uint32_t col = 0;
  std::string message;
};

// Parses `source` with the grammar's Program rule and translates the parse
// tree into a syntax tree whose spans carry `file_id`. Generated names are
// stored in `arena`; `source` must outlive the result.
//
// Text the grammar cannot read (other than spaces, tabs, line breaks), after
// the last item it could read or in the first item already, fails with
// ParsingFailed, and `syntax_error`, when given, receives where and why. A
// text with nothing to read, or whose items all read but declare nothing,
// fails without a SyntaxError (`*syntax_error` is reset).
Result<ast::File> parseSource(TextArena& arena, std::string_view source, std::uint32_t file_id,
                              std::optional<SyntaxError>* syntax_error = nullptr);

// Why a text that holds nothing to translate (empty, or only blanks and
// comments) is refused, located at its start; nothing for any other text.
// parseSource gives such a text no SyntaxError, since there is no slip to
// point at; an imported file is named with this one instead.
std::optional<SyntaxError> nothingDeclared(std::string_view source);

// "path:line:col: error: message", the located line printed for a SyntaxError;
// control bytes in the path are escaped as in the message.
std::string formatSyntaxError(std::string_view path, const SyntaxError& error);

}  // namespace vorn::translate
