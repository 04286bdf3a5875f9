#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/line_index.hpp"
#include "core/span.hpp"

// Positions in one text, three ways: byte offsets; the compiler's 1-based
// lines (split at line feeds only) and byte columns; and the editor
// protocol's 0-based lines (split at CR, LF and CRLF) and UTF-16 columns.
namespace vorn::lsp {

struct Position {
  std::uint32_t line = 0;       // 0-based
  std::uint32_t character = 0;  // UTF-16 code units from the line start
  friend bool operator==(const Position&, const Position&) = default;
};

struct Range {
  Position start;
  Position end;
  friend bool operator==(const Range&, const Range&) = default;
};

class TextIndex {
 public:
  // `text` must outlive the index.
  explicit TextIndex(std::string_view text);

  std::string_view text() const { return text_; }

  // The compiler's lines and byte columns.
  const LineIndex& lines() const { return lines_; }

  // The protocol position of a byte offset. An offset inside a multi-byte
  // character counts that character; invalid UTF-8 counts one unit per byte.
  Position positionOfOffset(std::size_t offset) const;

  // The byte offset of a protocol position, clamped to its line (without the
  // line break) and to the text.
  std::size_t offsetOfPosition(Position position) const;

  // A span's range; the end is exclusive on both sides. No span stands for
  // the text as a whole, shown where the compiler's first line starts.
  Range rangeOfSpan(const std::optional<Span>& span) const;

 private:
  // A character whose UTF-8 form is longer than its UTF-16 form.
  struct Wide {
    std::size_t start = 0;
    std::uint32_t length = 0;
    std::size_t excess_before = 0;  // sum of (bytes - units) of the earlier ones
  };

  std::size_t protocolLineEnd(std::size_t line) const;
  std::size_t excessBefore(std::size_t offset) const;

  std::string_view text_;
  std::vector<Wide> wide_;
  std::size_t total_excess_ = 0;
  LineIndex lines_;
  std::vector<std::size_t> protocol_line_starts_;  // lines of the protocol
};

// The length in bytes of the UTF-8 sequence starting at `text[index]`, 1 for
// a byte that does not start a valid sequence; `units` receives its UTF-16
// length.
std::size_t utf8SequenceLength(std::string_view text, std::size_t index, std::uint32_t& units);

}  // namespace vorn::lsp

namespace vorn::lsp {

// `text` with every byte that starts no valid UTF-8 sequence replaced by
// U+FFFD; nothing when the text is valid already.
std::optional<std::string> replaceInvalidUtf8(std::string_view text);

}  // namespace vorn::lsp
