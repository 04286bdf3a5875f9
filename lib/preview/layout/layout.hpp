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
  std::uint32_t src_id = 0;
  std::uint32_t dst_id = 0;
  std::uint8_t src_port = 3;
  std::uint8_t dst_port = 0;
};

// A cell where one wire's vertical run meets another wire's horizontal run
// (touching ends count). Kept once per cell rather than once per pair of
// wires: a fan-out of n wires meets itself n * n times in one cell.
struct Crossing {
  PortCoord point;
  // The lowest-numbered wire that meets another wire here; the drawing asks
  // whether this wire's own net also runs through the cell.
  std::uint32_t first_wire = 0;
  friend bool operator==(const Crossing&, const Crossing&) = default;
};

struct LayoutGrid {
  std::vector<PlacedComponent> components;  // in graph node order
  std::vector<RoutedWire> wires;
  std::vector<Crossing> crossings;  // row by row, left to right
  std::uint32_t width = 0;
  std::uint32_t height = 0;
};

}  // namespace vorn::layout
