#pragma once

#include <optional>
#include <string_view>

#include "core/error.hpp"
#include "core/output_stream.hpp"
#include "preview/layout/layout.hpp"
#include "preview/render/canvas.hpp"
#include "preview/render/color.hpp"

namespace vorn::render {

struct RenderOptions {
  std::optional<std::string_view> no_color_value;  // absent when NO_COLOR is unset
  std::optional<int> stdout_handle;                // descriptor tested with isatty
  color::ColorMode color = color::ColorMode::auto_;
};

inline bool shouldColor(const RenderOptions& options) {
  return color::shouldColor(options.color, options.no_color_value, options.stdout_handle);
}

// "─" for a segment whose ends share a row, otherwise "│".
void drawSegment(canvas::Canvas& canvas, const layout::Segment& segment);

// Every drawing pass in order, on a canvas of the grid's size: boxes and port
// stamps, wire bodies, corners, crossing marks, junction repair, wire ends
// and fan-out dots.
canvas::Canvas drawSchematic(const layout::LayoutGrid& grid);

Result<void> render(OutputStream& out, const layout::LayoutGrid& grid, const RenderOptions& options);

}  // namespace vorn::render
