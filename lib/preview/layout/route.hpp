#pragma once

#include <cstdint>
#include <vector>

#include "core/error.hpp"
#include "preview/layout/layout.hpp"

namespace vorn::route {

struct RouteResult {
  std::vector<layout::RoutedWire> wires;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
};

Result<RouteResult> route(const std::vector<layout::VirtualNode>& nodes,
                          const std::vector<layout::PlacedComponent>& placed);

}  // namespace vorn::route
