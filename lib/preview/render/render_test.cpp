#include "preview/render/render.hpp"

#include <gtest/gtest.h>

#include <csignal>
#include <unistd.h>

#include "preview/render/glyphs.hpp"
#include "testing/preview_test_support.hpp"
#include "testing/captured_output.hpp"

namespace vorn::render {
namespace {

using namespace preview_test;
using color::ColorMode;

std::string renderText(const layout::LayoutGrid& grid, ColorMode mode = ColorMode::never) {
  RenderOptions options;
  options.color = mode;
  return testing::capturedOutput([&](OutputStream& out) { ASSERT_TRUE(render(out, grid, options).has_value()); });
}

// input a -> NOT -> output y, in three columns at x = 0, 10, 20.
layout::LayoutGrid workedExample() {
  layout::LayoutGrid grid;
  grid.components = {inputPin(0, "a", 0, 0), oneInput(ComponentKind::not_gate, 1, "n", 10, 0),
                     oneInput(ComponentKind::output_pin, 2, "y", 20, 0)};
  grid.wires = {wire(0, 1, 0, {{{5, 1}, {6, 1}}, {{6, 1}, {9, 1}}}),
                wire(1, 2, 0, {{{15, 1}, {16, 1}}, {{16, 1}, {19, 1}}})};
  grid.width = 25;
  grid.height = 3;
  return grid;
}

TEST(Render, WorkedExamplePlain) {
  EXPECT_EQ(renderText(workedExample()),
            "╭───╮     ╭───╮     ╭───╮\n"
            "│ a ├○───▶┤NOT├○───▶┤ y │\n"
            "╰───╯     ╰───╯     ╰───╯\n");
}

TEST(Render, WorkedExampleColouredResetsAtEveryChangeAndRowEnd) {
  const std::string g = "\x1b[32m", c = "\x1b[36m", d = "\x1b[2m", r = "\x1b[0m";
  EXPECT_EQ(renderText(workedExample(), ColorMode::always),
            g + "╭───╮" + r + "     " + c + "╭───╮" + r + "     " + g + "╭───╮" + r + "\n" +  //
                g + "│ a ├" + r + d + "○───▶" + r + c + "┤NOT├" + r + d + "○───▶" + r + g + "┤ y │" + r + "\n" + g +
                "╰───╯" + r + "     " + c + "╰───╯" + r + "     " + g + "╰───╯" + r + "\n");
}

TEST(Render, EmptyGridPrintsNothing) { EXPECT_EQ(renderText(layout::LayoutGrid{}, ColorMode::always), ""); }

TEST(Render, ComponentDrawingsAtPlacementSizes) {
  // One blank column on the left: an input port at column 0 would stamp its
  // "┤" inside the box.
  layout::LayoutGrid grid;
  grid.components = {oneInput(ComponentKind::not_gate, 0, "n", 1, 0),    andGate(1, 9, 0),
                     oneInput(ComponentKind::led, 2, "l", 17, 0),        inputPin(3, "a", 25, 0),
                     oneInput(ComponentKind::output_pin, 4, "y", 33, 0), macroBox(5, "xor", "x1", 41, 0, {"a", "b"})};
  grid.width = 51;
  grid.height = 5;
  EXPECT_EQ(renderText(grid),
            " ╭───╮   ╭───╮   ╭───╮   ╭───╮   ╭───╮   ╭────────╮\n"
            " ┤NOT├   ┤   │   ┤LED│   │ a ├   ┤ y │   ┤        │\n"
            " ╰───╯   │AND├   ╰───╯   ╰───╯   ╰───╯   │[xor:x1]├\n"
            "         ┤   │                           ┤        │\n"
            "         ╰───╯                           ╰────────╯\n");
}

TEST(Render, LabelsAreCutToTheInteriorAndMacroLabelsDroppedWhenTooWide) {
  canvas::Canvas canvas(7, 3);
  glyphs::drawLabeledBox(canvas, 0, 0, 7, 3, "abcdefgh", color::ColorTag::input_pin);
  std::string row;
  for (std::uint32_t x = 0; x < 7; ++x) row += glyph_set::glyphBytes(canvas.glyphAt(x, 1));
  EXPECT_EQ(row, "│abcde│");

  // A short label is centred: (w - 2 - n) / 2 cells after the border.
  glyphs::drawLabeledBox(canvas, 0, 0, 7, 3, "ab", color::ColorTag::input_pin);
  row.clear();
  for (std::uint32_t x = 0; x < 7; ++x) row += glyph_set::glyphBytes(canvas.glyphAt(x, 1));
  EXPECT_EQ(row, "│ ab  │");

  // The macro box keeps its interior when the label does not fit.
  layout::PlacedComponent macro = macroBox(0, "adder", "u", 0, 0, {"a"});
  macro.width = 7;
  canvas::Canvas small(7, 3);
  small.setCell(3, 1, glyph_set::byteGlyph('z'), color::ColorTag::wire);
  glyphs::drawMacroBox(small, macro);
  EXPECT_EQ(small.glyphAt(3, 1), glyph_set::byteGlyph('z'));
  EXPECT_EQ(small.glyphAt(0, 1), glyph_set::kVertical);
}

// A box with pin slots narrower than placement would make it: the title is
// dropped, and the two names of a row share the interior one space apart,
// each cut on the right; every slot is stamped.
TEST(Render, PinSlotLabelsSitInsideTheBorderAndAreCutInATooNarrowBox) {
  layout::PlacedComponent box;
  box.kind.tag = layout::NodeKind::Tag::subcircuit;
  box.kind.subcircuit = "adder";
  box.kind.pin_slots = true;
  box.name = "u";
  box.x = 1;
  box.width = 7;
  box.height = 6;
  box.in_ports = {{"carry_in", {0, 2}}, {"b", {0, 4}}};
  box.out_ports = {{"s", {8, 2}}, {"overflow", {8, 4}}};
  box.out_port = {8, 2};
  canvas::Canvas canvas(9, 6);
  glyphs::drawComponent(canvas, box);
  glyphs::stampPortBorders(canvas, box);
  std::string text;
  for (std::uint32_t y = 0; y < 6; ++y) {
    for (std::uint32_t x = 0; x < 9; ++x) text += glyph_set::glyphBytes(canvas.glyphAt(x, y));
    text += "\n";
  }
  EXPECT_EQ(text,
            " ╭─────╮ \n"
            " │     │ \n"
            " ┤car s├ \n"
            " │     │ \n"
            " ┤b ove├ \n"
            " ╰─────╯ \n");
  EXPECT_EQ(canvas.tagAt(2, 2), color::ColorTag::macro);
  EXPECT_EQ(canvas.tagAt(7, 4), color::ColorTag::macro);
}

TEST(Render, StampsSkipAnOutputPortAtColumnZeroSinksHaveNoOutputStampAndLabelsStayWhole) {
  canvas::Canvas canvas(12, 3);
  layout::PlacedComponent pin = inputPin(0, "a", 0, 0);
  pin.out_port = {0, 1};
  glyphs::drawComponent(canvas, pin);
  glyphs::stampPortBorders(canvas, pin);
  EXPECT_EQ(canvas.glyphAt(0, 1), glyph_set::kVertical);

  const layout::PlacedComponent led = oneInput(ComponentKind::led, 1, "l", 6, 0);
  glyphs::drawComponent(canvas, led);
  glyphs::stampPortBorders(canvas, led);
  EXPECT_EQ(canvas.glyphAt(6, 1), glyph_set::kTeeLeft);
  EXPECT_EQ(canvas.glyphAt(10, 1), glyph_set::kVertical);
  EXPECT_EQ(canvas.tagAt(6, 1), color::ColorTag::led);

  // In the first column the input port lies on the left border itself: the
  // stamp goes there, not over the label.
  canvas::Canvas first(5, 3);
  const layout::PlacedComponent left = oneInput(ComponentKind::led, 2, "l", 0, 0);
  glyphs::drawComponent(first, left);
  glyphs::stampPortBorders(first, left);
  std::string row;
  for (std::uint32_t x = 0; x < 5; ++x) row += glyph_set::glyphBytes(first.glyphAt(x, 1));
  EXPECT_EQ(row, "┤LED│");
}

TEST(Render, TwoNetsCrossingShowABoldCrossAndABranchShowsADot) {
  // Net 0 runs down column 4; net 1 runs along row 2 across it. Net 0 has a
  // second wire whose first run meets its sibling's vertical at (4, 1).
  layout::LayoutGrid grid;
  grid.width = 10;
  grid.height = 5;
  grid.wires = {wire(0, 5, 0, {{{2, 1}, {4, 1}}, {{4, 1}, {4, 4}}, {{4, 4}, {9, 4}}}),
                wire(1, 6, 0, {{{0, 2}, {9, 2}}}), wire(0, 7, 0, {{{2, 1}, {4, 1}}, {{4, 1}, {9, 1}}})};
  grid.crossings = {{{4, 1}, 0}, {{4, 2}, 0}};
  const canvas::Canvas canvas = drawSchematic(grid);
  EXPECT_EQ(canvas.glyphAt(4, 2), glyph_set::kCross);
  EXPECT_EQ(canvas.tagAt(4, 2), color::ColorTag::crossing);
  // The dot at the branch survives repair (only "+" and "┼" are repaired).
  EXPECT_EQ(canvas.glyphAt(4, 1), glyph_set::kDot);
  EXPECT_EQ(canvas.tagAt(4, 1), color::ColorTag::wire);
  EXPECT_NE(renderText(grid, ColorMode::always).find("\x1b[0m\x1b[1m┼\x1b[0m\x1b[2m"), std::string::npos)
      << "a crossing cell is drawn bold between dim wire cells";
}

TEST(Render, MergeIntoOnePortIsADotButADifferentPortIsACross) {
  layout::LayoutGrid grid;
  grid.width = 8;
  grid.height = 4;
  grid.wires = {wire(0, 9, 1, {{{3, 0}, {3, 3}}}), wire(1, 9, 1, {{{0, 2}, {7, 2}}})};
  grid.crossings = {{{3, 2}, 0}};
  EXPECT_EQ(drawSchematic(grid).glyphAt(3, 2), glyph_set::kDot);
  grid.wires[1].dst_port = 2;
  EXPECT_EQ(drawSchematic(grid).glyphAt(3, 2), glyph_set::kCross);
}

TEST(Render, EndsGetARingAndAnArrowAlongTheLastSegment) {
  layout::LayoutGrid grid;
  grid.width = 12;
  grid.height = 6;
  grid.wires = {wire(0, 1, 0, {{{1, 5}, {3, 5}}, {{3, 5}, {3, 1}}}),  // up
                wire(2, 3, 0, {{{5, 0}, {5, 4}}}),                    // down
                wire(4, 5, 0, {{{11, 2}, {7, 2}}}),                   // left
                wire(6, 7, 0, {{{7, 4}, {7, 4}}})};                   // zero length
  const canvas::Canvas canvas = drawSchematic(grid);
  EXPECT_EQ(canvas.glyphAt(1, 5), glyph_set::kRing);
  EXPECT_EQ(canvas.glyphAt(3, 1), glyph_set::kArrowUp);
  EXPECT_EQ(canvas.glyphAt(3, 5), glyph_set::kBottomRight);
  EXPECT_EQ(canvas.glyphAt(5, 4), glyph_set::kArrowDown);
  EXPECT_EQ(canvas.glyphAt(7, 2), glyph_set::kArrowLeft);
  // A zero-length wire: the arrow, drawn after the ring, wins.
  EXPECT_EQ(canvas.glyphAt(7, 4), glyph_set::kArrowRight);
}

TEST(Render, ThreeWiresFromOneCellGetADotTwoKeepTheRing) {
  layout::LayoutGrid grid;
  grid.width = 10;
  grid.height = 5;
  for (std::uint32_t i = 0; i < 3; ++i) grid.wires.push_back(wire(0, i + 1, 0, {{{2, 0}, {9, 0}}}));
  grid.wires.push_back(wire(4, 5, 0, {{{2, 4}, {9, 4}}}));
  grid.wires.push_back(wire(4, 6, 0, {{{2, 4}, {9, 4}}}));
  grid.wires.push_back(wire(7, 8, 0, {}));  // no segments: no ends at all
  const canvas::Canvas canvas = drawSchematic(grid);
  EXPECT_EQ(canvas.glyphAt(2, 0), glyph_set::kDot);
  EXPECT_EQ(canvas.glyphAt(2, 4), glyph_set::kRing);
}

TEST(Render, CanvasDropsCellsOutsideAndWriteOutKeepsTrailingBlanks) {
  canvas::Canvas canvas(3, 2);
  canvas.drawHSegment(1, 40, 0);
  canvas.drawVSegment(7, 0, 1);
  canvas.setCell(0, 9, glyph_set::kDot, color::ColorTag::wire);
  canvas.setCell(UINT64_MAX, 0, glyph_set::kDot, color::ColorTag::wire);
  const std::string plain =
      testing::capturedOutput([&](OutputStream& out) { ASSERT_TRUE(canvas.writeOut(out, false)); });
  EXPECT_EQ(plain, " ──\n   \n");
  const std::string coloured =
      testing::capturedOutput([&](OutputStream& out) { ASSERT_TRUE(canvas.writeOut(out, true)); });
  EXPECT_EQ(coloured, " \x1b[2m──\x1b[0m\n   \n");
}

TEST(Render, LongRunsAreWrittenWhole) {
  // Runs longer than the writer's pieces of blanks and lines, and a run of
  // one glyph that changes tag half-way.
  canvas::Canvas canvas(300, 2);
  canvas.drawHSegment(0, 299, 0);
  for (std::uint32_t x = 150; x < 300; ++x) canvas.setCell(x, 1, glyph_set::kSpace, color::ColorTag::macro);
  std::string lines;
  for (int i = 0; i < 300; ++i) lines += "─";
  const std::string plain =
      testing::capturedOutput([&](OutputStream& out) { ASSERT_TRUE(canvas.writeOut(out, false)); });
  EXPECT_EQ(plain, lines + "\n" + std::string(300, ' ') + "\n");
  const std::string coloured =
      testing::capturedOutput([&](OutputStream& out) { ASSERT_TRUE(canvas.writeOut(out, true)); });
  EXPECT_EQ(coloured,
            "\x1b[2m" + lines + "\x1b[0m\n" + std::string(150, ' ') + "\x1b[35m" + std::string(150, ' ') + "\x1b[0m\n");
}

TEST(Render, WriteFailureIsReturned) {
  std::signal(SIGPIPE, SIG_IGN);
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  ::close(fds[0]);
  canvas::Canvas canvas(200, 400);
  OutputStream out(fds[1], 16);
  auto written = canvas.writeOut(out, false);
  ::close(fds[1]);
  ASSERT_FALSE(written.has_value());
  EXPECT_EQ(written.error(), Error::BrokenPipe);
}

}  // namespace
}  // namespace vorn::render
