#pragma once

#include <cstdint>
#include <string_view>

// The glyphs a canvas cell can show. A cell stores a small code instead of
// text: codes below 256 are single bytes (label characters, " ", "+", "[",
// ":", "]"), the rest name the multi-byte box-drawing literals. Two cells show
// the same bytes exactly when their codes are equal.
namespace vorn::glyph_set {

using Glyph = std::uint16_t;

constexpr Glyph byteGlyph(char byte) { return static_cast<unsigned char>(byte); }

inline constexpr Glyph kSpace = byteGlyph(' ');
inline constexpr Glyph kFallbackCorner = byteGlyph('+');

enum : Glyph {
  kHorizontal = 256,  // ─
  kVertical,          // │
  kTopLeft,           // ╭
  kTopRight,          // ╮
  kBottomLeft,        // ╰
  kBottomRight,       // ╯
  kTeeDown,           // ┬
  kTeeUp,             // ┴
  kTeeRight,          // ├
  kTeeLeft,           // ┤
  kCross,             // ┼
  kDot,               // ●
  kRing,              // ○
  kArrowRight,        // ▶
  kArrowLeft,         // ◀
  kArrowUp,           // ▲
  kArrowDown,         // ▼
  kGlyphEnd,
};

// The UTF-8 bytes of a glyph.
std::string_view glyphBytes(Glyph glyph);

}  // namespace vorn::glyph_set
