#include "preview/layout/route.hpp"

#include <algorithm>
#include <unordered_map>

#include "preview/layout/route_boxes.hpp"
#include "preview/layout/route_crossings.hpp"
#include "preview/layout/route_detour.hpp"
#include "preview/layout/route_tracks.hpp"
#include "topology/format.hpp"

namespace vorn::route {

namespace {

using layout::PortCoord;
using layout::Segment;

// Detour rows are searched at most this far below the lowest box.
constexpr std::uint64_t kDetourMargin = 16;

void addSegment(std::vector<Segment>& segments, std::uint32_t x1, std::uint32_t y1, std::uint32_t x2,
                std::uint32_t y2) {
  segments.push_back(Segment{PortCoord{x1, y1}, PortCoord{x2, y2}});
}

std::vector<PendingWire> pendingWires(const std::vector<layout::VirtualNode>& nodes,
                                      const std::vector<layout::PlacedComponent>& placed) {
  std::unordered_map<std::uint32_t, std::size_t> by_id;
  for (std::size_t i = 0; i < placed.size(); ++i) by_id[placed[i].id] = i;
  std::vector<PendingWire> wires;
  for (const layout::VirtualNode& node : nodes) {
    auto source = by_id.find(node.id);
    if (source == by_id.end()) continue;
    const layout::PlacedComponent& from = placed[source->second];
    for (const layout::OutputEdge& edge : node.outputs) {
      auto destination = by_id.find(edge.dst_id);
      if (destination == by_id.end()) continue;
      const PortCoord target = inputCoordOf(placed[destination->second], edge.dst_port, edge.dst_slot);
      const PortCoord start = outputCoordOf(from, edge.src_slot);
      PendingWire wire;
      wire.src_id = node.id;
      wire.dst_id = edge.dst_id;
      wire.sx = start.x;
      wire.sy = start.y;
      wire.dx = target.x;
      wire.dy = target.y;
      wire.src_port = format::portByte(format::PortName::out);
      wire.dst_port = edge.dst_port;
      wire.src_slot = edge.src_slot;
      wire.dst_slot = edge.dst_slot;
      wires.push_back(std::move(wire));
    }
  }
  return wires;
}

// Run to column `col` on the source row, along it to the destination row,
// then into the port.
void threeRunShape(PendingWire& w, std::uint32_t col) {
  addSegment(w.segments, w.sx, w.sy, col, w.sy);
  if (w.sy != w.dy) addSegment(w.segments, col, w.sy, col, w.dy);
  addSegment(w.segments, col, w.dy, w.dx, w.dy);
}

void shapeWire(PendingWire& w, const BoxIndex& boxes, const HUsage& usage, std::uint64_t bound) {
  const std::uint32_t tx = w.track_x;
  const std::uint32_t ax = w.dx > 0 ? w.dx - 1 : 0;
  auto runsClear = [&](std::uint32_t col) {
    return !boxes.isHSegBlocked(w.sx, col, w.sy) && !boxes.isVSegBlocked(col, w.sy, w.dy) &&
           !boxes.isHSegBlocked(col, w.dx, w.dy);
  };

  if (w.sy == w.dy && std::uint64_t{tx} == std::uint64_t{w.sx} + 1 && std::uint64_t{w.dx} == std::uint64_t{tx} + 1) {
    addSegment(w.segments, w.sx, w.sy, w.dx, w.dy);
    return;
  }
  if (w.dx > w.sx && runsClear(tx)) {
    threeRunShape(w, tx);
    return;
  }
  if (ax != tx && w.dx > w.sx && ax > w.sx && runsClear(ax)) {
    threeRunShape(w, ax);
    return;
  }
  if (w.dx != 0) {
    DetourQuery q;
    q.self_src_id = w.src_id;
    q.x_lo = std::min(tx, w.dx - 1);
    q.x_hi = std::max(tx, w.dx - 1);
    q.tx = tx;
    q.tx_dst = w.dx - 1;
    q.sy = w.sy;
    q.dy = w.dy;
    q.self_src_slot = w.src_slot;
    if (const auto row = findFreeY(boxes, usage, q, bound)) {
      addSegment(w.segments, w.sx, w.sy, tx, w.sy);
      if (*row != w.sy) addSegment(w.segments, tx, w.sy, tx, *row);
      if (ax != tx) addSegment(w.segments, tx, *row, ax, *row);
      if (*row != w.dy) addSegment(w.segments, ax, *row, ax, w.dy);
      if (ax != w.dx) addSegment(w.segments, ax, w.dy, w.dx, w.dy);
      return;
    }
  }
  // Nothing avoids the obstacle: draw through it.
  threeRunShape(w, tx);
}

}  // namespace

PortCoord portCoordOf(const layout::PlacedComponent& component, std::uint8_t dst_port) {
  for (const layout::PortSlot& slot : component.in_ports) {
    if (portByteOf(slot.port_name) == dst_port) return slot.coord;
  }
  return PortCoord{component.x, component.y};
}

PortCoord inputCoordOf(const layout::PlacedComponent& component, std::uint8_t dst_port, std::uint32_t dst_slot) {
  if (dst_slot != layout::kNoSlot && dst_slot < component.in_ports.size()) return component.in_ports[dst_slot].coord;
  return portCoordOf(component, dst_port);
}

PortCoord outputCoordOf(const layout::PlacedComponent& component, std::uint32_t src_slot) {
  if (src_slot != layout::kNoSlot && src_slot < component.out_ports.size()) return component.out_ports[src_slot].coord;
  return component.out_port;
}

Result<RouteResult> route(const std::vector<layout::VirtualNode>& nodes,
                          const std::vector<layout::PlacedComponent>& placed) {
  std::vector<PendingWire> pending = pendingWires(nodes, placed);
  const BoxIndex boxes(placed);
  std::vector<Trunk> trunks = buildTrunks(pending);
  assignTrackColumns(pending, trunks, boxes);

  std::uint64_t max_y = 0;
  for (const layout::PlacedComponent& c : placed) max_y = std::max(max_y, std::uint64_t{c.y} + c.height);
  const std::uint64_t bound = std::min<std::uint64_t>(max_y + kDetourMargin, UINT32_MAX);

  HUsage usage;
  for (PendingWire& wire : pending) {
    shapeWire(wire, boxes, usage, bound);
    for (const Segment& s : wire.segments) {
      if (s.from.y != s.to.y) continue;
      const auto [lo, hi] = std::minmax(s.from.x, s.to.x);
      usage.add(s.from.y, HSeg{.src_id = wire.src_id, .x_min = lo, .x_max = hi, .src_slot = wire.src_slot});
    }
  }

  RouteResult result;
  result.wires.reserve(pending.size());
  std::uint64_t width = 0;
  std::uint64_t height = 0;
  for (const layout::PlacedComponent& c : placed) {
    width = std::max(width, std::uint64_t{c.x} + c.width);
    height = std::max(height, std::uint64_t{c.y} + c.height);
  }
  for (PendingWire& wire : pending) {
    for (const Segment& s : wire.segments) {
      width = std::max({width, std::uint64_t{s.from.x} + 1, std::uint64_t{s.to.x} + 1});
      height = std::max({height, std::uint64_t{s.from.y} + 1, std::uint64_t{s.to.y} + 1});
    }
    result.wires.push_back({.segments = std::move(wire.segments),
                            .src_id = wire.src_id,
                            .dst_id = wire.dst_id,
                            .src_port = wire.src_port,
                            .dst_port = wire.dst_port,
                            .src_slot = wire.src_slot,
                            .dst_slot = wire.dst_slot});
  }
  result.crossings = findCrossings(result.wires);
  result.width = static_cast<std::uint32_t>(std::min<std::uint64_t>(width, UINT32_MAX));
  result.height = static_cast<std::uint32_t>(std::min<std::uint64_t>(height, UINT32_MAX));
  return result;
}

}  // namespace vorn::route
