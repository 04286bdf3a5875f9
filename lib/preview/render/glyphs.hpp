#pragma once

#include <cstdint>
#include <string_view>

#include "preview/layout/layout.hpp"
#include "preview/render/canvas.hpp"

// Drawing of the component boxes.
namespace vorn::glyphs {

using canvas::Canvas;
using color::ColorTag;

ColorTag colorTagFor(const layout::NodeKind& kind);
// Whether the kind drives wires from an output port.
bool hasOutPort(const layout::NodeKind& kind);

// Rounded border; nothing when `w` or `h` is 0.
void drawBoxBorder(Canvas& canvas, std::uint32_t x, std::uint32_t y, std::uint32_t w, std::uint32_t h, ColorTag tag);
// Border, blank interior and the label centred on the middle row, cut on
// the right when it is wider than the interior.
void drawLabeledBox(Canvas& canvas, std::uint32_t x, std::uint32_t y, std::uint32_t w, std::uint32_t h,
                    std::string_view label, ColorTag tag);
void drawNotGate(Canvas& canvas, const layout::PlacedComponent& component);
void drawAndGate(Canvas& canvas, const layout::PlacedComponent& component);
void drawLed(Canvas& canvas, const layout::PlacedComponent& component);
// Border and "[subcircuit:alias]" when it fits (on the middle row, or on the
// first row inside above the pin names of a box with pin slots); the rest of
// the interior is left as is.
void drawMacroBox(Canvas& canvas, const layout::PlacedComponent& component);
void drawComponent(Canvas& canvas, const layout::PlacedComponent& component);
// "├" on the border beside the output port (every output slot of a box with
// pin slots), "┤" beside every input port.
void stampPortBorders(Canvas& canvas, const layout::PlacedComponent& component);

}  // namespace vorn::glyphs
