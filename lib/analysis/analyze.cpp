#include "analysis/analyze.hpp"

#include "analysis/location.hpp"
#include "analysis/minimise.hpp"
#include "netlist/netlist.hpp"

namespace vorn::analysis {

namespace {

constexpr std::size_t kRowsNamed = 8;

std::string_view lastComponent(std::string_view path) {
  std::size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// Narrows the function to the inputs it depends on and minimises it.
void minimise(const OutputFunction& evaluated, const std::vector<std::string>& reach_names, OutputAnalysis& out) {
  std::vector<std::uint32_t> keep;
  for (std::uint32_t var = 0; var < evaluated.function.vars; ++var) {
    if (dependsOn(evaluated.function, var)) keep.push_back(var);
  }
  for (std::uint32_t var : keep) out.support.push_back(reach_names[var]);
  out.function = restrictTo(evaluated.function, keep);
  out.sop = minimiseSop(out.function);
  out.pos = minimiseSop(complement(out.function));
  if (out.function.vars >= kMapMinVariables && out.function.vars <= kMapMaxVariables) {
    out.map = karnaughMap(out.function.vars);
  }
}

}  // namespace

Result<Analysis> analyze(const full_format::FullTopology& topology, const Source& source) {
  VORN_TRY(const netlist::Netlist netlist, netlist::build(topology));
  VORN_TRY(const std::vector<OutputFunction> functions, evaluateOutputs(netlist, topology));
  Analysis analysis;
  analysis.file = std::string(lastComponent(source.root_path));
  analysis.size = sizeOf(topology, source.project);
  const Locator locator(source.project, source.module, source.root_path);
  const DepthTable depths(netlist);
  for (std::size_t k = 0; k < netlist.outputs.size(); ++k) {
    const OutputFunction& evaluated = functions[k];
    OutputAnalysis& out = analysis.outputs.emplace_back();
    out.name = topology.components[netlist.outputs[k]].name;
    out.status = evaluated.status;
    for (std::uint32_t i : evaluated.reach) out.reach.push_back(topology.components[netlist.inputs[i]].name);
    if (evaluated.status == OutputFunction::Status::undefined_rows) {
      const std::uint64_t rows = std::uint64_t{1} << evaluated.reach.size();
      for (std::uint64_t row = 0; row < rows; ++row) {
        if (!((evaluated.undefined[row >> 6] >> (row & 63)) & 1)) continue;
        if (++out.undefined_count <= kRowsNamed) out.undefined_rows.push_back(row);
      }
    }
    if (evaluated.status == OutputFunction::Status::ok) minimise(evaluated, out.reach, out);
    out.depth = depths.depthOf(netlist.outputs[k]);
    for (std::uint32_t node : out.depth.path) {
      const full_format::FullComponentRecord& record = topology.components[node];
      out.critical_path.push_back(
          PathStep{netlist::instancePath(record), kindName(record.kind), locator.locate(record)});
    }
  }
  return analysis;
}

std::vector<std::string> undefinedRowMessages(const Analysis& analysis) {
  std::vector<std::string> lines;
  for (const OutputAnalysis& out : analysis.outputs) {
    if (out.status != OutputFunction::Status::undefined_rows) continue;
    std::string line = "analyze: output '" + out.name + "' is undefined (?) on " + std::to_string(out.undefined_count) +
                       (out.undefined_count == 1 ? " row" : " rows");
    line += out.reach.empty() ? " (no input reaches it)" : ":";
    for (std::size_t i = 0; i < out.undefined_rows.size() && !out.reach.empty(); ++i) {
      line += i == 0 ? " " : "; ";
      for (std::size_t v = 0; v < out.reach.size(); ++v) {
        line += (v == 0 ? "" : " ") + out.reach[v] + '=' + (((out.undefined_rows[i] >> v) & 1) ? '1' : '0');
      }
    }
    if (out.undefined_count > kRowsNamed && !out.reach.empty()) {
      line += "; and " + std::to_string(out.undefined_count - kRowsNamed) + " more";
    }
    lines.push_back(std::move(line));
  }
  return lines;
}

}  // namespace vorn::analysis
