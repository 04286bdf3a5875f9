#pragma once

#include "core/error.hpp"
#include "core/output_stream.hpp"
#include "truth_table/builder.hpp"

namespace vorn::markdown {

Result<void> render(OutputStream& out, const builder::Table& table);

}  // namespace vorn::markdown
