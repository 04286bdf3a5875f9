#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "topology/format.hpp"
#include "topology/full_format.hpp"

// The preview model: the graph of drawable nodes, the placed boxes and the
// routed wires that the renderer draws.
namespace vorn::layout {

struct LayoutOptions {
  bool expand_macros = false;
};

struct NodeKind {
  enum class Tag : std::uint8_t { primitive = 0, subcircuit = 1 };
  Tag tag = Tag::primitive;
  format::ComponentKind primitive = format::ComponentKind::input_pin;  // when primitive
  std::string_view subcircuit;                                          // when subcircuit

  bool isPrimitive(format::ComponentKind kind) const { return tag == Tag::primitive && primitive == kind; }
};

struct InputEdge {
  std::uint32_t src_id = 0;
  std::uint8_t src_port = 3;
  std::uint8_t dst_port = 0;
};

struct OutputEdge {
  std::uint32_t dst_id = 0;
  std::uint8_t src_port = 3;
  std::uint8_t dst_port = 0;
};

// Names and origins are views into the FullTopology, which outlives the layout.
struct VirtualNode {
  NodeKind kind;
  std::string_view name;
  const std::vector<full_format::OriginFrame>* origin = nullptr;  // null: empty
  std::vector<InputEdge> inputs;
  std::vector<OutputEdge> outputs;
  std::uint32_t id = 0;
};

struct VirtualGraph {
  std::vector<VirtualNode> nodes;  // sorted by id
  std::uint32_t next_id = 1;
};

struct PortCoord {
  std::uint32_t x = 0;
  std::uint32_t y = 0;
  friend bool operator==(const PortCoord&, const PortCoord&) = default;
};

struct PortSlot {
  std::string_view port_name;  // "in", "a" or "b"
  PortCoord coord;
};

struct Segment {
  PortCoord from;
  PortCoord to;
  friend bool operator==(const Segment&, const Segment&) = default;
};

struct PlacedComponent {
  NodeKind kind;
  std::string_view name;
  const std::vector<full_format::OriginFrame>* origin = nullptr;
  std::vector<PortSlot> in_ports;
  std::uint32_t id = 0;
  std::uint32_t x = 0;
  std::uint32_t y = 0;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  PortCoord out_port;
};

struct RoutedWire {
  std::vector<Segment> segments;
  std::vector<PortCoord> crossings;
  std::uint32_t src_id = 0;
  std::uint32_t dst_id = 0;
  std::uint8_t src_port = 3;
  std::uint8_t dst_port = 0;
};

struct LayoutGrid {
  std::vector<PlacedComponent> components;  // in graph node order
  std::vector<RoutedWire> wires;
  std::uint32_t width = 0;
  std::uint32_t height = 0;
};

}  // namespace vorn::layout
