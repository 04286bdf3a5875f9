#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace vorn {

// A place in source text as the compiler counts it: lines from 1, split at
// line feeds only (a carriage return is a byte of its line), and byte
// columns from 1.
struct LineCol {
  std::uint32_t line = 1;
  std::uint32_t col = 1;
  friend bool operator==(const LineCol&, const LineCol&) = default;
};

// Where every line of a text starts, to turn byte offsets into lines and
// columns and back by binary search.
class LineIndex {
 public:
  // Line 1 starts at `first_line_start`: a reader that skips a byte order
  // mark counts its columns from after it. Texts are read with limits far
  // below 4 GiB, so offsets fit 32 bits, as in the parse tree.
  explicit LineIndex(std::string_view text, std::size_t first_line_start = 0);

  // The line and column of a byte offset, clamped to the text from the start
  // of line 1. Offsets are mostly asked for in text order, so the line found
  // last and the one after it are tried first.
  LineCol lineColOf(std::size_t offset) const {
    const std::uint32_t at = offset < starts_.front() ? starts_.front()
                             : offset > text_size_    ? text_size_
                                                      : static_cast<std::uint32_t>(offset);
    if (!holds(hint_, at)) hint_ = lineOf(at);
    return LineCol{.line = static_cast<std::uint32_t>(hint_ + 1), .col = at - starts_[hint_] + 1};
  }

  // The byte offset of a line and column, clamped to the text; a column past
  // the end of its line stops at its line feed, and 0 counts as 1.
  std::size_t offsetOf(LineCol at) const;

  std::size_t firstLineStart() const { return starts_.front(); }

 private:
  bool holds(std::size_t line, std::uint32_t at) const {
    return starts_[line] <= at && (line + 1 == starts_.size() || at < starts_[line + 1]);
  }
  std::size_t lineOf(std::uint32_t at) const;  // past the line found last

  std::uint32_t text_size_;
  std::vector<std::uint32_t> starts_;  // by line, from line 1
  mutable std::size_t hint_ = 0;       // index of the line found last
};

}  // namespace vorn
