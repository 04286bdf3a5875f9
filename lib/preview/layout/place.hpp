#pragma once

#include <cstdint>
#include <vector>

#include "core/error.hpp"
#include "preview/layout/columns.hpp"
#include "preview/layout/layout.hpp"
#include "preview/layout/rows.hpp"

// Fourth preview stage: turns columns and rows into cell coordinates, box
// sizes and port positions.
namespace vorn::place {

// Cells left empty between neighbouring columns and rows.
inline constexpr std::uint32_t kColumnGap = 5;
inline constexpr std::uint32_t kRowGap = 1;

struct Ports {
  std::vector<layout::PortSlot> in_ports;
  layout::PortCoord out_port;
  std::vector<layout::PortSlot> out_ports;  // boxes with pin slots only
};

// Where wires enter (one cell left of the box) and leave (one cell right of
// it) a node whose box is at (x, y) with size w x h.
Ports resolvePortCoords(const layout::VirtualNode& node, std::uint32_t x, std::uint32_t y, std::uint32_t w,
                        std::uint32_t h);

// One placed component per node, in graph order.
Result<std::vector<layout::PlacedComponent>> place(const layout::VirtualGraph& graph,
                                                   const columns::ColumnAssignment& columns,
                                                   const rows::RowAssignment& rows);

}  // namespace vorn::place
