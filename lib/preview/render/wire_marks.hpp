#pragma once

#include <array>
#include <cstdint>

#include "preview/layout/layout.hpp"
#include "preview/render/canvas.hpp"

// The glyphs that decorate wires: corners, junctions and arrowheads.
namespace vorn::wire_marks {

using canvas::Canvas;
using glyph_set::Glyph;

// Screen directions; y grows downwards.
enum class Dir : std::uint8_t { N = 0, E = 1, S = 2, W = 3 };

using ArmTable = std::array<Glyph, 8>;

// The glyphs whose drawing has an arm pointing in `dir`.
const ArmTable& armTable(Dir dir);
bool isOneOf(Glyph glyph, const ArmTable& table);
// "○" and "●" connect in every direction.
bool cellExtendsToward(Glyph glyph, Dir dir);

Glyph pickJunctionGlyph(bool west, bool east, bool north, bool south);

// The joint between two segments, from the first segment's start and the
// second's end; "+" when the joint is straight or degenerate.
Glyph pickCornerGlyph(layout::PortCoord prev, layout::PortCoord joint, layout::PortCoord next);

// Redraws every "+" and "┼" from the arms of its four neighbours, row by row,
// so later cells see earlier repairs.
void pickJunctionsForFallbacks(Canvas& canvas);

// The arrowhead at the end of a wire, pointing along its last segment.
Glyph sinkArrowFor(const layout::Segment& last);

}  // namespace vorn::wire_marks
