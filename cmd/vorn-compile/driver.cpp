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
#include "resolver/project_pipeline.hpp"
#include "resolver/resolve_bodies.hpp"
#include "stage_report.hpp"
#include "syntax/translate.hpp"
#include "validator/diagnostics.hpp"
#include "validator/run.hpp"
#include "validator/run_project.hpp"

namespace vorn::driver {

namespace {

using diagnostics::Diagnostic;

Result<std::uint8_t> writeUsageError(OutputStream& err, std::string_view message) {
  VORN_TRY_VOID(err.writeAll({"usage error: ", message, "\n"}));
  return std::uint8_t{2};
}

// The inspect dump: both texts first, then the sections in their fixed order.
Result<std::uint8_t> runInspect(const ast::File& file, const types::Module& module,
                                const std::vector<Diagnostic>& diagnostics, std::string_view input_path,
                                OutputStream& out, StageReport& report) {
  report.inspectDiagnostics(std::span<const std::string_view>(&input_path, 1), diagnostics);
  VORN_TRY(const std::string ast_dump, inspect_dump::dumpAstFile(file));
  VORN_TRY(const std::string ir_dump, inspect_dump::dumpIrModule(module));

  VORN_TRY_VOID(out.writeAll(
      {"=== Parse Tree ===\n", ast_dump, "\n\n=== Resolved IR ===\n", ir_dump, "\n\n=== Diagnostics ===\n"}));
  VORN_TRY(const diagnostics::Counts counts, diagnostics::printDiagnosticSet(out, input_path, diagnostics));
  std::string errors = std::to_string(counts.errors);
  std::string warnings = std::to_string(counts.warnings);
  VORN_TRY_VOID(out.writeAll(
      {diagnostics.empty() ? "\n" : "", "\n=== Summary ===\n", errors, " errors, ", warnings, " warnings\n"}));
  return static_cast<std::uint8_t>(counts.errors > 0 ? 1 : 0);
}

// The project pipeline's stage diagnostics go out as soon as their stage
// ends; a failed stage is reported with the unread text it names.
struct ProjectOutcome {
  std::optional<types::Project> project;
  std::optional<std::uint8_t> exit_status;  // set when the run ends here
  std::vector<Diagnostic> diagnostics;
  std::vector<std::string_view> display_paths;  // by file id
};

Result<ProjectOutcome> runProject(TextArena& arena, std::string_view input_path, const ast::File& root_file,
                                  resolve_bodies::ResolvedRoot root, StageReport& report) {
  project_pipeline::Options options;
  options.root_tree = &root_file;
  options.root = &root;
  options.on_stage_diagnostics = [&](std::span<const std::string_view> display_paths,
                                     const std::vector<Diagnostic>& list) -> Result<void> {
    VORN_TRY_VOID(report.diagnostics(display_paths, list));
    return report.err().flush();
  };
  VORN_TRY(project_pipeline::ProjectRun run, project_pipeline::runProjectPipeline(arena, input_path, options));
  ProjectOutcome outcome;
  if (run.failure) {
    const project_pipeline::StageFailure& failure = *run.failure;
    std::optional<translate::SyntaxError> located;
    std::string_view path = input_path;
    if (failure.unread) {
      located = failure.unread->error;
      path = diagnostics::pathOfFile(run.display_paths, failure.unread->file_id);
    }
    VORN_TRY(outcome.exit_status, report.syntaxFailure(failure.prefix, failure.error, path, located));
    return outcome;
  }
  // Without a project, the scan's or the cycles' errors stopped the run.
  if (!run.project) {
    outcome.exit_status = 1;
    return outcome;
  }
  outcome.project = std::move(run.project);
  outcome.diagnostics = std::move(run.diagnostics);
  outcome.display_paths = std::move(run.display_paths);
  return outcome;
}

// One source file through the front end and its checks: the root's syntax
// tree and module, and the project when the project pipeline ran.
struct FrontEnd {
  std::optional<ast::File> file;
  std::optional<types::Module> module;
  std::optional<types::Project> project;
  std::vector<Diagnostic> diagnostics;
  std::vector<std::string_view> display_paths;
  std::optional<std::uint8_t> exit_status;  // set when the run ends here

