#include "backends.hpp"

#include <cstdlib>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "core/file_io.hpp"
#include "core/stage_prefixes.hpp"
#include "emit/main.hpp"
#include "emit/project.hpp"
#include "log/log.hpp"
#include "preview/layout/orchestrator.hpp"
#include "preview/render/render.hpp"
#include "stage_report.hpp"
#include "topology/full_serializer.hpp"
#include "topology/section_writer.hpp"
#include "topology/serializer.hpp"
#include "truth_table/builder.hpp"
#include "truth_table/csv.hpp"
#include "truth_table/json.hpp"
#include "truth_table/markdown.hpp"
#include "verilog/verilog.hpp"

namespace vorn::driver {

namespace {

constexpr std::string_view kCompileTimestamp = "2026-05-01T22:00:00Z";
constexpr std::string_view kCompilerVersion = "vorn-compiler/dev";

// Writing the artifact over the source it was compiled from would destroy
// the user's work, so the same file (by device and inode) is refused.
bool isSameFile(const std::string& a, const std::string& b) {
  struct stat first {};
  struct stat second {};
  if (::stat(a.c_str(), &first) != 0 || ::stat(b.c_str(), &second) != 0) return false;
  return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

Result<void> writeOutput(const args::Args& args, std::string_view bytes) {
  std::string output_path(*args.output_path);
  if (isSameFile(output_path, std::string(args.input_path))) return fail(Error::OutputIsInput);
  return file_io::writeFileAny(output_path, bytes);
}

std::string_view lastPathComponent(std::string_view path) {
  std::size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
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
      auto written = err.writeAll({"truth-table: undefined output at row ", std::to_string(row), ", output '",
                                   table.header.outputs[column].name, "'\n"});
      if (!written) return fail(written.error());
    }
  }
  return any_undefined;
}

}  // namespace

Result<std::uint8_t> runCompile(const args::Args& args, const Program& program, OutputStream& err) {
  std::vector<std::uint8_t> compact;
  if (program.project) {
    auto topology = serializer::serializeProject(*program.project);
    if (!topology) return reportStageFailure(err, stage_prefixes::kTopologySerialization, topology.error());
    compact = std::move(topology->payload);
  } else {
    auto payload = serializer::serializeModule(*program.module);
    if (!payload) return reportStageFailure(err, stage_prefixes::kTopologySerialization, payload.error());
    compact = std::move(*payload);
  }
  auto full = program.project ? full_serializer::serializeProjectFull(*program.project)
                              : full_serializer::serializeModuleFull(*program.module);
  if (!full) return reportStageFailure(err, stage_prefixes::kFullTopologySerialization, full.error());

  auto artifact = section_writer::combineTwo(compact, *full);
  if (!artifact) return reportStageFailure(err, stage_prefixes::kWasmAssembly, artifact.error());
  std::string_view bytes(reinterpret_cast<const char*>(artifact->data()), artifact->size());
  if (auto written = writeOutput(args, bytes); !written) {
    return reportStageFailure(err, stage_prefixes::kWritingWasm, written.error());
  }
  return std::uint8_t{0};
}

Result<std::uint8_t> runEmitZig(const args::Args& args, const Program& program, OutputStream& err) {
  emit::EmitOptions options{lastPathComponent(args.input_path), kCompileTimestamp, kCompilerVersion};
  auto text = program.project ? project::emitProjectSource(*program.project, options)
                              : emit::emitModuleSource(*program.module, options);
  if (!text) return reportStageFailure(err, stage_prefixes::kEmission, text.error());
  if (auto written = writeOutput(args, *text); !written) {
    return reportStageFailure(err, stage_prefixes::kWritingZig, written.error());
  }
  return std::uint8_t{0};
}

// Always on a project: the built-in gates are files of their own there.
Result<std::uint8_t> runEmitVerilog(const args::Args& args, const Program& program, OutputStream& err) {
  if (program.project == nullptr) return fail(Error::InternalError);
  verilog::EmitOptions options{lastPathComponent(args.input_path), kCompilerVersion};
  auto text = verilog::emitProjectVerilog(*program.project, options);
  if (!text) return reportStageFailure(err, stage_prefixes::kEmission, text.error());
  if (auto written = writeOutput(args, *text); !written) {
    return reportStageFailure(err, stage_prefixes::kWritingVerilog, written.error());
  }
  return std::uint8_t{0};
}

Result<std::uint8_t> runPreview(const args::Args& args, const Program& program, OutputStream& out,
                                OutputStream& err) {
  auto topology = buildFullTopology(program);
  if (!topology) return reportStageFailure(err, stage_prefixes::kTopologyBuild, topology.error());
  auto grid = orchestrator::build(*topology, layout::LayoutOptions{args.expand_macros});
  if (!grid) return reportStageFailure(err, stage_prefixes::kLayoutBuild, grid.error());

  render::RenderOptions options;
  if (const char* no_color = std::getenv("NO_COLOR")) options.no_color_value = std::string_view(no_color);
  options.stdout_handle = 1;
  options.color = args.color;
  // Flushed here so that a closed pipe is reported as the render's failure.
  auto rendered = render::render(out, *grid, options);
  if (rendered) rendered = out.flush();
  if (!rendered) return reportStageFailure(err, stage_prefixes::kRender, rendered.error());
  return std::uint8_t{0};
}

Result<std::uint8_t> runTruthTable(const args::Args& args, const Program& program, OutputStream& out,
                                   OutputStream& err) {
  auto topology = buildFullTopology(program);
  if (!topology) return reportStageFailure(err, stage_prefixes::kTopologyBuild, topology.error());

  log::setSink(writeTraceLine, &err);
  auto table = builder::build(*topology);
  log::setSink(nullptr, nullptr);
  if (!table) return reportStageFailure(err, stage_prefixes::kTruthTableBuild, table.error());
  // The trace of the simulation comes before the table, as it happened.
  if (auto flushed = err.flush(); !flushed) return fail(flushed.error());

  Result<void> rendered;
  switch (args.truth_table_format) {
    case args::TruthTableFormat::markdown: rendered = markdown::render(out, *table); break;
    case args::TruthTableFormat::csv: rendered = csv::render(out, *table); break;
    case args::TruthTableFormat::json: rendered = json::render(out, *table); break;
  }
  if (rendered) rendered = out.flush();
  if (!rendered) return reportStageFailure(err, stage_prefixes::kRender, rendered.error());

  if (!args.truth_table_strict) return std::uint8_t{0};
  auto any_undefined = scanStrict(err, *table);
  if (!any_undefined) return reportStageFailure(err, stage_prefixes::kStrictScan, any_undefined.error());
  return static_cast<std::uint8_t>(*any_undefined ? 1 : 0);
}

}  // namespace vorn::driver
