#include "preview/render/render.hpp"

#include <optional>
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
// anywhere else two nets cross ("┼"). Each cell is decided once, by the
// first wire that reports it.
void drawCrossingMarks(Canvas& canvas, const layout::LayoutGrid& grid) {
  std::vector<bool> marked;
  std::optional<split_merge::SplitMergeIndex> index;
  for (std::size_t w = 0; w < grid.wires.size(); ++w) {
    for (const PortCoord& p : grid.wires[w].crossings) {
      // Points off the canvas cannot be drawn, so marking them changes nothing.
      if (!canvas.contains(p.x, p.y)) continue;
      if (!index) {
        index.emplace(grid.wires);
        marked.assign(static_cast<std::size_t>(canvas.width()) * canvas.height(), false);
      }
      const std::size_t cell = static_cast<std::size_t>(p.y) * canvas.width() + p.x;
      if (marked[cell]) continue;
      marked[cell] = true;
      if (index->isSplitPoint(w, p) || index->isMergePoint(w, p)) {
        canvas.setCell(p.x, p.y, gs::kDot, ColorTag::wire);
      } else {
        canvas.setCell(p.x, p.y, gs::kCross, ColorTag::crossing);
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
  for (const layout::RoutedWire& wire : grid.wires) {
    for (const layout::Segment& segment : wire.segments) drawSegment(canvas, segment);
  }
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
