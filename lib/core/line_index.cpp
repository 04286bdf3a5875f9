#include "core/line_index.hpp"

#include <algorithm>
#include <cstring>

namespace vorn {

LineIndex::LineIndex(std::string_view text, std::size_t first_line_start) : text_size_(text.size()) {
  first_line_start = std::min(first_line_start, text.size());
  starts_.push_back(first_line_start);
  const char* begin = text.data();
  const char* end = begin + text.size();
  for (const char* at = begin + first_line_start; at < end;) {
    const void* found = std::memchr(at, '\n', static_cast<std::size_t>(end - at));
    if (found == nullptr) break;
    at = static_cast<const char*>(found) + 1;
    starts_.push_back(static_cast<std::size_t>(at - begin));
  }
}

LineCol LineIndex::lineColOf(std::size_t offset) const {
  offset = std::clamp(offset, starts_.front(), text_size_);
  auto holds = [&](std::size_t i) {
    return starts_[i] <= offset && (i + 1 == starts_.size() || offset < starts_[i + 1]);
  };
  std::size_t line = hint_;
  if (!holds(line)) {
    if (line + 1 < starts_.size() && holds(line + 1)) {
      ++line;
    } else {
      line = static_cast<std::size_t>(std::upper_bound(starts_.begin(), starts_.end(), offset) - starts_.begin()) - 1;
    }
    hint_ = line;
  }
  return LineCol{.line = static_cast<std::uint32_t>(line + 1),
                 .col = static_cast<std::uint32_t>(offset - starts_[line] + 1)};
}

std::size_t LineIndex::offsetOf(LineCol at) const {
  const std::size_t line = std::max<std::uint32_t>(at.line, 1);
  const std::size_t col = std::max<std::uint32_t>(at.col, 1);
  if (line > starts_.size()) return text_size_;
  const std::size_t start = starts_[line - 1];
  const std::size_t end = line < starts_.size() ? starts_[line] - 1 : text_size_;
  return std::min(start + (col - 1), end);
}

}  // namespace vorn
