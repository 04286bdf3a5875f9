#pragma once

#include <cstdint>
#include <string_view>

#include "core/error.hpp"
#include "core/output_stream.hpp"

namespace vorn::driver {

// Writes "<prefix><error name>\n" to standard error and gives exit status 1.
// A failure to write the message itself becomes the run's error.
inline Result<std::uint8_t> reportStageFailure(OutputStream& err, std::string_view prefix, Error error) {
  if (auto written = err.writeAll({prefix, errorName(error), "\n"}); !written) return fail(written.error());
  return std::uint8_t{1};
}

}  // namespace vorn::driver
