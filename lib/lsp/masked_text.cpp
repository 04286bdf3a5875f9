#include "lsp/masked_text.hpp"

#include <algorithm>
#include <optional>
#include <string_view>

#include "core/text_arena.hpp"
#include "syntax/translate.hpp"

namespace vorn::lsp {

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

struct LineBounds {
  std::size_t start = 0;
  std::size_t stop = 0;
};

LineBounds lineAround(std::string_view text, std::size_t offset) {
  const std::size_t start = offset == 0 ? 0 : text.rfind('\n', offset - 1) + 1;  // npos + 1 == 0
  std::size_t stop = text.find('\n', start);
  if (stop == std::string_view::npos) stop = text.size();
  return {start, stop};
}

bool blankBetween(std::string_view text, std::size_t from, std::size_t to) {
  return std::all_of(text.begin() + static_cast<std::ptrdiff_t>(from), text.begin() + static_cast<std::ptrdiff_t>(to),
                     isBlank);
}

// More `(` than `)` before any `//` comment.
bool leavesListOpen(std::string_view line) {
  long open = 0;
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] == '/' && i + 1 < line.size() && line[i + 1] == '/') break;
    open += line[i] == '(' ? 1 : line[i] == ')' ? -1 : 0;
  }
  return open > 0;
}

}  // namespace

bool blankRefusedLines(std::string& text) {
  // Each line is read on its own, so the cost stays linear; past this many
  // lines it is not worth it.
  constexpr std::size_t kMaxLines = 5000;
  bool blanked = false;
  std::size_t start = 0;
  for (std::size_t count = 0; start < text.size() && count < kMaxLines; ++count) {
    std::size_t stop = text.find('\n', start);
    if (stop == std::string::npos) stop = text.size();
    const std::string_view line = std::string_view(text).substr(start, stop - start);
    if (!translate::nothingDeclared(line)) {
      TextArena arena;
      if (!translate::parseSource(arena, line, 0)) {
        for (std::size_t i = start; i < stop; ++i) {
          if (text[i] != '\r') text[i] = ' ';
        }
        blanked = true;
      }
    }
    start = stop + 1;
  }
  return blanked;
}

bool blankUnreadableLine(std::string& text, std::size_t offset) {
  offset = std::min(offset, text.size());
  LineBounds line = lineAround(text, offset);
  // The nearest earlier line with text, when the grammar stopped at the start of this one.
  std::optional<LineBounds> earlier;
  for (std::size_t end = line.start; end > 0;) {
    LineBounds candidate = lineAround(text, end - 1);
    if (!blankBetween(text, candidate.start, candidate.stop)) {
      earlier = candidate;
      break;
    }
    end = candidate.start;
  }
  const bool blank = blankBetween(text, line.start, line.stop);
  if (blank ||
      (earlier && leavesListOpen(std::string_view(text).substr(earlier->start, earlier->stop - earlier->start)))) {
    if (!earlier) return false;
    line = *earlier;
  }
  for (std::size_t i = line.start; i < line.stop; ++i) {
    if (text[i] != '\r') text[i] = ' ';
  }
  return true;
}

}  // namespace vorn::lsp
