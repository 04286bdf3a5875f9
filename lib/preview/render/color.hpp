#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace vorn::color {

enum class ColorMode : std::uint8_t { auto_ = 0, always = 1, never = 2 };

// What a canvas cell shows, which decides its colour.
enum class ColorTag : std::uint8_t {
  none = 0,
  input_pin = 1,
  not_gate = 2,
  and_gate = 3,
  led = 4,
  macro = 5,
  wire = 6,
  crossing = 7,
};

inline constexpr std::string_view kResetSequence = "\x1b[0m";

// The escape sequence that starts a tag's colour; empty for `none`.
std::string_view startSequence(ColorTag tag);

// `always` and `never` are final. `auto` is off whenever NO_COLOR is set (even
// to an empty value) and otherwise on only when `stdout_handle` is a terminal.
bool shouldColor(ColorMode mode, std::optional<std::string_view> no_color_value, std::optional<int> stdout_handle);

}  // namespace vorn::color
