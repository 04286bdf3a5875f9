#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "core/error.hpp"
#include "preview/layout/layout.hpp"

namespace vorn::route {

struct RouteResult {
  std::vector<layout::RoutedWire> wires;
  std::vector<layout::Crossing> crossings;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
};

// One orthogonal polyline per graph edge between placed nodes, in node and
// edge order: out of the source port, along the source's track column and
// into the destination port, bending just before the destination or along a
// free row when that shape would cut through a box.
Result<RouteResult> route(const std::vector<layout::VirtualNode>& nodes,
                          const std::vector<layout::PlacedComponent>& placed);

// "in" 0, "a" 1, "b" 2, "out" 3; anything else has no port byte.
using format::portByteOf;

// The first input slot named by `dst_port`, else the box's top-left corner.
layout::PortCoord portCoordOf(const layout::PlacedComponent& component, std::uint8_t dst_port);

// Where a wire enters: the input slot `dst_slot` of a box with pin slots,
// else as portCoordOf.
layout::PortCoord inputCoordOf(const layout::PlacedComponent& component, std::uint8_t dst_port, std::uint32_t dst_slot);

// Where a wire leaves: the output slot `src_slot` of a box with pin slots,
// else the output port.
layout::PortCoord outputCoordOf(const layout::PlacedComponent& component, std::uint32_t src_slot);

}  // namespace vorn::route
