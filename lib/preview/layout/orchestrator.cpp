#include "preview/layout/orchestrator.hpp"

#include "preview/layout/collapse.hpp"
#include "preview/layout/columns.hpp"
#include "preview/layout/place.hpp"
#include "preview/layout/route.hpp"
#include "preview/layout/rows.hpp"
#include "resolver/builtins.hpp"

namespace vorn::orchestrator {

Result<layout::LayoutGrid> build(const full_format::FullTopology& topology, layout::LayoutOptions options) {
  VORN_TRY(const layout::VirtualGraph graph, collapse::collapse(topology, options));
  VORN_TRY(const columns::ColumnAssignment column_assignment, columns::assignColumns(graph));
  VORN_TRY(const rows::RowAssignment row_assignment, rows::assignRows(graph, column_assignment));
  VORN_TRY(std::vector<layout::PlacedComponent> placed, place::place(graph, column_assignment, row_assignment));
  VORN_TRY(route::RouteResult routed, route::route(graph.nodes, placed));

  return layout::LayoutGrid{.components = std::move(placed),
                            .wires = std::move(routed.wires),
                            .crossings = std::move(routed.crossings),
                            .width = routed.width,
                            .height = routed.height};
}

std::unordered_set<std::uint32_t> subCircuitFiles(const types::Project& project) {
  std::unordered_set<std::uint32_t> files;
  for (std::uint32_t id = 0; id < project.file_paths.size(); ++id) {
    if (!builtins::hasVirtualPrefix(project.file_paths[id])) files.insert(id);
  }
  return files;
}

}  // namespace vorn::orchestrator
