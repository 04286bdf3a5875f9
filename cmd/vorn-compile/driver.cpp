#include "driver.hpp"

#include <optional>
#include <string>
#include <vector>

#include "backends.hpp"
#include "cli/args.hpp"
#include "cli/inspect_dump.hpp"
#include "core/file_io.hpp"
#include "core/stage_prefixes.hpp"
#include "core/text_arena.hpp"
#include "ir/resolver.hpp"
#include "resolver/file_loader.hpp"
#include "resolver/import_cycle.hpp"
#include "resolver/resolve_bodies.hpp"
#include "resolver/scan_imports.hpp"
#include "stage_report.hpp"
#include "syntax/translate.hpp"
#include "validator/diagnostics.hpp"
#include "validator/run.hpp"
#include "validator/run_project.hpp"

namespace vorn::driver {

namespace {

using diagnostics::Diagnostic;

Result<std::uint8_t> writeUsageError(OutputStream& err, std::string_view message) {
  if (auto written = err.writeAll({"usage error: ", message, "\n"}); !written) return fail(written.error());
  return std::uint8_t{2};
}

// The inspect dump: both texts first, then the sections in their fixed order.
Result<std::uint8_t> runInspect(const ast::File& file, const types::Module& module,
                                const std::vector<Diagnostic>& diagnostics, std::string_view input_path,
                                OutputStream& out, StageReport& report) {
  report.inspectDiagnostics(std::span<const std::string_view>(&input_path, 1), diagnostics);
  auto ast_dump = inspect_dump::dumpAstFile(file);
  if (!ast_dump) return fail(ast_dump.error());
  auto ir_dump = inspect_dump::dumpIrModule(module);
  if (!ir_dump) return fail(ir_dump.error());

  auto headed = out.writeAll({"=== Parse Tree ===\n", *ast_dump, "\n\n=== Resolved IR ===\n", *ir_dump,
                              "\n\n=== Diagnostics ===\n"});
  if (!headed) return fail(headed.error());
  auto counts = diagnostics::printDiagnosticSet(out, input_path, diagnostics);
  if (!counts) return fail(counts.error());
  std::string errors = std::to_string(counts->errors);
  std::string warnings = std::to_string(counts->warnings);
  auto summary = out.writeAll({diagnostics.empty() ? "\n" : "", "\n=== Summary ===\n", errors, " errors, ",
                               warnings, " warnings\n"});
  if (!summary) return fail(summary.error());
  return static_cast<std::uint8_t>(counts->errors > 0 ? 1 : 0);
}

// Prints a stage's diagnostics, each with the path of its own file; true when
// they hold an error and the run stops.
Result<bool> printAndJudge(StageReport& report, std::span<const std::string_view> display_paths,
                           const std::vector<Diagnostic>& list) {
  if (list.empty()) return false;
  auto counts = report.diagnostics(display_paths, list);
  if (!counts) return fail(counts.error());
  if (auto flushed = report.err().flush(); !flushed) return fail(flushed.error());
  return counts->errors > 0;
}

struct ProjectPipeline {
  std::optional<types::Project> project;
  std::optional<std::uint8_t> exit_status;  // set when the run ends here
  std::vector<Diagnostic> diagnostics;
  std::vector<std::string_view> display_paths;  // by file id
};

// `root_file` and `root` are the root as the driver read, parsed and resolved
// it; the stages take them over instead of doing that work again.
Result<ProjectPipeline> runProjectPipeline(TextArena& arena, std::string_view input_path, const ast::File& root_file,
                                           resolve_bodies::ResolvedRoot root, StageReport& report) {
  ProjectPipeline pipeline;
  auto stop = [&](Result<std::uint8_t> status) -> Result<ProjectPipeline> {
    if (!status) return fail(status.error());
    pipeline.exit_status = *status;
    return std::move(pipeline);
  };

  auto scan = scan_imports::scanProjectImports(arena, input_path, &root_file);
  if (!scan) return stop(report.stageFailure(stage_prefixes::kImportScan, scan.error()));
  pipeline.display_paths = scan->display_paths;
  auto scan_stops = printAndJudge(report, pipeline.display_paths, scan->diagnostics);
  if (!scan_stops) return fail(scan_stops.error());
  if (*scan_stops) return stop(std::uint8_t{1});

  auto cycles = import_cycle::analyzeImports(scan->file_paths, scan->import_table);
  if (!cycles) return stop(report.stageFailure(stage_prefixes::kImportCycles, cycles.error()));
  auto cycles_stop = printAndJudge(report, pipeline.display_paths, cycles->diagnostics);
  if (!cycles_stop) return fail(cycles_stop.error());
  if (*cycles_stop) return stop(std::uint8_t{1});

  std::optional<resolve_bodies::FileSyntaxError> unread;
  auto project =
      resolve_bodies::resolveBodies(arena, scan->file_paths, scan->import_table, cycles->topo_order, &unread, &root);
  if (!project) {
    std::optional<translate::SyntaxError> located;
    std::string_view path = input_path;
    if (unread) {
      located = std::move(unread->error);
      path = diagnostics::pathOfFile(pipeline.display_paths, unread->file_id);
    }
    return stop(report.syntaxFailure(stage_prefixes::kBodyResolution, project.error(), path, located));
  }

  auto checked = run_project::run(*project);
  if (!checked) return stop(report.stageFailure(stage_prefixes::kProjectValidation, checked.error()));
  pipeline.project = std::move(*project);
  pipeline.diagnostics = std::move(*checked);
  return pipeline;
}

Result<std::uint8_t> runPipeline(const args::Args& args, OutputStream& out, StageReport& report) {

  // The source text lives until the end of the run: the syntax tree and the
  // IR point into it.
  TextArena arena;
  std::string input_path(args.input_path);
  auto read = file_io::readFile(input_path);
  if (!read) {
    if (read.error() == Error::FileNotFound) return report.inputNotFound(input_path);
    return report.stageFailure(stage_prefixes::kReadingInput, read.error());
  }
  std::string_view source = arena.store(file_loader::withoutByteOrderMark(*read));
  read->clear();
  read->shrink_to_fit();

  std::optional<translate::SyntaxError> unread;
  auto file = translate::parseSource(arena, source, 0, &unread);
  if (!file) return report.syntaxFailure(stage_prefixes::kParse, file.error(), input_path, unread);
  auto module = resolver::resolve(*file, 0);
  if (!module) return report.stageFailure(stage_prefixes::kResolve, module.error());

  bool project_pipeline = args.mode != args::Mode::inspect &&
                          (!file->imports.empty() || args.mode == args::Mode::preview ||
                           args.mode == args::Mode::truth_table || args.mode == args::Mode::test ||
                           args.mode == args::Mode::emit_verilog);

  Program program;
  std::vector<Diagnostic> diagnostics;
  std::optional<types::Project> project;
  std::vector<std::string_view> display_paths{args.input_path};
  if (project_pipeline) {
    auto pipeline = runProjectPipeline(arena, args.input_path, *file, {source, std::move(*module)}, report);
    if (!pipeline) return fail(pipeline.error());
    if (pipeline->exit_status) return *pipeline->exit_status;
    project = std::move(pipeline->project);
    diagnostics = std::move(pipeline->diagnostics);
    display_paths = std::move(pipeline->display_paths);
    program.project = &*project;
  } else {
    auto checked = run::run(*module);
    if (!checked) return report.stageFailure(stage_prefixes::kValidation, checked.error());
    diagnostics = std::move(*checked);
    program.module = &*module;
  }

  if (args.mode == args::Mode::inspect) {
    return runInspect(*file, *module, diagnostics, args.input_path, out, report);
  }

  // Standard error is buffered; diagnostics reach a terminal before any product.
  auto counts = report.diagnostics(display_paths, diagnostics);
  if (!counts) return fail(counts.error());
  if (auto flushed = report.err().flush(); !flushed) return fail(flushed.error());
  if (counts->errors > 0 || (args.warnings_as_errors && counts->warnings > 0)) return std::uint8_t{1};

  switch (args.mode) {
    case args::Mode::compile: return runCompile(args, program, report);
    case args::Mode::emit_zig: return runEmitZig(args, program, report);
    case args::Mode::preview: return runPreview(args, program, out, report);
    case args::Mode::truth_table: return runTruthTable(args, program, out, report);
    case args::Mode::test: return runTest(args, program, out, report);
    case args::Mode::emit_verilog: return runEmitVerilog(args, program, report);
    case args::Mode::inspect: break;
  }
  return std::uint8_t{0};
}

}  // namespace

Result<std::uint8_t> run(std::span<const std::string_view> arguments, OutputStream& out, OutputStream& err) {
  // Usage errors stay text lines: the format itself may be what is wrong.
  auto parsed = args::parse(arguments);
  if (!parsed) {
    if (parsed.error() == Error::HelpRequested) {
      if (auto written = out.write(args::helpText()); !written) return fail(written.error());
      return std::uint8_t{0};
    }
    return writeUsageError(err, args::usageMessage(parsed.error()));
  }
  const args::Args& args = *parsed;
  if (args.mode == args::Mode::inspect && args.output_path) {
    return writeUsageError(err, "-o is not valid in --inspect mode");
  }
  StageReport report(err, args.diagnostics_format);
  return report.finish(runPipeline(args, out, report), out);
}

}  // namespace vorn::driver
