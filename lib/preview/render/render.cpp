#include "preview/render/render.hpp"

#include <algorithm>
#include <optional>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "preview/render/glyphs.hpp"
#include "preview/render/split_merge.hpp"
#include "preview/render/wire_marks.hpp"

namespace vorn::render {

namespace {

using canvas::Canvas;
using color::ColorTag;
using layout::PortCoord;
namespace gs = glyph_set;

void drawCorners(Canvas& canvas, const layout::LayoutGrid& grid) {
  for (const layout::RoutedWire& wire : grid.wires) {
    for (std::size_t i = 0; i + 1 < wire.segments.size(); ++i) {
      const layout::Segment& first = wire.segments[i];
      const layout::Segment& second = wire.segments[i + 1];
      if (first.to != second.from) continue;
      canvas.setCell(first.to.x, first.to.y, wire_marks::pickCornerGlyph(first.from, first.to, second.to),
                     ColorTag::wire);
    }
  }
}

// A point where a wire meets a sibling of its own net is a branch ("●");
// anywhere else two nets cross ("┼"). The first wire that meets another
// there decides.
void drawCrossingMarks(Canvas& canvas, const layout::LayoutGrid& grid) {
  std::vector<split_merge::SplitMergeIndex::Probe> probes;
  std::vector<bool> marked;
  for (const layout::Crossing& crossing : grid.crossings) {
    const PortCoord p = crossing.point;
    // Points off the canvas cannot be drawn, so marking them changes nothing.
    if (!canvas.contains(p.x, p.y) || crossing.first_wire >= grid.wires.size()) continue;
    if (marked.empty()) marked.assign(static_cast<std::size_t>(canvas.width()) * canvas.height(), false);
    const std::size_t cell = static_cast<std::size_t>(p.y) * canvas.width() + p.x;
    if (marked[cell]) continue;
    marked[cell] = true;
    probes.push_back({crossing.first_wire, p});
  }
  if (probes.empty()) return;
  const std::vector<bool> branches = split_merge::SplitMergeIndex(grid.wires).splitsOrMerges(probes);
  for (std::size_t i = 0; i < probes.size(); ++i) {
    const PortCoord p = probes[i].point;
    if (branches[i]) {
      canvas.setCell(p.x, p.y, gs::kDot, ColorTag::wire);
    } else {
      canvas.setCell(p.x, p.y, gs::kCross, ColorTag::crossing);
    }
  }
}

// A run of cells on one row (horizontal) or one column (vertical).
struct Run {
  std::uint32_t line = 0;
  std::uint32_t lo = 0;
  std::uint32_t hi = 0;
};

// Paints each stretch of overlapping runs once.
template <typename Paint>
void paintMerged(std::vector<Run>& runs, Paint paint) {
  std::sort(runs.begin(), runs.end(),
            [](const Run& a, const Run& b) { return std::tie(a.line, a.lo) < std::tie(b.line, b.lo); });
  for (std::size_t i = 0; i < runs.size();) {
    const std::uint32_t line = runs[i].line;
    const std::uint32_t lo = runs[i].lo;
    std::uint32_t hi = runs[i].hi;
    for (++i; i < runs.size() && runs[i].line == line && runs[i].lo <= hi; ++i) hi = std::max(hi, runs[i].hi);
    paint(line, lo, hi);
  }
}

bool covers(const layout::Segment& s, PortCoord p) {
  if (s.from.y == s.to.y)
    return s.from.y == p.y && std::min(s.from.x, s.to.x) <= p.x && p.x <= std::max(s.from.x, s.to.x);
  return s.from.x == p.x && std::min(s.from.y, s.to.y) <= p.y && p.y <= std::max(s.from.y, s.to.y);
}

// Every segment as if drawn one after another in wire order, but each cell
// once: "│" under all vertical runs, then "─" under all horizontal ones.
// Drawn in order, a cell under both shows whichever run came last. When two
// wires share such a cell it is a crossing and marked later anyway, so only
// cells where one wire meets itself are redrawn from that wire's last run.
void drawWireBodies(Canvas& canvas, const layout::LayoutGrid& grid) {
  std::vector<Run> rows;
  std::vector<Run> columns;
  for (const layout::RoutedWire& wire : grid.wires) {
    for (const layout::Segment& s : wire.segments) {
      if (s.from.y == s.to.y) {
        rows.push_back(Run{s.from.y, std::min(s.from.x, s.to.x), std::max(s.from.x, s.to.x)});
      } else {
        columns.push_back(Run{s.from.x, std::min(s.from.y, s.to.y), std::max(s.from.y, s.to.y)});
      }
    }
  }
  paintMerged(columns, [&](std::uint32_t x, std::uint32_t lo, std::uint32_t hi) { canvas.drawVSegment(x, lo, hi); });
  paintMerged(rows, [&](std::uint32_t y, std::uint32_t lo, std::uint32_t hi) { canvas.drawHSegment(lo, hi, y); });
  for (const layout::RoutedWire& wire : grid.wires) {
    const std::vector<layout::Segment>& segments = wire.segments;
    for (const layout::Segment& h : segments) {
      if (h.from.y != h.to.y) continue;
      for (const layout::Segment& v : segments) {
        if (v.from.y == v.to.y) continue;
        const PortCoord p{v.from.x, h.from.y};
        if (!covers(h, p) || !covers(v, p)) continue;
        const auto last =
            std::find_if(segments.rbegin(), segments.rend(), [&](const layout::Segment& s) { return covers(s, p); });
        const bool vertical = last->from.y != last->to.y;
        canvas.setCell(p.x, p.y, vertical ? gs::kVertical : gs::kHorizontal, ColorTag::wire);
      }
    }
  }
}

void drawEnds(Canvas& canvas, const layout::LayoutGrid& grid) {
  for (const layout::RoutedWire& wire : grid.wires) {
    if (wire.segments.empty()) continue;
    const PortCoord start = wire.segments.front().from;
    const layout::Segment& last = wire.segments.back();
    canvas.setCell(start.x, start.y, gs::kRing, ColorTag::wire);
    canvas.setCell(last.to.x, last.to.y, wire_marks::sinkArrowFor(last), ColorTag::wire);
  }
}

// Three or more wires leaving one cell get a solid dot; two keep the ring.
void drawFanOutDots(Canvas& canvas, const layout::LayoutGrid& grid) {
  std::unordered_map<std::uint64_t, std::uint32_t> starts;
  for (const layout::RoutedWire& wire : grid.wires) {
    if (wire.segments.empty()) continue;
    const PortCoord start = wire.segments.front().from;
    const std::uint64_t key = (std::uint64_t{start.y} << 32) | start.x;
    if (++starts[key] == 3) canvas.setCell(start.x, start.y, gs::kDot, ColorTag::wire);
  }
}

}  // namespace

void drawSegment(Canvas& canvas, const layout::Segment& segment) {
  if (segment.from.y == segment.to.y) {
    canvas.drawHSegment(segment.from.x, segment.to.x, segment.from.y);
  } else {
    canvas.drawVSegment(segment.from.x, segment.from.y, segment.to.y);
  }
}

Canvas drawSchematic(const layout::LayoutGrid& grid) {
  Canvas canvas(grid.width, grid.height);
  for (const layout::PlacedComponent& component : grid.components) {
    glyphs::drawComponent(canvas, component);
    glyphs::stampPortBorders(canvas, component);
  }
  drawWireBodies(canvas, grid);
  drawCorners(canvas, grid);
  drawCrossingMarks(canvas, grid);
  if (grid.width != 0 && grid.height != 0) wire_marks::pickJunctionsForFallbacks(canvas);
  drawEnds(canvas, grid);
  drawFanOutDots(canvas, grid);
  return canvas;
}

Result<void> render(OutputStream& out, const layout::LayoutGrid& grid, const RenderOptions& options) {
  const Canvas canvas = drawSchematic(grid);
  return canvas.writeOut(out, shouldColor(options));
}

}  // namespace vorn::render
