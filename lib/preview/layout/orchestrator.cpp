#include "preview/layout/orchestrator.hpp"

#include "preview/layout/collapse.hpp"
#include "preview/layout/columns.hpp"
#include "preview/layout/place.hpp"
#include "preview/layout/route.hpp"
#include "preview/layout/rows.hpp"
#include "resolver/builtins.hpp"

namespace vorn::orchestrator {

Result<layout::LayoutGrid> build(const full_format::FullTopology& topology, layout::LayoutOptions options) {
  auto graph = collapse::collapse(topology, options);
  if (!graph) return std::unexpected(graph.error());
  auto column_assignment = columns::assignColumns(*graph);
  if (!column_assignment) return std::unexpected(column_assignment.error());
  auto row_assignment = rows::assignRows(*graph, *column_assignment);
  if (!row_assignment) return std::unexpected(row_assignment.error());
  auto placed = place::place(*graph, *column_assignment, *row_assignment);
  if (!placed) return std::unexpected(placed.error());
  auto routed = route::route(graph->nodes, *placed);
  if (!routed) return std::unexpected(routed.error());

  layout::LayoutGrid grid;
  grid.components = std::move(*placed);
  grid.wires = std::move(routed->wires);
  grid.crossings = std::move(routed->crossings);
  grid.width = routed->width;
  grid.height = routed->height;
  return grid;
}

std::unordered_set<std::uint32_t> subCircuitFiles(const types::Project& project) {
  std::unordered_set<std::uint32_t> files;
  for (std::uint32_t id = 0; id < project.file_paths.size(); ++id) {
    if (!builtins::hasVirtualPrefix(project.file_paths[id])) files.insert(id);
  }
  return files;
}

}  // namespace vorn::orchestrator
