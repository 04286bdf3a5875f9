#include "preview/render/glyphs.hpp"

#include <algorithm>

#include "preview/layout/sizing.hpp"

namespace vorn::glyphs {

namespace {

using format::ComponentKind;
using glyph_set::byteGlyph;
using U64 = std::uint64_t;

// Label bytes go one per cell, starting at (x, y).
void writeBytes(Canvas& canvas, U64 x, U64 y, std::string_view bytes, ColorTag tag) {
  for (std::size_t i = 0; i < bytes.size(); ++i) canvas.setCell(x + i, y, byteGlyph(bytes[i]), tag);
}

// Each slot's pin name inside the border on the slot's row: inputs from the
// left border on, outputs up to the right border. Placement sizes the box
// for every name with a gap between the two of a row; in a box too narrow
// anyway the two share the interior, one space apart, each cut on the right.
void drawPinLabels(Canvas& canvas, const layout::PlacedComponent& c) {
  if (c.width < 3) return;
  const std::size_t interior = c.width - 2;
  const std::size_t rows = std::max(c.in_ports.size(), c.out_ports.size());
  for (std::size_t i = 0; i < rows; ++i) {
    const layout::PortSlot* in = i < c.in_ports.size() ? &c.in_ports[i] : nullptr;
    const layout::PortSlot* out = i < c.out_ports.size() ? &c.out_ports[i] : nullptr;
    std::size_t left = in ? std::min(in->port_name.size(), interior) : 0;
    std::size_t right = out ? std::min(out->port_name.size(), interior) : 0;
    if (in && out && in->coord.y == out->coord.y && left + sizing::kPinLabelGap + right > interior) {
      const std::size_t room = interior - 1;
      left = std::min(in->port_name.size(), room - std::min(out->port_name.size(), room / 2));
      right = std::min(out->port_name.size(), room - left);
    }
    if (in) writeBytes(canvas, U64{c.x} + 1, in->coord.y, in->port_name.substr(0, left), ColorTag::macro);
    if (out)
      writeBytes(canvas, U64{c.x} + c.width - 1 - right, out->coord.y, out->port_name.substr(0, right),
                 ColorTag::macro);
  }
}

}  // namespace

ColorTag colorTagFor(const layout::NodeKind& kind) {
  if (kind.tag == layout::NodeKind::Tag::subcircuit) return ColorTag::macro;
  switch (kind.primitive) {
    case ComponentKind::input_pin:
    case ComponentKind::output_pin: return ColorTag::input_pin;
    case ComponentKind::not_gate: return ColorTag::not_gate;
    case ComponentKind::and_gate: return ColorTag::and_gate;
    case ComponentKind::led: return ColorTag::led;
    case ComponentKind::wire: return ColorTag::none;
  }
  return ColorTag::none;
}

bool hasOutPort(const layout::NodeKind& kind) {
  if (kind.tag == layout::NodeKind::Tag::subcircuit) return true;
  switch (kind.primitive) {
    case ComponentKind::input_pin:
    case ComponentKind::not_gate:
    case ComponentKind::and_gate: return true;
    case ComponentKind::output_pin:
    case ComponentKind::led:
    case ComponentKind::wire: return false;
  }
  return false;
}

void drawBoxBorder(Canvas& canvas, std::uint32_t x, std::uint32_t y, std::uint32_t w, std::uint32_t h, ColorTag tag) {
  if (w == 0 || h == 0) return;
  const U64 left = x;
  const U64 right = U64{x} + w - 1;
  const U64 top = y;
  const U64 bottom = U64{y} + h - 1;
  auto drawEdge = [&](U64 row, glyph_set::Glyph first, glyph_set::Glyph last) {
    canvas.setCell(left, row, first, tag);
    // Only the part of a long run that lies on the canvas costs anything.
    const U64 end = std::min<U64>(right, canvas.width());
    for (U64 cx = left + 1; cx < end; ++cx) canvas.setCell(cx, row, glyph_set::kHorizontal, tag);
    if (w >= 2) canvas.setCell(right, row, last, tag);
  };
  drawEdge(top, glyph_set::kTopLeft, glyph_set::kTopRight);
  if (h >= 2) drawEdge(bottom, glyph_set::kBottomLeft, glyph_set::kBottomRight);
  if (h >= 3) {
    const U64 end = std::min<U64>(bottom, canvas.height());
    for (U64 row = top + 1; row < end; ++row) {
      canvas.setCell(left, row, glyph_set::kVertical, tag);
      if (w >= 2) canvas.setCell(right, row, glyph_set::kVertical, tag);
    }
  }
}

void drawLabeledBox(Canvas& canvas, std::uint32_t x, std::uint32_t y, std::uint32_t w, std::uint32_t h,
                    std::string_view label, ColorTag tag) {
  drawBoxBorder(canvas, x, y, w, h, tag);
  if (w >= 3 && h >= 3) {
    const U64 row_end = std::min<U64>(U64{y} + h - 1, canvas.height());
    const U64 col_end = std::min<U64>(U64{x} + w - 1, canvas.width());
    for (U64 row = U64{y} + 1; row < row_end; ++row) {
      for (U64 cx = U64{x} + 1; cx < col_end; ++cx) canvas.setCell(cx, row, glyph_set::kSpace, tag);
    }
  }
  if (w > 2) {
    const U64 n = std::min<U64>(label.size(), w - 2);
    writeBytes(canvas, U64{x} + (w - 2 - n) / 2 + 1, U64{y} + h / 2, label.substr(0, n), tag);
  }
}

void drawNotGate(Canvas& canvas, const layout::PlacedComponent& c) {
  drawLabeledBox(canvas, c.x, c.y, c.width, c.height, "NOT", ColorTag::not_gate);
}

void drawAndGate(Canvas& canvas, const layout::PlacedComponent& c) {
  drawLabeledBox(canvas, c.x, c.y, c.width, c.height, "AND", ColorTag::and_gate);
}

void drawLed(Canvas& canvas, const layout::PlacedComponent& c) {
  drawLabeledBox(canvas, c.x, c.y, c.width, c.height, "LED", ColorTag::led);
}

void drawMacroBox(Canvas& canvas, const layout::PlacedComponent& c) {
  drawBoxBorder(canvas, c.x, c.y, c.width, c.height, ColorTag::macro);
  if (c.kind.pin_slots) drawPinLabels(canvas, c);
  const std::string_view subcircuit = c.kind.subcircuit;
  const U64 label_width = U64{subcircuit.size()} + c.name.size();
  if (label_width + 5 > c.width) return;
  U64 cx = U64{c.x} + (c.width - label_width - 5) / 2 + 1;
  // With pin slots the title heads the box, above the slots.
  const U64 row = U64{c.y} + (c.kind.pin_slots ? 1 : c.height / 2);
  canvas.setCell(cx++, row, byteGlyph('['), ColorTag::macro);
  writeBytes(canvas, cx, row, subcircuit, ColorTag::macro);
  cx += subcircuit.size();
  canvas.setCell(cx++, row, byteGlyph(':'), ColorTag::macro);
  writeBytes(canvas, cx, row, c.name, ColorTag::macro);
  cx += c.name.size();
  canvas.setCell(cx, row, byteGlyph(']'), ColorTag::macro);
}

void drawComponent(Canvas& canvas, const layout::PlacedComponent& c) {
  if (c.kind.tag == layout::NodeKind::Tag::subcircuit) {
    drawMacroBox(canvas, c);
    return;
  }
  switch (c.kind.primitive) {
    case ComponentKind::input_pin:
    case ComponentKind::output_pin:
      drawLabeledBox(canvas, c.x, c.y, c.width, c.height, c.name, ColorTag::input_pin);
      return;
    case ComponentKind::not_gate: drawNotGate(canvas, c); return;
    case ComponentKind::and_gate: drawAndGate(canvas, c); return;
    case ComponentKind::led: drawLed(canvas, c); return;
    case ComponentKind::wire: return;
  }
}

void stampPortBorders(Canvas& canvas, const layout::PlacedComponent& c) {
  const ColorTag tag = colorTagFor(c.kind);
  if (c.kind.pin_slots) {
    for (const layout::PortSlot& slot : c.out_ports) {
      if (slot.coord.x != 0) canvas.setCell(U64{slot.coord.x} - 1, slot.coord.y, glyph_set::kTeeRight, tag);
    }
  } else if (hasOutPort(c.kind) && c.out_port.x != 0) {
    canvas.setCell(U64{c.out_port.x} - 1, c.out_port.y, glyph_set::kTeeRight, tag);
  }
  for (const layout::PortSlot& slot : c.in_ports) {
    // A box in the first column has its ports on its own left border (there
    // is no column left of it); the cell right of that is inside the box.
    const U64 border = slot.coord.x == c.x ? U64{c.x} : U64{slot.coord.x} + 1;
    canvas.setCell(border, slot.coord.y, glyph_set::kTeeLeft, tag);
  }
}

}  // namespace vorn::glyphs
