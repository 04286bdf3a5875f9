// The renderer against a direct transcription of its passes: every segment
// painted in wire order, crossing marks from the lists of every pair of
// wires, split and merge points found by scanning every wire.

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>

#include "testing/layout_test_support.hpp"
#include "preview/layout/orchestrator.hpp"
#include "preview/layout/route_crossings.hpp"
#include "preview/render/glyphs.hpp"
#include "preview/render/render.hpp"
#include "preview/render/split_merge.hpp"
#include "preview/render/wire_marks.hpp"

namespace vorn::render {
namespace {

using canvas::Canvas;
using color::ColorTag;
using layout::PortCoord;
using layout::RoutedWire;
using layout::Segment;

bool othersPass(const std::vector<RoutedWire>& wires, std::size_t self, PortCoord p, bool by_source) {
  const RoutedWire& w = wires[self];
  for (std::size_t v = 0; v < wires.size(); ++v) {
    if (v == self) continue;
    const bool same =
        by_source ? (wires[v].src_id == w.src_id && wires[v].src_port == w.src_port && wires[v].src_slot == w.src_slot)
                  : (wires[v].dst_id == w.dst_id && wires[v].dst_port == w.dst_port && wires[v].dst_slot == w.dst_slot);
    if (same && split_merge::wirePassesThrough(wires[v], p)) return true;
  }
  return false;
}

Canvas referenceDrawing(const layout::LayoutGrid& grid) {
  Canvas canvas(grid.width, grid.height);
  for (const layout::PlacedComponent& c : grid.components) {
    glyphs::drawComponent(canvas, c);
    glyphs::stampPortBorders(canvas, c);
  }
  for (const RoutedWire& wire : grid.wires) {
    for (const Segment& s : wire.segments) drawSegment(canvas, s);
  }
  for (const RoutedWire& wire : grid.wires) {
    for (std::size_t i = 0; i + 1 < wire.segments.size(); ++i) {
      const Segment& a = wire.segments[i];
      const Segment& b = wire.segments[i + 1];
      if (a.to == b.from)
        canvas.setCell(a.to.x, a.to.y, wire_marks::pickCornerGlyph(a.from, a.to, b.to), ColorTag::wire);
    }
  }
  std::vector<std::vector<PortCoord>> lists(grid.wires.size());
  for (std::size_t i = 0; i < grid.wires.size(); ++i) {
    for (std::size_t j = i + 1; j < grid.wires.size(); ++j) {
      for (const Segment& a : grid.wires[i].segments) {
        for (const Segment& b : grid.wires[j].segments) {
          if (auto p = route::segmentCross(a, b)) {
            lists[i].push_back(*p);
            lists[j].push_back(*p);
          }
        }
      }
    }
  }
  std::set<std::pair<std::uint32_t, std::uint32_t>> marked;
  for (std::size_t w = 0; w < lists.size(); ++w) {
    for (const PortCoord& p : lists[w]) {
      if (!marked.insert({p.x, p.y}).second) continue;
      if (othersPass(grid.wires, w, p, true) || othersPass(grid.wires, w, p, false)) {
        canvas.setCell(p.x, p.y, glyph_set::kDot, ColorTag::wire);
      } else {
        canvas.setCell(p.x, p.y, glyph_set::kCross, ColorTag::crossing);
      }
    }
  }
  if (grid.width != 0 && grid.height != 0) wire_marks::pickJunctionsForFallbacks(canvas);
  std::map<std::pair<std::uint32_t, std::uint32_t>, int> starts;
  for (const RoutedWire& wire : grid.wires) {
    if (wire.segments.empty()) continue;
    const PortCoord s = wire.segments.front().from;
    canvas.setCell(s.x, s.y, glyph_set::kRing, ColorTag::wire);
    canvas.setCell(wire.segments.back().to.x, wire.segments.back().to.y, wire_marks::sinkArrowFor(wire.segments.back()),
                   ColorTag::wire);
  }
  for (const RoutedWire& wire : grid.wires) {
    if (wire.segments.empty()) continue;
    const PortCoord s = wire.segments.front().from;
    if (++starts[{s.x, s.y}] >= 3) canvas.setCell(s.x, s.y, glyph_set::kDot, ColorTag::wire);
  }
  return canvas;
}

void expectSameCanvas(const Canvas& actual, const Canvas& expected, const std::string& what) {
  ASSERT_EQ(actual.width(), expected.width()) << what;
  ASSERT_EQ(actual.height(), expected.height()) << what;
  for (std::uint32_t y = 0; y < expected.height(); ++y) {
    for (std::uint32_t x = 0; x < expected.width(); ++x) {
      ASSERT_EQ(actual.glyphAt(x, y), expected.glyphAt(x, y)) << what << " at " << x << "," << y;
      ASSERT_EQ(actual.tagAt(x, y), expected.tagAt(x, y)) << what << " at " << x << "," << y;
    }
  }
}

TEST(RenderReference, LaidOutCircuitsDrawAsPaintingEveryPassInOrder) {
  using layout_test::Shape;
  std::mt19937 rng(77);
  std::size_t crossings = 0;
  for (int round = 0; round < 64; ++round) {
    const Shape shape = round >= 48      ? Shape::boxes
                        : round % 3 == 0 ? Shape::mixed
                                         : (round % 3 == 1 ? Shape::fan_out : Shape::bus);
    const int gates = shape == Shape::mixed || shape == Shape::boxes ? 2 + static_cast<int>(rng() % 40)
                                                                     : 10 + static_cast<int>(rng() % 51);
    const full_format::FullTopology topology = layout_test::randomCircuit(rng, gates, shape);
    layout::LayoutOptions options;
    if (shape == Shape::boxes) options.pin_slot_files = {layout_test::kBoxFile};
    auto grid = orchestrator::build(topology, options);
    ASSERT_TRUE(grid.has_value());
    crossings += grid->crossings.size();
    expectSameCanvas(drawSchematic(*grid), referenceDrawing(*grid), "round " + std::to_string(round));
  }
  EXPECT_GT(crossings, 0u);
}

// Wires no router would draw: runs that overlap runs of their own and of
// other wires, turn back on themselves and cross themselves, sharing first
// runs and ends so that splits and merges occur.
TEST(RenderReference, TangledWiresDrawAsPaintingEveryPassInOrder) {
  std::mt19937 rng(5);
  for (int round = 0; round < 300; ++round) {
    layout::LayoutGrid grid;
    grid.width = 1 + rng() % 14;
    grid.height = 1 + rng() % 14;
    grid.wires.resize(rng() % 12);
    for (std::size_t k = 0; k < grid.wires.size(); ++k) {
      RoutedWire& w = grid.wires[k];
      w.src_id = static_cast<std::uint32_t>(rng() % 3);
      w.dst_id = static_cast<std::uint32_t>(rng() % 3);
      w.dst_port = static_cast<std::uint8_t>(rng() % 2);
      // Some ends are slots of boxes with pin slots, on otherwise equal ports.
      if (rng() % 3 == 0) w.src_slot = static_cast<std::uint32_t>(rng() % 2);
      if (rng() % 3 == 0) w.dst_slot = static_cast<std::uint32_t>(rng() % 2);
      PortCoord at{static_cast<std::uint32_t>(rng() % 16), static_cast<std::uint32_t>(rng() % 16)};
      if (k > 0 && !grid.wires[k - 1].segments.empty() && rng() % 2) {
        w.segments.push_back(grid.wires[k - 1].segments.front());
        at = w.segments.back().to;
      }
      for (int s = static_cast<int>(rng() % 6); s > 0; --s) {
        PortCoord next = at;
        if (rng() % 2) next.x = static_cast<std::uint32_t>(rng() % 16);
        else next.y = static_cast<std::uint32_t>(rng() % 16);
        w.segments.push_back({at, next});
        at = next;
      }
    }
    grid.crossings = route::findCrossings(grid.wires);
    expectSameCanvas(drawSchematic(grid), referenceDrawing(grid), "round " + std::to_string(round));
  }
}

}  // namespace
}  // namespace vorn::render
