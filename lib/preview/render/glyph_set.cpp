#include "preview/render/glyph_set.hpp"

#include <array>

namespace vorn::glyph_set {

namespace {

constexpr std::array<std::string_view, kGlyphEnd - kHorizontal> kLiterals = {
    "─", "│", "╭", "╮", "╰", "╯", "┬", "┴", "├", "┤", "┼", "●", "○", "▶", "◀", "▲", "▼",
};

// One byte per possible single-byte code, so that a view of it stays valid.
constexpr std::array<char, 256> kBytes = [] {
  std::array<char, 256> bytes{};
  for (int i = 0; i < 256; ++i) bytes[static_cast<std::size_t>(i)] = static_cast<char>(i);
  return bytes;
}();

}  // namespace

std::string_view glyphBytes(Glyph glyph) {
  if (glyph < 256) return std::string_view(&kBytes[glyph], 1);
  if (glyph < kGlyphEnd) return kLiterals[glyph - kHorizontal];
  return " ";
}

}  // namespace vorn::glyph_set
