#include "preview/layout/place.hpp"

#include <algorithm>
#include <string_view>

#include "core/check.hpp"
#include "preview/layout/sizing.hpp"

namespace vorn::place {

namespace {

using format::ComponentKind;

bool hasInputOn(const layout::VirtualNode& node, std::uint8_t port) {
  return std::any_of(node.inputs.begin(), node.inputs.end(),
                     [port](const layout::InputEdge& edge) { return edge.dst_port == port; });
}

// Slot i of a box with pin slots at y: below the border and the title row,
// every second row.
std::uint32_t slotRow(std::uint32_t y, std::size_t i) {
  const std::uint64_t row = std::uint64_t{y} + 2 + 2 * std::uint64_t{i};
  return static_cast<std::uint32_t>(std::min<std::uint64_t>(row, UINT32_MAX));
}

}  // namespace

Ports resolvePortCoords(const layout::VirtualNode& node, std::uint32_t x, std::uint32_t y, std::uint32_t w,
                        std::uint32_t h) {
  Ports ports;
  const std::uint32_t in_x = x > 0 ? x - 1 : 0;
  ports.out_port = {x + w, y + h / 2};

  if (node.kind.pin_slots) {
    // Below the title row, one slot every second row on each side.
    const std::uint32_t out_x = x + w;
    for (std::size_t i = 0; i < node.in_pins.size(); ++i) {
      ports.in_ports.push_back({node.in_pins[i], {in_x, slotRow(y, i)}});
    }
    for (std::size_t i = 0; i < node.out_pins.size(); ++i) {
      ports.out_ports.push_back({node.out_pins[i], {out_x, slotRow(y, i)}});
    }
    if (!ports.out_ports.empty()) ports.out_port = ports.out_ports.front().coord;
    return ports;
  }
  if (node.kind.tag == layout::NodeKind::Tag::subcircuit) {
    // Present ports take consecutive odd rows, in the order a, in, b.
    static constexpr format::PortName kOrder[] = {format::PortName::a, format::PortName::in, format::PortName::b};
    std::uint32_t row = y + 1;
    for (format::PortName port : kOrder) {
      if (!hasInputOn(node, static_cast<std::uint8_t>(port))) continue;
      ports.in_ports.push_back({format::portNameText(port), {in_x, row}});
      row += 2;
    }
    return ports;
  }

  switch (node.kind.primitive) {
    case ComponentKind::input_pin: ports.out_port.y = y + 1; break;
    case ComponentKind::not_gate:
      ports.out_port.y = y + 1;
      ports.in_ports.push_back({"in", {in_x, y + 1}});
      break;
    case ComponentKind::and_gate:
      ports.out_port.y = y + 2;
      ports.in_ports.push_back({"a", {in_x, y + 1}});
      ports.in_ports.push_back({"b", {in_x, y + 3}});
      break;
    case ComponentKind::led:
    case ComponentKind::output_pin: ports.in_ports.push_back({"in", {in_x, y + 1}}); break;
    case ComponentKind::wire: break;
  }
  return ports;
}

Result<std::vector<layout::PlacedComponent>> place(const layout::VirtualGraph& graph,
                                                   const columns::ColumnAssignment& columns,
                                                   const rows::RowAssignment& rows) {
  const std::size_t n = graph.nodes.size();
  // The layout hands every stage the same graph, so the sizes agree.
  VORN_CHECK(columns.column_of.size() == n && rows.row_of.size() == n);

  std::vector<sizing::PrimitiveSize> sizes;
  sizes.reserve(n);
  for (const auto& node : graph.nodes) sizes.push_back(sizing::sizeOf(node));

  // Sized by the indices actually used, so a malformed assignment cannot index
  // past the arrays.
  std::size_t column_count = columns.num_columns;
  std::size_t row_count = std::max<std::uint32_t>(rows.num_rows, 1);
  for (std::size_t i = 0; i < n; ++i) {
    column_count = std::max<std::size_t>(column_count, std::size_t{columns.column_of[i]} + 1);
    row_count = std::max<std::size_t>(row_count, std::size_t{rows.row_of[i]} + 1);
  }

  std::vector<std::uint32_t> column_width(column_count, 0);
  std::vector<std::uint32_t> row_height(row_count, 0);
  for (std::size_t i = 0; i < n; ++i) {
    column_width[columns.column_of[i]] = std::max(column_width[columns.column_of[i]], sizes[i].width);
    row_height[rows.row_of[i]] = std::max(row_height[rows.row_of[i]], sizes[i].height);
  }

  std::vector<std::uint32_t> column_x(column_count, 0);
  for (std::size_t c = 1; c < column_count; ++c) column_x[c] = column_x[c - 1] + column_width[c - 1] + kColumnGap;
  std::vector<std::uint32_t> row_y(row_count, 0);
  for (std::size_t r = 1; r < row_count; ++r) row_y[r] = row_y[r - 1] + row_height[r - 1] + kRowGap;

  std::vector<layout::PlacedComponent> placed;
  placed.reserve(n);
  for (std::size_t i = 0; i < n; ++i) {
    const layout::VirtualNode& node = graph.nodes[i];
    layout::PlacedComponent component;
    component.kind = node.kind;
    component.name = node.name;
    component.origin = node.origin;
    component.id = node.id;
    component.x = column_x[columns.column_of[i]];
    component.y = row_y[rows.row_of[i]];
    component.width = sizes[i].width;
    component.height = sizes[i].height;
    Ports ports = resolvePortCoords(node, component.x, component.y, component.width, component.height);
    component.in_ports = std::move(ports.in_ports);
    component.out_port = ports.out_port;
    component.out_ports = std::move(ports.out_ports);
    placed.push_back(std::move(component));
  }
  return placed;
}

}  // namespace vorn::place
