#pragma once

#include "core/error.hpp"
#include "preview/layout/layout.hpp"
#include "topology/full_format.hpp"

namespace vorn::orchestrator {

// collapse, columns, rows, place, route. The grid holds views into `topology`.
Result<layout::LayoutGrid> build(const full_format::FullTopology& topology, layout::LayoutOptions options);

}  // namespace vorn::orchestrator
