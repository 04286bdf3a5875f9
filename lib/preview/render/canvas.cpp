#include "preview/render/canvas.hpp"

#include <algorithm>

namespace vorn::canvas {

void Canvas::init(std::uint32_t width, std::uint32_t height) {
  width_ = width;
  height_ = height;
  const std::size_t count = static_cast<std::size_t>(width) * height;
  cells_.assign(count, glyph_set::kSpace);
  tags_.assign(count, ColorTag::none);
}

void Canvas::setCell(std::uint64_t x, std::uint64_t y, Glyph glyph, ColorTag tag) {
  if (!contains(x, y)) return;
  const std::size_t i = index(x, y);
  cells_[i] = glyph;
  tags_[i] = tag;
}

void Canvas::drawHSegment(std::uint64_t x_a, std::uint64_t x_b, std::uint64_t y) {
  if (y >= height_ || width_ == 0) return;
  const std::uint64_t lo = std::min(x_a, x_b);
  const std::uint64_t hi = std::min<std::uint64_t>(std::max(x_a, x_b), width_ - 1);
  for (std::uint64_t x = lo; x <= hi; ++x) setCell(x, y, glyph_set::kHorizontal, ColorTag::wire);
}

void Canvas::drawVSegment(std::uint64_t x, std::uint64_t y_a, std::uint64_t y_b) {
  if (x >= width_ || height_ == 0) return;
  const std::uint64_t lo = std::min(y_a, y_b);
  const std::uint64_t hi = std::min<std::uint64_t>(std::max(y_a, y_b), height_ - 1);
  for (std::uint64_t y = lo; y <= hi; ++y) setCell(x, y, glyph_set::kVertical, ColorTag::wire);
}

Result<void> Canvas::writeOut(OutputStream& out, bool use_color) const {
  for (std::uint32_t y = 0; y < height_; ++y) {
    ColorTag current = ColorTag::none;
    for (std::uint32_t x = 0; x < width_; ++x) {
      const std::size_t i = index(x, y);
      if (use_color && tags_[i] != current) {
        if (current != ColorTag::none) {
          if (auto written = out.write(color::kResetSequence); !written) return written;
        }
        if (auto written = out.write(color::startSequence(tags_[i])); !written) return written;
        current = tags_[i];
      }
      const Glyph glyph = cells_[i];
      auto written = glyph < 256 ? out.writeByte(static_cast<char>(glyph)) : out.write(glyph_set::glyphBytes(glyph));
      if (!written) return written;
    }
    if (use_color && current != ColorTag::none) {
      if (auto written = out.write(color::kResetSequence); !written) return written;
    }
    if (auto written = out.writeByte('\n'); !written) return written;
  }
  return {};
}

}  // namespace vorn::canvas
