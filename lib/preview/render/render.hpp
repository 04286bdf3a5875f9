#pragma once

#include <optional>
#include <string_view>

#include "core/error.hpp"
#include "core/output_stream.hpp"
#include "preview/layout/layout.hpp"
#include "preview/render/color.hpp"

namespace vorn::render {

struct RenderOptions {
  std::optional<std::string_view> no_color_value;  // absent when NO_COLOR is unset
  std::optional<int> stdout_handle;                // descriptor tested with isatty
  color::ColorMode color = color::ColorMode::auto_;
};

Result<void> render(OutputStream& out, const layout::LayoutGrid& grid, const RenderOptions& options);

}  // namespace vorn::render
