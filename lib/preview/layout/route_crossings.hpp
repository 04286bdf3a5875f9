#pragma once

#include <optional>
#include <vector>

#include "preview/layout/layout.hpp"

// Cells where one wire's vertical run meets another wire's horizontal run.
namespace vorn::route {

// Exactly one of the two must be horizontal (ends on one row; a zero-length
// segment counts as horizontal). The point is (vertical's x, horizontal's y)
// when each lies within the other's inclusive range.
std::optional<layout::PortCoord> segmentCross(const layout::Segment& a, const layout::Segment& b);

// Every cell where segmentCross holds for a segment of one wire and a segment
// of another, once, row by row and left to right, with the lowest wire that
// takes part there. A sweep down the rows visits each cell shared by a
// horizontal and a vertical run once, however many wires share it.
std::vector<layout::Crossing> findCrossings(const std::vector<layout::RoutedWire>& wires);

}  // namespace vorn::route
