#pragma once

#include "core/error.hpp"
#include "core/output_stream.hpp"
#include "truth_table/builder.hpp"

namespace vorn::json {

Result<void> render(OutputStream& out, const builder::Table& table);

}  // namespace vorn::json
