#pragma once

#include <cstdint>
#include <unordered_set>

#include "core/error.hpp"
#include "ir/types.hpp"
#include "preview/layout/layout.hpp"
#include "topology/full_format.hpp"

namespace vorn::orchestrator {

// collapse, columns, rows, place, route. The grid holds views into `topology`.
Result<layout::LayoutGrid> build(const full_format::FullTopology& topology, layout::LayoutOptions options);

// The files of `project` whose instances are drawn with one slot per pin:
// all but the built-in gates.
std::unordered_set<std::uint32_t> subCircuitFiles(const types::Project& project);

}  // namespace vorn::orchestrator
