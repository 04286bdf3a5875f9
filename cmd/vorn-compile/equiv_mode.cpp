#include <string>
#include <vector>

#include "backends.hpp"
#include "core/stage_prefixes.hpp"
#include "equiv/check.hpp"
#include "equiv/report.hpp"
#include "topology/full_serializer.hpp"
#include "truth_table/row_driver.hpp"

namespace vorn::driver {

namespace {

Result<full_format::FullTopology> topologyOf(const Program& program) {
  return program.project ? full_serializer::buildFromProject(*program.project)
                         : full_serializer::buildFromModule(*program.module);
}

const types::Module& rootOf(const Program& program) {
  return program.project ? program.project->files[program.project->root_file_id.value] : *program.module;
}

// Where a top-level pin of the root file is declared.
types::Span declarationOf(const types::Module& root, const equiv::Mismatch& mismatch) {
  if (mismatch.input) {
    for (const types::InputPin& pin : root.inputs) {
      if (pin.name == mismatch.name) return pin.span;
    }
  } else {
    for (const types::OutputPin& pin : root.outputs) {
      if (pin.name == mismatch.name) return pin.span;
    }
  }
  return {};
}

}  // namespace

Result<std::uint8_t> runEquiv(const args::Args& args, const Program& program, const Program& reference,
                              OutputStream& out, StageReport& report) {
  auto circuit_topology = topologyOf(program);
  if (!circuit_topology) return report.stageFailure(stage_prefixes::kTopologyBuild, circuit_topology.error());
  auto reference_topology = topologyOf(reference);
  if (!reference_topology) return report.stageFailure(stage_prefixes::kTopologyBuild, reference_topology.error());

  // Pins are matched by name; any pin without a namesake stops the run.
  const auto mismatches =
      equiv::mismatches(builder::readHeader(*circuit_topology), builder::readHeader(*reference_topology));
  for (const equiv::Mismatch& mismatch : mismatches) {
    const Program& side = mismatch.of_reference ? reference : program;
    std::string_view path = mismatch.of_reference ? args.reference_path : args.input_path;
    std::string_view other = mismatch.of_reference ? args.input_path : args.reference_path;
    types::Span span = declarationOf(rootOf(side), mismatch);
    VORN_TRY_VOID(report.err().write(equiv::mismatchLine(mismatch, path, span.start_line, span.start_col, other)));
  }
  if (!mismatches.empty()) return std::uint8_t{1};

  auto verdict = equiv::check(*circuit_topology, *reference_topology);
  if (!verdict) return report.stageFailure(stage_prefixes::kEquivalenceCheck, verdict.error());
  if (verdict->refused != equiv::Refusal::none) {
    VORN_TRY_VOID(report.err().write(equiv::refusalLine(*verdict, args.input_path, args.reference_path)));
    return std::uint8_t{1};
  }
  bool json = args.truth_table_format == args::TruthTableFormat::json;
  auto written = out.write(json ? equiv::renderJson(*verdict) : equiv::renderText(*verdict));
  if (written) written = out.flush();
  if (!written) return report.stageFailure(stage_prefixes::kRender, written.error());
  return static_cast<std::uint8_t>(verdict->equivalent() ? 0 : 1);
}

}  // namespace vorn::driver
