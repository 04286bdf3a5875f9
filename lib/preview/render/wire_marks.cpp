#include "preview/render/wire_marks.hpp"

namespace vorn::wire_marks {

namespace gs = glyph_set;

namespace {

// Indexed by Dir.
constexpr std::array<ArmTable, 4> kArmTables = {{
    {gs::kVertical, gs::kBottomLeft, gs::kBottomRight, gs::kTeeUp, gs::kTeeRight, gs::kTeeLeft, gs::kCross,
     gs::kArrowUp},
    {gs::kHorizontal, gs::kTopLeft, gs::kBottomLeft, gs::kTeeDown, gs::kTeeUp, gs::kTeeRight, gs::kCross,
     gs::kArrowRight},
    {gs::kVertical, gs::kTopLeft, gs::kTopRight, gs::kTeeDown, gs::kTeeRight, gs::kTeeLeft, gs::kCross, gs::kArrowDown},
    {gs::kHorizontal, gs::kTopRight, gs::kBottomRight, gs::kTeeDown, gs::kTeeUp, gs::kTeeLeft, gs::kCross,
     gs::kArrowLeft},
}};

}  // namespace

const ArmTable& armTable(Dir dir) { return kArmTables[static_cast<std::size_t>(dir)]; }

bool isOneOf(Glyph glyph, const ArmTable& table) {
  for (Glyph entry : table) {
    if (entry == glyph) return true;
  }
  return false;
}

bool cellExtendsToward(Glyph glyph, Dir dir) {
  if (glyph == gs::kRing || glyph == gs::kDot) return true;
  return isOneOf(glyph, armTable(dir));
}

Glyph pickJunctionGlyph(bool west, bool east, bool north, bool south) {
  if (west && east && north && south) return gs::kCross;
  if (west && east && south) return gs::kTeeDown;
  if (west && east && north) return gs::kTeeUp;
  if (north && south && east) return gs::kTeeRight;
  if (north && south && west) return gs::kTeeLeft;
  if (west && east) return gs::kHorizontal;
  if (north && south) return gs::kVertical;
  if (east && south) return gs::kTopLeft;
  if (west && south) return gs::kTopRight;
  if (east && north) return gs::kBottomLeft;
  if (west && north) return gs::kBottomRight;
  if (west || east) return gs::kHorizontal;
  if (north || south) return gs::kVertical;
  return gs::kFallbackCorner;
}

Glyph pickCornerGlyph(layout::PortCoord prev, layout::PortCoord joint, layout::PortCoord next) {
  const bool west = prev.x < joint.x || next.x < joint.x;
  const bool east = prev.x > joint.x || next.x > joint.x;
  const bool north = prev.y < joint.y || next.y < joint.y;
  const bool south = prev.y > joint.y || next.y > joint.y;
  if (west && south) return gs::kTopRight;
  if (west && north) return gs::kBottomRight;
  if (east && south) return gs::kTopLeft;
  if (east && north) return gs::kBottomLeft;
  return gs::kFallbackCorner;
}

void pickJunctionsForFallbacks(Canvas& canvas) {
  const std::uint32_t width = canvas.width();
  const std::uint32_t height = canvas.height();
  if (width == 0 || height == 0) return;
  for (std::uint32_t y = 0; y < height; ++y) {
    for (std::uint32_t x = 0; x < width; ++x) {
      const Glyph current = canvas.glyphAt(x, y);
      if (current != gs::kFallbackCorner && current != gs::kCross) continue;
      const bool west = x > 0 && cellExtendsToward(canvas.glyphAt(x - 1, y), Dir::E);
      const bool east = x + 1 < width && cellExtendsToward(canvas.glyphAt(x + 1, y), Dir::W);
      const bool north = y > 0 && cellExtendsToward(canvas.glyphAt(x, y - 1), Dir::S);
      const bool south = y + 1 < height && cellExtendsToward(canvas.glyphAt(x, y + 1), Dir::N);
      const color::ColorTag tag = current == gs::kCross ? color::ColorTag::crossing : color::ColorTag::wire;
      canvas.setCell(x, y, pickJunctionGlyph(west, east, north, south), tag);
    }
  }
}

Glyph sinkArrowFor(const layout::Segment& last) {
  if (last.from.y == last.to.y) return last.to.x < last.from.x ? gs::kArrowLeft : gs::kArrowRight;
  return last.to.y < last.from.y ? gs::kArrowUp : gs::kArrowDown;
}

}  // namespace vorn::wire_marks
