#include "preview/layout/sizing.hpp"

#include <algorithm>
#include <cstddef>
#include <limits>

namespace vorn::sizing {

namespace {

using format::ComponentKind;

// Names are bounded by the 16 MiB source limit, but a size never wraps.
std::uint32_t clampedLength(std::size_t length) {
  return static_cast<std::uint32_t>(std::min<std::size_t>(length, std::numeric_limits<std::uint32_t>::max() / 4));
}

}  // namespace

PrimitiveSize pinSize(std::string_view name) { return {std::max<std::uint32_t>(clampedLength(name.size()), 1) + 4, 3}; }

PrimitiveSize macroSize(std::uint32_t label_width, std::uint32_t input_count) {
  const std::uint32_t label = std::min(label_width, std::numeric_limits<std::uint32_t>::max() / 2);
  const std::uint32_t inputs = std::min(input_count, std::numeric_limits<std::uint32_t>::max() / 4);
  return {std::max<std::uint32_t>(label, 3) + 5, std::max<std::uint32_t>(2 * inputs + 1, 3)};
}

PrimitiveSize pinSlotSize(std::uint32_t label_width, const std::vector<std::string_view>& in_pins,
                          const std::vector<std::string_view>& out_pins) {
  constexpr std::uint64_t kLimit = std::numeric_limits<std::uint32_t>::max() / 4;
  std::uint64_t interior = std::uint64_t{std::min(label_width, std::numeric_limits<std::uint32_t>::max() / 2)};
  interior = std::max<std::uint64_t>(interior, 3) + 3;
  const std::size_t rows = std::max(in_pins.size(), out_pins.size());
  for (std::size_t i = 0; i < rows; ++i) {
    const std::uint64_t left = i < in_pins.size() ? clampedLength(in_pins[i].size()) : 0;
    const std::uint64_t right = i < out_pins.size() ? clampedLength(out_pins[i].size()) : 0;
    const std::uint64_t gap = i < in_pins.size() && i < out_pins.size() ? kPinLabelGap : 0;
    interior = std::max(interior, left + gap + right);
  }
  const std::uint64_t height = std::max<std::uint64_t>(2 * std::min<std::uint64_t>(rows, kLimit) + 2, 3);
  return {static_cast<std::uint32_t>(std::min(interior, kLimit) + 2), static_cast<std::uint32_t>(height)};
}

std::uint32_t countActiveSubcircuitInputs(const layout::VirtualNode& node) {
  bool seen[3] = {false, false, false};
  for (const auto& edge : node.inputs) {
    if (edge.dst_port < 3) seen[edge.dst_port] = true;
  }
  return static_cast<std::uint32_t>(seen[0]) + seen[1] + seen[2];
}

PrimitiveSize sizeOf(const layout::VirtualNode& node) {
  if (node.kind.tag == layout::NodeKind::Tag::subcircuit) {
    const std::uint32_t label_width = clampedLength(node.name.size()) + clampedLength(node.kind.subcircuit.size());
    if (node.kind.pin_slots) return pinSlotSize(label_width, node.in_pins, node.out_pins);
    return macroSize(label_width, countActiveSubcircuitInputs(node));
  }
  switch (node.kind.primitive) {
    case ComponentKind::input_pin:
    case ComponentKind::output_pin: return pinSize(node.name);
    case ComponentKind::not_gate: return {5, 3};
    case ComponentKind::and_gate: return {5, 5};
    case ComponentKind::led: return {5, 3};
    case ComponentKind::wire: return {0, 0};
  }
  return {0, 0};
}

}  // namespace vorn::sizing
