#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "core/error.hpp"
#include "core/output_stream.hpp"

namespace vorn::driver {

// Runs the whole pipeline for one command line (without the program name)
// and returns the exit status, or an error that the entry point reports as
// "error: " + name.
Result<std::uint8_t> run(std::span<const std::string_view> arguments, OutputStream& out, OutputStream& err);

}  // namespace vorn::driver
