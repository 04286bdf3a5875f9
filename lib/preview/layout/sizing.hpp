#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "preview/layout/layout.hpp"

// Box sizes of the drawable nodes, in cells.
namespace vorn::sizing {

struct PrimitiveSize {
  std::uint32_t width = 0;
  std::uint32_t height = 0;

  friend bool operator==(const PrimitiveSize&, const PrimitiveSize&) = default;
};

// Input and output pins: wide enough for the name between the borders.
PrimitiveSize pinSize(std::string_view name);

// Sub-circuit boxes: room for the "[sub:alias]" label and one odd row per input.
PrimitiveSize macroSize(std::uint32_t label_width, std::uint32_t input_count);

// Cells between an input pin's name and an output pin's name on one row.
inline constexpr std::uint32_t kPinLabelGap = 2;

// Sub-circuit boxes with pin slots: the "[sub:alias]" title on the first
// row inside, then a row for each input pin and the output pin beside it,
// with a blank row between; wide enough for the title and for both names of
// every row with the gap between them.
PrimitiveSize pinSlotSize(std::uint32_t label_width, const std::vector<std::string_view>& in_pins,
                          const std::vector<std::string_view>& out_pins);

// How many of the ports "in", "a" and "b" some input edge enters (0 to 3).
std::uint32_t countActiveSubcircuitInputs(const layout::VirtualNode& node);

PrimitiveSize sizeOf(const layout::VirtualNode& node);

}  // namespace vorn::sizing
