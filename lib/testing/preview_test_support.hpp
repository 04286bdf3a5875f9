#pragma once

// Hand-built layout pieces for the routing and rendering tests: boxes with
// the sizes and port cells that placement gives each kind.

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "preview/layout/layout.hpp"

namespace vorn::preview_test {

using format::ComponentKind;
using layout::PlacedComponent;
using layout::PortCoord;
using layout::Segment;

inline layout::NodeKind primitive(ComponentKind kind) {
  layout::NodeKind k;
  k.tag = layout::NodeKind::Tag::primitive;
  k.primitive = kind;
  return k;
}

inline std::uint32_t portX(std::uint32_t x) { return x == 0 ? 0 : x - 1; }

inline PlacedComponent inputPin(std::uint32_t id, std::string_view name, std::uint32_t x, std::uint32_t y) {
  PlacedComponent c;
  c.kind = primitive(ComponentKind::input_pin);
  c.name = name;
  c.id = id;
  c.x = x;
  c.y = y;
  c.width = static_cast<std::uint32_t>(std::max<std::size_t>(name.size(), 1)) + 4;
  c.height = 3;
  c.out_port = {x + c.width, y + 1};
  return c;
}

// An output pin, LED or NOT gate: a 3-high box with one input "in".
inline PlacedComponent oneInput(ComponentKind kind, std::uint32_t id, std::string_view name, std::uint32_t x,
                                std::uint32_t y) {
  PlacedComponent c;
  c.kind = primitive(kind);
  c.name = name;
  c.id = id;
  c.x = x;
  c.y = y;
  c.width =
      kind == ComponentKind::output_pin ? static_cast<std::uint32_t>(std::max<std::size_t>(name.size(), 1)) + 4 : 5;
  c.height = 3;
  c.in_ports = {{"in", {portX(x), y + 1}}};
  c.out_port = {x + c.width, y + 1};
  return c;
}

inline PlacedComponent andGate(std::uint32_t id, std::uint32_t x, std::uint32_t y) {
  PlacedComponent c;
  c.kind = primitive(ComponentKind::and_gate);
  c.name = "g";
  c.id = id;
  c.x = x;
  c.y = y;
  c.width = 5;
  c.height = 5;
  c.in_ports = {{"a", {portX(x), y + 1}}, {"b", {portX(x), y + 3}}};
  c.out_port = {x + 5, y + 2};
  return c;
}

inline PlacedComponent macroBox(std::uint32_t id, std::string_view subcircuit, std::string_view alias, std::uint32_t x,
                                std::uint32_t y, const std::vector<std::string_view>& ports) {
  PlacedComponent c;
  c.kind.tag = layout::NodeKind::Tag::subcircuit;
  c.kind.subcircuit = subcircuit;
  c.name = alias;
  c.id = id;
  c.x = x;
  c.y = y;
  c.width = static_cast<std::uint32_t>(std::max<std::size_t>(subcircuit.size() + alias.size(), 3)) + 5;
  c.height = static_cast<std::uint32_t>(std::max<std::size_t>(2 * ports.size() + 1, 3));
  for (std::size_t i = 0; i < ports.size(); ++i) {
    c.in_ports.push_back({ports[i], {portX(x), y + 1 + 2 * static_cast<std::uint32_t>(i)}});
  }
  c.out_port = {x + c.width, y + c.height / 2};
  return c;
}

inline layout::RoutedWire wire(std::uint32_t src, std::uint32_t dst, std::uint8_t dst_port,
                               std::vector<Segment> segments) {
  layout::RoutedWire w;
  w.src_id = src;
  w.dst_id = dst;
  w.dst_port = dst_port;
  w.segments = std::move(segments);
  return w;
}

}  // namespace vorn::preview_test
