#include "preview/render/wire_marks.hpp"

#include <gtest/gtest.h>

#include <string>

namespace vorn::wire_marks {
namespace {

namespace gs = glyph_set;
using color::ColorTag;

// Builds a canvas from rows of glyph text (each UTF-8 glyph one cell).
Canvas canvasOf(const std::vector<std::string>& rows) {
  auto decode = [](const std::string& row) {
    std::vector<Glyph> cells;
    for (std::size_t i = 0; i < row.size();) {
      if (static_cast<unsigned char>(row[i]) < 0x80) {
        cells.push_back(gs::byteGlyph(row[i]));
        ++i;
        continue;
      }
      Glyph found = gs::kSpace;
      for (Glyph g = gs::kHorizontal; g < gs::kGlyphEnd; ++g) {
        if (row.compare(i, gs::glyphBytes(g).size(), gs::glyphBytes(g)) == 0) found = g;
      }
      cells.push_back(found);
      i += gs::glyphBytes(found).size();
    }
    return cells;
  };
  const std::size_t width = rows.empty() ? 0 : decode(rows[0]).size();
  Canvas canvas(static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(rows.size()));
  for (std::uint32_t y = 0; y < rows.size(); ++y) {
    const std::vector<Glyph> cells = decode(rows[y]);
    for (std::uint32_t x = 0; x < cells.size(); ++x) canvas.setCell(x, y, cells[x], ColorTag::input_pin);
  }
  return canvas;
}

std::string rowText(const Canvas& canvas, std::uint32_t y) {
  std::string text;
  for (std::uint32_t x = 0; x < canvas.width(); ++x) text += gs::glyphBytes(canvas.glyphAt(x, y));
  return text;
}

TEST(WireMarks, JunctionGlyphPrefersTeesOverLinesAndLinesOverCorners) {
  EXPECT_EQ(pickJunctionGlyph(true, true, true, true), gs::kCross);
  EXPECT_EQ(pickJunctionGlyph(true, true, false, true), gs::kTeeDown);
  EXPECT_EQ(pickJunctionGlyph(true, true, true, false), gs::kTeeUp);
  EXPECT_EQ(pickJunctionGlyph(false, true, true, true), gs::kTeeRight);
  EXPECT_EQ(pickJunctionGlyph(true, false, true, true), gs::kTeeLeft);
  EXPECT_EQ(pickJunctionGlyph(true, true, false, false), gs::kHorizontal);
  EXPECT_EQ(pickJunctionGlyph(false, false, true, true), gs::kVertical);
  EXPECT_EQ(pickJunctionGlyph(false, true, false, true), gs::kTopLeft);
  EXPECT_EQ(pickJunctionGlyph(true, false, false, true), gs::kTopRight);
  EXPECT_EQ(pickJunctionGlyph(false, true, true, false), gs::kBottomLeft);
  EXPECT_EQ(pickJunctionGlyph(true, false, true, false), gs::kBottomRight);
  EXPECT_EQ(pickJunctionGlyph(false, true, false, false), gs::kHorizontal);
  EXPECT_EQ(pickJunctionGlyph(false, false, false, true), gs::kVertical);
  EXPECT_EQ(pickJunctionGlyph(false, false, false, false), gs::kFallbackCorner);
}

TEST(WireMarks, ArmsComeFromTheTablesAndEndMarksConnectEverywhere) {
  EXPECT_TRUE(cellExtendsToward(gs::kArrowRight, Dir::E));
  EXPECT_FALSE(cellExtendsToward(gs::kArrowRight, Dir::W));
  EXPECT_TRUE(cellExtendsToward(gs::kTopLeft, Dir::E));
  EXPECT_TRUE(cellExtendsToward(gs::kTopLeft, Dir::S));
  EXPECT_FALSE(cellExtendsToward(gs::kTopLeft, Dir::N));
  EXPECT_FALSE(cellExtendsToward(gs::kTeeUp, Dir::S));
  EXPECT_TRUE(cellExtendsToward(gs::kTeeUp, Dir::N));
  EXPECT_FALSE(cellExtendsToward(gs::kHorizontal, Dir::N));
  EXPECT_FALSE(cellExtendsToward(gs::kFallbackCorner, Dir::E));
  for (Dir d : {Dir::N, Dir::E, Dir::S, Dir::W}) {
    EXPECT_TRUE(cellExtendsToward(gs::kRing, d));
    EXPECT_TRUE(cellExtendsToward(gs::kDot, d));
    EXPECT_TRUE(cellExtendsToward(gs::kCross, d));
    EXPECT_FALSE(cellExtendsToward(gs::byteGlyph('a'), d));
  }
}

TEST(WireMarks, CornersFollowTheTurn) {
  // right then down, down then right, up then right, right then up, left then down
  EXPECT_EQ(pickCornerGlyph({0, 0}, {5, 0}, {5, 3}), gs::kTopRight);
  EXPECT_EQ(pickCornerGlyph({5, 0}, {5, 3}, {9, 3}), gs::kBottomLeft);
  EXPECT_EQ(pickCornerGlyph({5, 5}, {5, 1}, {9, 1}), gs::kTopLeft);
  EXPECT_EQ(pickCornerGlyph({0, 4}, {5, 4}, {5, 1}), gs::kBottomRight);
  EXPECT_EQ(pickCornerGlyph({9, 0}, {5, 0}, {5, 3}), gs::kTopLeft);
  // Straight on and degenerate joints are left for repair.
  EXPECT_EQ(pickCornerGlyph({0, 1}, {5, 1}, {9, 1}), gs::kFallbackCorner);
  EXPECT_EQ(pickCornerGlyph({5, 1}, {5, 1}, {9, 1}), gs::kFallbackCorner);
  EXPECT_EQ(pickCornerGlyph({5, 1}, {5, 1}, {5, 1}), gs::kFallbackCorner);
}

TEST(WireMarks, RepairReadsNeighboursAndLaterCellsSeeEarlierRepairs) {
  Canvas canvas = canvasOf({
      "  │   ",
      "─++ ┼─",
      "  │ │ ",
      "○+  + ",
  });
  pickJunctionsForFallbacks(canvas);
  // (1,1): west "─" only -> "─"; (2,1) then sees that "─" on its west plus
  // "│" above and below -> "┤". The "┼" has arms east and south only.
  EXPECT_EQ(rowText(canvas, 1), "──┤ ╭─");
  // A ring on the west counts as an arm; "│" above gives a vertical.
  EXPECT_EQ(rowText(canvas, 3), "○─  │ ");
  EXPECT_EQ(canvas.tagAt(1, 1), ColorTag::wire);
  EXPECT_EQ(canvas.tagAt(4, 1), ColorTag::crossing);
  EXPECT_EQ(canvas.tagAt(4, 3), ColorTag::wire);
  EXPECT_EQ(canvas.tagAt(0, 1), ColorTag::input_pin) << "other cells are untouched";
}

TEST(WireMarks, RepairIgnoresNeighboursPastTheEdges) {
  Canvas canvas = canvasOf({"+"});
  pickJunctionsForFallbacks(canvas);
  EXPECT_EQ(canvas.glyphAt(0, 0), gs::kFallbackCorner);
  Canvas corner = canvasOf({"┼─", "│ "});
  pickJunctionsForFallbacks(corner);
  EXPECT_EQ(corner.glyphAt(0, 0), gs::kTopLeft);
  Canvas empty(0, 0);
  pickJunctionsForFallbacks(empty);
  EXPECT_EQ(empty.width(), 0u);
}

TEST(WireMarks, ArrowPointsAlongTheLastSegment) {
  EXPECT_EQ(sinkArrowFor({{1, 1}, {6, 1}}), gs::kArrowRight);
  EXPECT_EQ(sinkArrowFor({{6, 1}, {1, 1}}), gs::kArrowLeft);
  EXPECT_EQ(sinkArrowFor({{3, 1}, {3, 1}}), gs::kArrowRight);
  EXPECT_EQ(sinkArrowFor({{3, 4}, {3, 1}}), gs::kArrowUp);
  EXPECT_EQ(sinkArrowFor({{3, 1}, {3, 4}}), gs::kArrowDown);
}

}  // namespace
}  // namespace vorn::wire_marks
