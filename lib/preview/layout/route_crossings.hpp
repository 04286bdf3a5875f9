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

// Fills every wire's `crossings` as the pairwise test over wires i < j and
// their segments in order would, appending each point to both wires; a
// sweep over rows finds the pairs instead of testing them all.
void addCrossings(std::vector<layout::RoutedWire>& wires);

}  // namespace vorn::route
