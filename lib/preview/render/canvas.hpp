#pragma once

#include <cstdint>
#include <vector>

#include "core/error.hpp"
#include "core/output_stream.hpp"
#include "preview/render/color.hpp"
#include "preview/render/glyph_set.hpp"

namespace vorn::canvas {

using color::ColorTag;
using glyph_set::Glyph;

// A grid of cells, one glyph and one colour tag each, row-major. Writes
// outside the grid are dropped, so drawing code may run past the edges.
class Canvas {
 public:
  Canvas() = default;
  Canvas(std::uint32_t width, std::uint32_t height) { init(width, height); }

  // Every cell becomes " " with tag `none`.
  void init(std::uint32_t width, std::uint32_t height);

  std::uint32_t width() const { return width_; }
  std::uint32_t height() const { return height_; }
  bool contains(std::uint64_t x, std::uint64_t y) const { return x < width_ && y < height_; }

  void setCell(std::uint64_t x, std::uint64_t y, Glyph glyph, ColorTag tag);
  // Callers check `contains` first.
  Glyph glyphAt(std::uint32_t x, std::uint32_t y) const { return cells_[index(x, y)]; }
  ColorTag tagAt(std::uint32_t x, std::uint32_t y) const { return tags_[index(x, y)]; }

  // "─" (or "│") on every cell between the two ends, inclusive, tag `wire`.
  void drawHSegment(std::uint64_t x_a, std::uint64_t x_b, std::uint64_t y);
  void drawVSegment(std::uint64_t x, std::uint64_t y_a, std::uint64_t y_b);

  // Every row at full width followed by "\n"; with colour, a tag change
  // resets the previous colour before starting the next, and a row never
  // ends coloured.
  Result<void> writeOut(OutputStream& out, bool use_color) const;

 private:
  std::size_t index(std::uint64_t x, std::uint64_t y) const {
    return static_cast<std::size_t>(y) * width_ + static_cast<std::size_t>(x);
  }

  std::vector<Glyph> cells_;
  std::vector<ColorTag> tags_;
  std::uint32_t width_ = 0;
  std::uint32_t height_ = 0;
};

}  // namespace vorn::canvas
