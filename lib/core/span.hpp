#pragma once

#include <cstdint>

namespace vorn {

// A range of source text: 1-based lines and byte columns, end exclusive.
// The syntax tree, the IR and diagnostics all use this one layout.
struct Span {
  std::uint32_t file_id = 0;
  std::uint32_t start_line = 0;
  std::uint32_t start_col = 0;
  std::uint32_t end_line = 0;
  std::uint32_t end_col = 0;

  friend bool operator==(const Span&, const Span&) = default;
};

}  // namespace vorn
