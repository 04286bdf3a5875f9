#include "lsp/text_position.hpp"

#include <algorithm>

#include "resolver/file_loader.hpp"

namespace vorn::lsp {

std::size_t utf8SequenceLength(std::string_view text, std::size_t index, std::uint32_t& units) {
  units = 1;
  const auto lead = static_cast<unsigned char>(text[index]);
  if (lead < 0x80) return 1;
  std::size_t length = 0;
  std::uint32_t code_point = 0;
  if ((lead & 0xE0) == 0xC0) {
    length = 2;
    code_point = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3;
    code_point = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4;
    code_point = lead & 0x07;
  } else {
    return 1;
  }
  if (index + length > text.size()) return 1;
  for (std::size_t k = 1; k < length; ++k) {
    const auto next = static_cast<unsigned char>(text[index + k]);
    if ((next & 0xC0) != 0x80) return 1;
    code_point = (code_point << 6) | (next & 0x3F);
  }
  // Overlong forms, surrogates and values past U+10FFFF are not characters;
  // an editor shows each of their bytes as one replacement character.
  static constexpr std::uint32_t kSmallest[5] = {0, 0, 0x80, 0x800, 0x10000};
  if (code_point < kSmallest[length] || code_point > 0x10FFFF || (code_point >= 0xD800 && code_point <= 0xDFFF)) {
    return 1;
  }
  units = code_point >= 0x10000 ? 2 : 1;
  return length;
}

// The compiler reads a file without its byte order mark: its first line
// starts after the mark.
TextIndex::TextIndex(std::string_view text)
    : text_(text), lines_(text, text.size() - file_loader::withoutByteOrderMark(text).size()) {
  protocol_line_starts_.push_back(0);
  std::size_t excess = 0;
  for (std::size_t i = 0; i < text.size();) {
    const char byte = text[i];
    if (byte == '\n') {
      protocol_line_starts_.push_back(i + 1);
      ++i;
      continue;
    }
    if (byte == '\r') {
      if (i + 1 >= text.size() || text[i + 1] != '\n') protocol_line_starts_.push_back(i + 1);
      ++i;
      continue;
    }
    std::uint32_t units = 1;
    const std::size_t length = utf8SequenceLength(text, i, units);
    if (length > units) {
      wide_.push_back(Wide{.start = i, .length = static_cast<std::uint32_t>(length), .excess_before = excess});
      excess += length - units;
    }
    i += length;
  }
  total_excess_ = excess;
}

std::size_t TextIndex::protocolLineEnd(std::size_t line) const {
  if (line + 1 >= protocol_line_starts_.size()) return text_.size();
  std::size_t end = protocol_line_starts_[line + 1];
  // Step back over the line break: LF, CR or CRLF.
  if (end > 0 && text_[end - 1] == '\n') --end;
  if (end > protocol_line_starts_[line] && text_[end - 1] == '\r') --end;
  return end;
}

std::size_t TextIndex::excessBefore(std::size_t offset) const {
  // The bytes beyond one unit per UTF-16 unit in the characters that begin
  // before `offset`.
  auto after = std::lower_bound(wide_.begin(), wide_.end(), offset,
                                [](const Wide& wide, std::size_t value) { return wide.start < value; });
  if (after == wide_.end()) return total_excess_;
  return after->excess_before;
}

Position TextIndex::positionOfOffset(std::size_t offset) const {
  offset = std::clamp(offset, lines_.firstLineStart(), text_.size());
  auto after = std::upper_bound(protocol_line_starts_.begin(), protocol_line_starts_.end(), offset);
  const auto line = static_cast<std::size_t>(after - protocol_line_starts_.begin()) - 1;
  const std::size_t start = protocol_line_starts_[line];
  offset = std::min(offset, protocolLineEnd(line));
  // A character cut by the offset counts whole.
  auto cut = std::lower_bound(wide_.begin(), wide_.end(), offset,
                              [](const Wide& wide, std::size_t value) { return wide.start < value; });
  if (cut != wide_.begin()) {
    const Wide& previous = *(cut - 1);
    if (previous.start >= start && previous.start + previous.length > offset) offset = previous.start + previous.length;
  }
  const std::size_t units = (offset - start) - (excessBefore(offset) - excessBefore(start));
  return Position{.line = static_cast<std::uint32_t>(line), .character = static_cast<std::uint32_t>(units)};
}

std::size_t TextIndex::offsetOfPosition(Position position) const {
  if (position.line >= protocol_line_starts_.size()) return text_.size();
  const std::size_t end = protocolLineEnd(position.line);
  std::size_t offset = protocol_line_starts_[position.line];
  std::uint64_t remaining = position.character;
  while (offset < end && remaining > 0) {
    std::uint32_t units = 1;
    const std::size_t length = utf8SequenceLength(text_, offset, units);
    // A position between the two halves of a surrogate pair stays before it.
    if (units > remaining) break;
    remaining -= units;
    offset += length;
  }
  return offset;
}

Range TextIndex::rangeOfSpan(const std::optional<Span>& span) const {
  if (!span) return rangeOfSpan(Span{.file_id = 0, .start_line = 1, .start_col = 1, .end_line = 1, .end_col = 1});
  const std::size_t start = lines_.offsetOf(LineCol{.line = span->start_line, .col = span->start_col});
  const std::size_t end = std::max(start, lines_.offsetOf(LineCol{.line = span->end_line, .col = span->end_col}));
  return Range{.start = positionOfOffset(start), .end = positionOfOffset(end)};
}

}  // namespace vorn::lsp

namespace vorn::lsp {

std::optional<std::string> replaceInvalidUtf8(std::string_view text) {
  std::optional<std::string> replaced;
  std::size_t copied = 0;
  for (std::size_t i = 0; i < text.size();) {
    std::uint32_t units = 0;
    const std::size_t length = utf8SequenceLength(text, i, units);
    if (length == 1 && static_cast<unsigned char>(text[i]) >= 0x80) {
      if (!replaced) replaced.emplace().reserve(text.size() + 16);
      replaced->append(text.substr(copied, i - copied));
      replaced->append("\xEF\xBF\xBD");
      copied = i + 1;
    }
    i += length;
  }
  if (replaced) replaced->append(text.substr(copied));
  return replaced;
}

}  // namespace vorn::lsp
