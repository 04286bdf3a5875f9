#include "preview/render/color.hpp"

#include <unistd.h>

namespace vorn::color {

std::string_view startSequence(ColorTag tag) {
  switch (tag) {
    case ColorTag::none: return {};
    case ColorTag::input_pin: return "\x1b[32m";
    case ColorTag::not_gate:
    case ColorTag::and_gate: return "\x1b[36m";
    case ColorTag::led: return "\x1b[33m";
    case ColorTag::macro: return "\x1b[35m";
    case ColorTag::wire: return "\x1b[2m";
    case ColorTag::crossing: return "\x1b[1m";
  }
  return {};
}

bool shouldColor(ColorMode mode, std::optional<std::string_view> no_color_value, std::optional<int> stdout_handle) {
  switch (mode) {
    case ColorMode::always: return true;
    case ColorMode::never: return false;
    case ColorMode::auto_: break;
  }
  if (no_color_value.has_value()) return false;
  return stdout_handle.has_value() && ::isatty(*stdout_handle) == 1;
}

}  // namespace vorn::color
