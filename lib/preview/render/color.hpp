#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace vorn::color {

enum class ColorMode : std::uint8_t { auto_ = 0, always = 1, never = 2 };

}  // namespace vorn::color
