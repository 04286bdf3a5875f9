#include "preview/render/canvas.hpp"

#include <algorithm>
#include <array>
#include <string_view>

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
  if (lo > hi) return;
  const std::size_t first = index(lo, y);
  std::fill_n(cells_.begin() + static_cast<std::ptrdiff_t>(first), hi - lo + 1, glyph_set::kHorizontal);
  std::fill_n(tags_.begin() + static_cast<std::ptrdiff_t>(first), hi - lo + 1, ColorTag::wire);
}

void Canvas::drawVSegment(std::uint64_t x, std::uint64_t y_a, std::uint64_t y_b) {
  if (x >= width_ || height_ == 0) return;
  const std::uint64_t lo = std::min(y_a, y_b);
  const std::uint64_t hi = std::min<std::uint64_t>(std::max(y_a, y_b), height_ - 1);
  for (std::uint64_t y = lo; y <= hi; ++y) {
    const std::size_t i = index(x, y);
    cells_[i] = glyph_set::kVertical;
    tags_[i] = ColorTag::wire;
  }
}

namespace {

// Long runs of blanks and horizontal lines are handed to the writer in
// pieces of these constant texts instead of cell by cell.
constexpr std::size_t kRepeat = 128;

template <std::size_t N>
constexpr std::array<char, N * kRepeat> repeated(const char (&bytes)[N + 1]) {
  std::array<char, N * kRepeat> text{};
  for (std::size_t i = 0; i < kRepeat; ++i) {
    for (std::size_t b = 0; b < N; ++b) text[i * N + b] = bytes[b];
  }
  return text;
}

constexpr auto kSpaces = repeated<1>(" ");
constexpr auto kHorizontals = repeated<3>("─");

Result<void> writeRun(OutputStream& out, Glyph glyph, std::size_t count) {
  std::string_view unit;
  if (glyph == glyph_set::kSpace) unit = std::string_view(kSpaces.data(), kSpaces.size());
  if (glyph == glyph_set::kHorizontal) unit = std::string_view(kHorizontals.data(), kHorizontals.size());
  if (unit.empty()) {
    for (std::size_t i = 0; i < count; ++i) {
      VORN_TRY_VOID(glyph < 256 ? out.writeByte(static_cast<char>(glyph)) : out.write(glyph_set::glyphBytes(glyph)));
    }
    return {};
  }
  const std::size_t width = unit.size() / kRepeat;
  while (count > 0) {
    const std::size_t piece = std::min(count, kRepeat);
    VORN_TRY_VOID(out.write(unit.substr(0, piece * width)));
    count -= piece;
  }
  return {};
}

}  // namespace

Result<void> Canvas::writeOut(OutputStream& out, bool use_color) const {
  for (std::uint32_t y = 0; y < height_; ++y) {
    ColorTag current = ColorTag::none;
    for (std::uint32_t x = 0; x < width_;) {
      const std::size_t i = index(x, y);
      if (use_color && tags_[i] != current) {
        if (current != ColorTag::none) {
          VORN_TRY_VOID(out.write(color::kResetSequence));
        }
        VORN_TRY_VOID(out.write(color::startSequence(tags_[i])));
        current = tags_[i];
      }
      // A run of one glyph under one tag needs no sequence in between.
      std::uint32_t end = x + 1;
      while (end < width_ && cells_[i + (end - x)] == cells_[i] && tags_[i + (end - x)] == tags_[i]) ++end;
      VORN_TRY_VOID(writeRun(out, cells_[i], end - x));
      x = end;
    }
    if (use_color && current != ColorTag::none) {
      VORN_TRY_VOID(out.write(color::kResetSequence));
    }
    VORN_TRY_VOID(out.writeByte('\n'));
  }
  return {};
}

}  // namespace vorn::canvas