  Program program() const { return project ? Program{&*project, nullptr} : Program{nullptr, &*module}; }
};

Result<FrontEnd> runFrontEnd(TextArena& arena, std::string_view path, const args::Args& args, StageReport& report) {
  FrontEnd front;
  std::string input_path(path);
  auto read = file_io::readFile(input_path);
  if (!read) {
    auto reported = read.error() == Error::FileNotFound
                        ? report.fileNotFound(stage_prefixes::kInputNotFound, input_path)
                        : report.stageFailure(stage_prefixes::kReadingInput, read.error());
    VORN_TRY(front.exit_status, std::move(reported));
    return front;
  }
  std::string_view source = arena.store(file_loader::withoutByteOrderMark(*read));
  read->clear();
  read->shrink_to_fit();

  std::optional<translate::SyntaxError> unread;
  auto file = translate::parseSource(arena, source, 0, &unread);
  if (!file) {
    VORN_TRY(front.exit_status, report.syntaxFailure(stage_prefixes::kParse, file.error(), input_path, unread));
    return front;
  }
  auto module = resolver::resolve(*file, 0);
  if (!module) {
    VORN_TRY(front.exit_status, report.stageFailure(stage_prefixes::kResolve, module.error()));
    return front;
  }

  // A root without imports still reaches the built-in gates through the
  // project's implicit imports; the single-module pipeline cannot bind them.
  bool project_pipeline =
      args.mode != args::Mode::inspect &&
      (!file->imports.empty() || args.mode == args::Mode::preview || args.mode == args::Mode::truth_table ||
       args.mode == args::Mode::test || args.mode == args::Mode::emit_verilog || args.mode == args::Mode::analyze ||
       args.mode == args::Mode::equiv || resolve_bodies::usesUnboundBuiltinGate(*module));
  // The dump follows no imports, yet names the built-in gates as a project would.
  if (args.mode == args::Mode::inspect) resolve_bodies::bindBuiltinGates(*module);

  front.display_paths = {path};
  if (project_pipeline) {
    VORN_TRY(ProjectOutcome outcome,
             runProject(arena, path, *file, {.source = source, .module = std::move(*module)}, report));
    if (outcome.exit_status) {
      front.exit_status = outcome.exit_status;
      return front;
    }
    front.project = std::move(outcome.project);
    front.diagnostics = std::move(outcome.diagnostics);
    front.display_paths = std::move(outcome.display_paths);
  } else {
    // From here on only the inspection reads the syntax tree; freeing it now
    // lets the checks and the output reuse its memory.
    if (args.mode != args::Mode::inspect) *file = ast::File{};
    auto checked = run::run(*module);
    if (!checked) {
      VORN_TRY(front.exit_status, report.stageFailure(stage_prefixes::kValidation, checked.error()));
      return front;
    }
    front.diagnostics = std::move(*checked);
    front.module = std::move(*module);
  }
  front.file = std::move(*file);
  return front;
}

// The diagnostics of a checked file; whether they stop the run.
Result<bool> reportDiagnostics(const args::Args& args, const FrontEnd& front, StageReport& report) {
  // Standard error is buffered; diagnostics reach a terminal before any product.
  VORN_TRY(const diagnostics::Counts counts, report.diagnostics(front.display_paths, front.diagnostics));
  VORN_TRY_VOID(report.err().flush());
  return counts.errors > 0 || (args.warnings_as_errors && counts.warnings > 0);
}

// The reference goes through the same pipeline as the circuit, its
// diagnostics naming its own files.
Result<std::uint8_t> runEquivMode(const args::Args& args, TextArena& arena, const Program& program, OutputStream& out,
                                  StageReport& report) {
  VORN_TRY(FrontEnd reference, runFrontEnd(arena, args.reference_path, args, report));
  if (reference.exit_status) return *reference.exit_status;
  VORN_TRY(bool stop, reportDiagnostics(args, reference, report));
  if (stop) return std::uint8_t{1};
  return runEquiv(args, program, reference.program(), out, report);
}

Result<std::uint8_t> runPipeline(const args::Args& args, OutputStream& out, StageReport& report) {
  // The source text lives until the end of the run: the syntax tree and the
  // IR point into it.
  TextArena arena;
  VORN_TRY(FrontEnd front, runFrontEnd(arena, args.input_path, args, report));
  if (front.exit_status) return *front.exit_status;

  if (args.mode == args::Mode::inspect) {
    return runInspect(*front.file, *front.module, front.diagnostics, args.input_path, out, report);
  }

  VORN_TRY(bool stop, reportDiagnostics(args, front, report));
  if (stop) return std::uint8_t{1};

  Program program = front.program();
  switch (args.mode) {
    case args::Mode::compile: return runCompile(args, program, report);
    case args::Mode::emit_zig: return runEmitZig(args, program, report);
    case args::Mode::preview: return runPreview(args, program, out, report);
    case args::Mode::truth_table: return runTruthTable(args, program, out, report);
    case args::Mode::test: return runTest(args, program, out, report);
    case args::Mode::emit_verilog: return runEmitVerilog(args, program, report);
    case args::Mode::analyze: return runAnalyze(args, program, out, report);
    case args::Mode::equiv: return runEquivMode(args, arena, program, out, report);
    case args::Mode::inspect:
    case args::Mode::synthesize: break;
  }
  return std::uint8_t{0};
}

}  // namespace

Result<std::uint8_t> run(std::span<const std::string_view> arguments, OutputStream& out, OutputStream& err) {
  // Usage errors stay text lines: the format itself may be what is wrong.
  auto parsed = args::parse(arguments);
  if (!parsed) {
    if (parsed.error() == Error::HelpRequested) {
      VORN_TRY_VOID(out.write(args::helpText()));
      return std::uint8_t{0};
    }
    return writeUsageError(err, args::usageMessage(parsed.error()));
  }
  const args::Args& args = *parsed;
  if (args.mode == args::Mode::inspect && args.output_path) {
    return writeUsageError(err, "-o is not valid in --inspect mode");
  }
  StageReport report(err, args.diagnostics_format);
  if (args.mode == args::Mode::synthesize) return report.finish(runSynthesize(args, report), out);
  return report.finish(runPipeline(args, out, report), out);
}

}  // namespace vorn::driver
