#include "core/line_index.hpp"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "core/check.hpp"

namespace vorn {

LineIndex::LineIndex(std::string_view text, std::size_t first_line_start)
    : text_size_(static_cast<std::uint32_t>(text.size())) {
  VORN_CHECK(text.size() <= UINT32_MAX);
  first_line_start = std::min(first_line_start, text.size());
  starts_.push_back(static_cast<std::uint32_t>(first_line_start));
  const char* begin = text.data();
  const char* end = begin + text.size();
  for (const char* at = begin + first_line_start; at < end;) {
    const void* found = std::memchr(at, '\n', static_cast<std::size_t>(end - at));
    if (found == nullptr) break;
    at = static_cast<const char*>(found) + 1;
    starts_.push_back(static_cast<std::uint32_t>(at - begin));
  }
}

std::size_t LineIndex::lineOf(std::uint32_t at) const {
  if (hint_ + 1 < starts_.size() && holds(hint_ + 1, at)) return hint_ + 1;
  return static_cast<std::size_t>(std::upper_bound(starts_.begin(), starts_.end(), at) - starts_.begin()) - 1;
}

std::size_t LineIndex::offsetOf(LineCol at) const {
  const std::size_t line = std::max<std::uint32_t>(at.line, 1);
  const std::size_t col = std::max<std::uint32_t>(at.col, 1);
  if (line > starts_.size()) return text_size_;
  const std::size_t start = starts_[line - 1];
  const std::size_t end = line < starts_.size() ? starts_[line] - 1 : text_size_;
  return std::min<std::size_t>(start + (col - 1), end);
}

}  // namespace vorn
