#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "topology/format.hpp"
#include "topology/full_format.hpp"

// The preview model: the graph of drawable nodes, the placed boxes and the
// routed wires that the renderer draws.
namespace vorn::layout {

struct LayoutOptions {
  bool expand_macros = false;
  // Files whose folded instances get one labelled slot per pin (imported
  // sub-circuits). Instances of any other file, the built-in gates among
  // them, keep the ports "a", "b", "in" and the single output.
  std::unordered_set<std::uint32_t> pin_slot_files = {};
};

// An edge end that is no slot of a box with pin slots.
inline constexpr std::uint32_t kNoSlot = UINT32_MAX;

struct NodeKind {
  enum class Tag : std::uint8_t { primitive = 0, subcircuit = 1 };
  Tag tag = Tag::primitive;
  format::ComponentKind primitive = format::ComponentKind::input_pin;  // when primitive
  std::string_view subcircuit;                                         // when subcircuit
  bool pin_slots = false;                                              // a sub-circuit drawn with one slot per pin

  bool isPrimitive(format::ComponentKind kind) const { return tag == Tag::primitive && primitive == kind; }

  static NodeKind makePrimitive(format::ComponentKind kind) {
    NodeKind result;
    result.primitive = kind;
    return result;
  }
  static NodeKind makeSubcircuit(std::string_view name, bool pin_slots) {
    NodeKind result;
    result.tag = Tag::subcircuit;
    result.subcircuit = name;
    result.pin_slots = pin_slots;
    return result;
  }
};

// On a box with pin slots, an end's slot is the pin's index among the
// box's inputs (destination) or outputs (source), in declaration order; its
// port byte is then "in" or "out".
struct InputEdge {
  std::uint32_t src_id = 0;
  std::uint8_t src_port = format::portByte(format::PortName::out);
  std::uint8_t dst_port = format::portByte(format::PortName::in);
  std::uint32_t src_slot = kNoSlot;
  std::uint32_t dst_slot = kNoSlot;
};

struct OutputEdge {
  std::uint32_t dst_id = 0;
  std::uint8_t src_port = format::portByte(format::PortName::out);
  std::uint8_t dst_port = format::portByte(format::PortName::in);
  std::uint32_t src_slot = kNoSlot;
  std::uint32_t dst_slot = kNoSlot;
};

// Names and origins are views into the FullTopology, which outlives the layout.
struct VirtualNode {
  NodeKind kind;
  std::string_view name;
  const std::vector<full_format::OriginFrame>* origin = nullptr;  // null: empty
  std::vector<InputEdge> inputs;
  std::vector<OutputEdge> outputs;
  std::uint32_t id = 0;
  // Pin names of a box with pin slots, in declaration order.
  std::vector<std::string_view> in_pins;
  std::vector<std::string_view> out_pins;
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
  std::string_view port_name;  // "in", "a" or "b"; a pin's name on a box with pin slots
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
  // A box with pin slots: one per output pin (out_port is then the first,
  // or the middle of the right side when there is none).
  std::vector<PortSlot> out_ports;
};

struct RoutedWire {
  std::vector<Segment> segments;
  std::uint32_t src_id = 0;
  std::uint32_t dst_id = 0;
  std::uint8_t src_port = format::portByte(format::PortName::out);
  std::uint8_t dst_port = format::portByte(format::PortName::in);
  std::uint32_t src_slot = kNoSlot;
  std::uint32_t dst_slot = kNoSlot;
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
