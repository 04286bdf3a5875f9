#include "backends.hpp"

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "analysis/analyze.hpp"
#include "analysis/render.hpp"
#include "analysis/synthesize.hpp"
#include "core/check.hpp"
#include "core/file_io.hpp"
#include "core/stage_prefixes.hpp"
#include "emit/main.hpp"
#include "emit/project.hpp"
#include "log/log.hpp"
#include "preview/layout/orchestrator.hpp"
#include "preview/render/render.hpp"
#include "resolver/builtins.hpp"
#include "stage_report.hpp"
#include "topology/full_serializer.hpp"
#include "topology/section_writer.hpp"
#include "topology/serializer.hpp"
#include "test_table/report.hpp"
#include "test_table/run.hpp"
#include "test_table/table.hpp"
#include "truth_table/builder.hpp"
#include "truth_table/row_driver.hpp"
#include "truth_table/csv.hpp"
#include "truth_table/json.hpp"
#include "truth_table/markdown.hpp"
#include "truth_table/vcd.hpp"
#include "verilog/verilog.hpp"

namespace vorn::driver {

namespace {

constexpr std::string_view kCompileTimestamp = "2026-05-01T22:00:00Z";
constexpr std::string_view kCompilerVersion = "vorn-compiler/dev";

// Writing the artifact over a source the run read would destroy the user's
// work, so any file the run read (by device and inode, whatever its name) is
// refused: the root, and in a project every imported file.
bool isReadFile(const args::Args& args, const Program& program, const file_io::FileIdentity& output) {
  if (file_io::fileIdentity(std::string(args.input_path)) == output) return true;
  if (!args.test_table_path.empty() && file_io::fileIdentity(std::string(args.test_table_path)) == output) return true;
  if (program.project == nullptr) return false;
  for (std::string_view path : program.project->file_paths) {
    if (builtins::hasVirtualPrefix(path)) continue;
    if (file_io::fileIdentity(std::string(path)) == output) return true;
  }
  return false;
}

Result<void> writeOutputTo(const args::Args& args, const Program& program, std::string_view path,
                           std::string_view bytes) {
  std::string output_path(path);
  if (auto output = file_io::fileIdentity(output_path); output && isReadFile(args, program, *output)) {
    return fail(Error::OutputIsInput);
  }
  return file_io::writeFileAny(output_path, bytes);
}

Result<void> writeOutput(const args::Args& args, const Program& program, std::string_view bytes) {
  return writeOutputTo(args, program, *args.output_path, bytes);
}

std::string_view lastPathComponent(std::string_view path) {
  std::size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// The root file's name without its extension: the top scope of a dump.
std::string_view rootStem(std::string_view input_path) {
  std::string_view name = lastPathComponent(input_path);
  std::size_t dot = name.rfind('.');
  return dot == std::string_view::npos || dot == 0 ? name : name.substr(0, dot);
}

// Writes the finished dump of --vcd; nullopt when it was written (or not asked for).
std::optional<Result<std::uint8_t>> writeVcd(const args::Args& args, const Program& program,
                                             std::optional<vcd::Recorder>& recorder, StageReport& report) {
  if (!recorder) return std::nullopt;
  if (auto written = writeOutputTo(args, program, *args.vcd_path, recorder->finish()); !written) {
    return report.stageFailure(stage_prefixes::kWritingVcd, written.error());
  }
  return std::nullopt;
}

Result<full_format::FullTopology> buildFullTopology(const Program& program) {
  return program.project ? full_serializer::buildFromProject(*program.project)
                         : full_serializer::buildFromModule(*program.module);
}

// Engine trace lines arrive whole and go to the buffered standard error.
void writeTraceLine(void* context, const char* text, std::size_t length) {
  (void)static_cast<OutputStream*>(context)->write(std::string_view(text, length));
}

Result<bool> scanStrict(OutputStream& err, const builder::Table& table) {
  bool any_undefined = false;
  for (std::size_t row = 0; row < table.rows.size(); ++row) {
    const builder::Row& cells = table.rows[row];
    for (std::size_t column = 0; column < cells.outputs.size(); ++column) {
      if (cells.outputs[column] != builder::State::undef) continue;
      any_undefined = true;
      VORN_TRY_VOID(err.writeAll({"truth-table: undefined output at row ", std::to_string(row), ", output '",
                                  table.header.outputs[column].name, "'\n"}));
    }
  }
  return any_undefined;
}

// The text of the --test or --synthesize table; nullopt when it cannot be
// read, with `ended` set to the status that ends the run.
std::optional<std::string> readTable(const std::string& table_path, StageReport& report, Result<std::uint8_t>& ended) {
  auto text = file_io::readFile(table_path);
  if (text) return std::move(*text);
  ended = text.error() == Error::FileNotFound ? report.fileNotFound(stage_prefixes::kTestTableNotFound, table_path)
                                              : report.stageFailure(stage_prefixes::kReadingTestTable, text.error());
  return std::nullopt;
}

}  // namespace

Result<std::uint8_t> runCompile(const args::Args& args, const Program& program, StageReport& report) {
  std::vector<std::uint8_t> compact;
  if (program.project) {
    auto topology = serializer::serializeProject(*program.project);
    if (!topology) return report.stageFailure(stage_prefixes::kTopologySerialization, topology.error());
    compact = std::move(topology->payload);
  } else {
    auto payload = serializer::serializeModule(*program.module);
    if (!payload) return report.stageFailure(stage_prefixes::kTopologySerialization, payload.error());
    compact = std::move(*payload);
  }
  auto full = program.project ? full_serializer::serializeProjectFull(*program.project)
                              : full_serializer::serializeModuleFull(*program.module);
  if (!full) return report.stageFailure(stage_prefixes::kFullTopologySerialization, full.error());

  auto artifact = section_writer::combineTwo(compact, *full);
  if (!artifact) return report.stageFailure(stage_prefixes::kWasmAssembly, artifact.error());
  std::string_view bytes(reinterpret_cast<const char*>(artifact->data()), artifact->size());
  if (auto written = writeOutput(args, program, bytes); !written) {
    return report.stageFailure(stage_prefixes::kWritingWasm, written.error());
  }
  return std::uint8_t{0};
}

Result<std::uint8_t> runEmitZig(const args::Args& args, const Program& program, StageReport& report) {
  emit::EmitOptions options{.source_name = lastPathComponent(args.input_path),
                            .compile_timestamp = kCompileTimestamp,
                            .compiler_version = kCompilerVersion};
  auto text = program.project ? project::emitProjectSource(*program.project, options)
                              : emit::emitModuleSource(*program.module, options);
  if (!text) return report.stageFailure(stage_prefixes::kEmission, text.error());
  if (auto written = writeOutput(args, program, *text); !written) {
    return report.stageFailure(stage_prefixes::kWritingZig, written.error());
  }
  return std::uint8_t{0};
}

// Always on a project: the built-in gates are files of their own there.
Result<std::uint8_t> runEmitVerilog(const args::Args& args, const Program& program, StageReport& report) {
  VORN_CHECK(program.project != nullptr);
  verilog::EmitOptions options{.source_name = lastPathComponent(args.input_path), .compiler_version = kCompilerVersion};
  auto text = verilog::emitProjectVerilog(*program.project, options);
  if (!text) return report.stageFailure(stage_prefixes::kEmission, text.error());
  if (auto written = writeOutput(args, program, *text); !written) {
    return report.stageFailure(stage_prefixes::kWritingVerilog, written.error());
  }
  return std::uint8_t{0};
}

Result<std::uint8_t> runPreview(const args::Args& args, const Program& program, OutputStream& out,
                                StageReport& report) {
  auto topology = buildFullTopology(program);
  if (!topology) return report.stageFailure(stage_prefixes::kTopologyBuild, topology.error());
  layout::LayoutOptions layout_options{args.expand_macros};
  if (program.project) layout_options.pin_slot_files = orchestrator::subCircuitFiles(*program.project);
  auto grid = orchestrator::build(*topology, std::move(layout_options));
  if (!grid) return report.stageFailure(stage_prefixes::kLayoutBuild, grid.error());

  render::RenderOptions options;
  if (const char* no_color = std::getenv("NO_COLOR")) options.no_color_value = std::string_view(no_color);
  options.stdout_handle = 1;
  options.color = args.color;
  // Flushed here so that a closed pipe is reported as the render's failure.
  auto rendered = render::render(out, *grid, options);
  if (rendered) rendered = out.flush();
  if (!rendered) return report.stageFailure(stage_prefixes::kRender, rendered.error());
  return std::uint8_t{0};
}

Result<std::uint8_t> runTruthTable(const args::Args& args, const Program& program, OutputStream& out,
                                   StageReport& report) {
  auto topology = buildFullTopology(program);
  if (!topology) return report.stageFailure(stage_prefixes::kTopologyBuild, topology.error());

  std::optional<vcd::Recorder> recorder;
  if (args.vcd_path) recorder.emplace(*topology, rootStem(args.input_path));
  log::setSink(writeTraceLine, &report.err());
  auto table = builder::build(*topology, recorder ? &*recorder : nullptr);
  log::setSink(nullptr, nullptr);
  if (!table) return report.stageFailure(stage_prefixes::kTruthTableBuild, table.error());
  // The trace of the simulation comes before the table, as it happened.
  VORN_TRY_VOID(report.err().flush());
  if (auto failed = writeVcd(args, program, recorder, report)) return *failed;

  Result<void> rendered;
  switch (args.truth_table_format) {
    case args::TruthTableFormat::markdown: rendered = markdown::render(out, *table); break;
    case args::TruthTableFormat::csv: rendered = csv::render(out, *table); break;
    case args::TruthTableFormat::json: rendered = json::render(out, *table); break;
  }
  if (rendered) rendered = out.flush();
  if (!rendered) return report.stageFailure(stage_prefixes::kRender, rendered.error());

  if (!args.truth_table_strict) return std::uint8_t{0};
  auto any_undefined = scanStrict(report.err(), *table);
  if (!any_undefined) return report.stageFailure(stage_prefixes::kStrictScan, any_undefined.error());
  return static_cast<std::uint8_t>(*any_undefined ? 1 : 0);
}

Result<std::uint8_t> runTest(const args::Args& args, const Program& program, OutputStream& out, StageReport& report) {
  auto topology = buildFullTopology(program);
  if (!topology) return report.stageFailure(stage_prefixes::kTopologyBuild, topology.error());

  OutputStream& err = report.err();
  std::string table_path(args.test_table_path);
  Result<std::uint8_t> ended = std::uint8_t{1};
  std::optional<std::string> text = readTable(table_path, report, ended);
  if (!text) return ended;
  const builder::Header pins = builder::readHeader(*topology);
  auto table = test_table::parseTestTable(*text, pins);
  if (!table) return report.tableFailure(table_path, table.error());

  std::optional<vcd::Recorder> recorder;
  if (args.vcd_path) recorder.emplace(*topology, rootStem(args.input_path));
  log::setSink(writeTraceLine, &err);
  auto run = test_table::runTestTable(*topology, pins, *table, recorder ? &*recorder : nullptr);
  log::setSink(nullptr, nullptr);
  if (!run) return report.stageFailure(stage_prefixes::kTestRun, run.error());
  // The trace of the simulation comes before the report, as it happened.
  VORN_TRY_VOID(err.flush());
  if (auto failed = writeVcd(args, program, recorder, report)) return *failed;

  test_report::Report test_report{.table_path = args.test_table_path, .pins = pins, .table = *table, .run = *run};
  Result<void> rendered;
  switch (args.truth_table_format) {
    case args::TruthTableFormat::markdown: rendered = test_report::renderMarkdown(out, test_report); break;
    case args::TruthTableFormat::csv: rendered = test_report::renderCsv(out, test_report); break;
    case args::TruthTableFormat::json: rendered = test_report::renderJson(out, test_report); break;
  }
  if (rendered) rendered = out.flush();
  if (!rendered) return report.stageFailure(stage_prefixes::kRender, rendered.error());
  return static_cast<std::uint8_t>(run->passed == table->rowCount() ? 0 : 1);
}

Result<std::uint8_t> runAnalyze(const args::Args& args, const Program& program, OutputStream& out,
                                StageReport& report) {
  auto topology = buildFullTopology(program);
  if (!topology) return report.stageFailure(stage_prefixes::kTopologyBuild, topology.error());
  auto analysis = analysis::analyze(
      *topology, {.project = program.project, .module = program.module, .root_path = args.input_path});
  if (!analysis) return report.stageFailure(stage_prefixes::kAnalysis, analysis.error());
  // Minimal forms of an output that can be undefined would hide that.
  std::vector<std::string> undefined = analysis::undefinedRowMessages(*analysis);
  for (const std::string& line : undefined) VORN_TRY_VOID(report.err().writeAll({line, "\n"}));
  if (!undefined.empty()) return std::uint8_t{1};
  bool json = args.truth_table_format == args::TruthTableFormat::json;
  auto rendered = out.write(json ? analysis::renderJson(*analysis) : analysis::renderMarkdown(*analysis));
  if (rendered) rendered = out.flush();
  if (!rendered) return report.stageFailure(stage_prefixes::kRender, rendered.error());
  return std::uint8_t{0};
}

Result<std::uint8_t> runSynthesize(const args::Args& args, StageReport& report) {
  std::string table_path(args.test_table_path);
  Result<std::uint8_t> ended = std::uint8_t{1};
  std::optional<std::string> text = readTable(table_path, report, ended);
  if (!text) return ended;
  auto circuit = analysis::synthesize(
      {.table_text = *text, .table_name = lastPathComponent(table_path), .outputs = args.synthesize_outputs});
  if (!circuit) return report.tableFailure(table_path, circuit.error());
  if (auto written = writeOutput(args, Program{}, *circuit); !written) {
    return report.stageFailure(stage_prefixes::kWritingSynthesis, written.error());
  }
  return std::uint8_t{0};
}

}  // namespace vorn::driver
