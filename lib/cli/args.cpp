#include "cli/args.hpp"

namespace vorn::args {

namespace {

bool startsWith(std::string_view text, std::string_view prefix) { return text.substr(0, prefix.size()) == prefix; }

std::optional<Mode> modeFlag(std::string_view argument) {
  if (argument == "--emit-zig") return Mode::emit_zig;
  if (argument == "--emit-verilog") return Mode::emit_verilog;
  if (argument == "--inspect") return Mode::inspect;
  if (argument == "--preview") return Mode::preview;
  if (argument == "--truth-table") return Mode::truth_table;
  if (argument == "--analyze") return Mode::analyze;
  return std::nullopt;
}

std::optional<color::ColorMode> colorValue(std::string_view value) {
  if (value == "auto") return color::ColorMode::auto_;
  if (value == "always") return color::ColorMode::always;
  if (value == "never") return color::ColorMode::never;
  return std::nullopt;
}

std::optional<TruthTableFormat> formatValue(std::string_view value) {
  if (value == "markdown") return TruthTableFormat::markdown;
  if (value == "csv") return TruthTableFormat::csv;
  if (value == "json") return TruthTableFormat::json;
  return std::nullopt;
}

std::optional<DiagnosticsFormat> diagnosticsFormatValue(std::string_view value) {
  if (value == "text") return DiagnosticsFormat::text;
  if (value == "json") return DiagnosticsFormat::json;
  return std::nullopt;
}

// Cross-checks that need the whole command line, in their fixed order.
Result<void> crossCheck(const Args& args, bool has_input) {
  // --synthesize reads a table, not a circuit.
  if (args.mode == Mode::synthesize) {
    if (has_input || args.truth_table_format != TruthTableFormat::markdown || args.vcd_path) {
      return fail(Error::InvalidFlagValue);
    }
    if (!args.output_path) return fail(Error::MissingOutput);
  } else if (args.synthesize_outputs) {
    return fail(Error::InvalidFlagValue);
  }
  if (args.mode == Mode::analyze && args.truth_table_format == TruthTableFormat::csv) {
    return fail(Error::InvalidFlagValue);
  }
  if (!has_input && args.mode != Mode::synthesize) return fail(Error::MissingInput);
  bool needs_output = args.mode == Mode::compile || args.mode == Mode::emit_zig || args.mode == Mode::emit_verilog;
  if (needs_output && !args.output_path) return fail(Error::MissingOutput);
  if (args.expand_macros && args.mode != Mode::preview) return fail(Error::InvalidFlagValue);
  bool output_forbidden = args.mode == Mode::preview || args.mode == Mode::truth_table || args.mode == Mode::test ||
                          args.mode == Mode::analyze || args.mode == Mode::equiv;
  if (output_forbidden && args.output_path) return fail(Error::InvalidFlagValue);
  // --format also chooses the form of a test report; --strict has no meaning there.
  bool takes_format = args.mode == Mode::truth_table || args.mode == Mode::test || args.mode == Mode::analyze;
  // An equivalence verdict is text or JSON.
  bool format_allowed = takes_format || (args.mode == Mode::equiv && args.truth_table_format == TruthTableFormat::json);
  if (!format_allowed && args.truth_table_format != TruthTableFormat::markdown) return fail(Error::InvalidFlagValue);
  if (args.mode != Mode::truth_table && args.truth_table_strict) return fail(Error::InvalidFlagValue);
  bool takes_vcd = args.mode == Mode::truth_table || args.mode == Mode::test;
  if (!takes_vcd && args.vcd_path) return fail(Error::InvalidFlagValue);
  return {};
}

}  // namespace

Result<Args> parse(std::span<const std::string_view> arguments) {
  // Help wins over everything else, wherever it stands.
  for (std::string_view argument : arguments) {
    if (argument == "-h" || argument == "--help") return fail(Error::HelpRequested);
  }

  Args args;
  bool has_input = false;
  std::optional<Mode> mode_seen;
  for (std::size_t index = 0; index < arguments.size(); ++index) {
    std::string_view argument = arguments[index];
    if (argument == "--warnings-as-errors" || argument == "-Werror") {
      args.warnings_as_errors = true;
    } else if (argument == "--strict") {
      args.truth_table_strict = true;
    } else if (argument == "--expand-macros") {
      args.expand_macros = true;
    } else if (auto mode = modeFlag(argument)) {
      if (mode_seen && *mode_seen != *mode) return fail(Error::ConflictingModes);
      mode_seen = mode;
      args.mode = *mode;
    } else if (argument == "--test") {
      // A mode that takes its table as the next argument, verbatim like -o.
      if (mode_seen && *mode_seen != Mode::test) return fail(Error::ConflictingModes);
      if (index + 1 >= arguments.size()) return fail(Error::InvalidFlagValue);
      mode_seen = Mode::test;
      args.mode = Mode::test;
      args.test_table_path = arguments[++index];
    } else if (argument == "--equiv") {
      // Like --test: the reference file is the next argument, verbatim.
      if (mode_seen && *mode_seen != Mode::equiv) return fail(Error::ConflictingModes);
      if (index + 1 >= arguments.size()) return fail(Error::InvalidFlagValue);
      mode_seen = Mode::equiv;
      args.mode = Mode::equiv;
      args.reference_path = arguments[++index];
    } else if (argument == "--synthesize") {
      // Like --test: the table is the next argument, verbatim.
      if (mode_seen && *mode_seen != Mode::synthesize) return fail(Error::ConflictingModes);
      if (index + 1 >= arguments.size()) return fail(Error::InvalidFlagValue);
      mode_seen = Mode::synthesize;
      args.mode = Mode::synthesize;
      args.test_table_path = arguments[++index];
    } else if (argument == "--outputs") {
      if (index + 1 >= arguments.size()) return fail(Error::InvalidFlagValue);
      args.synthesize_outputs = arguments[++index];
    } else if (argument == "-o") {
      if (index + 1 >= arguments.size()) return fail(Error::InvalidFlagValue);
      args.output_path = arguments[++index];
    } else if (argument == "--vcd") {
      // Taken verbatim like -o; a later one replaces an earlier one.
      if (index + 1 >= arguments.size()) return fail(Error::InvalidFlagValue);
      args.vcd_path = arguments[++index];
    } else if (startsWith(argument, "--color=")) {
      auto value = colorValue(argument.substr(8));
      if (!value) return fail(Error::InvalidFlagValue);
      args.color = *value;
    } else if (startsWith(argument, "--format=")) {
      auto value = formatValue(argument.substr(9));
      if (!value) return fail(Error::InvalidFlagValue);
      args.truth_table_format = *value;
    } else if (startsWith(argument, "--diagnostics-format=")) {
      auto value = diagnosticsFormatValue(argument.substr(21));
      if (!value) return fail(Error::InvalidFlagValue);
      args.diagnostics_format = *value;
    } else if (startsWith(argument, "-")) {
      return fail(Error::UnknownFlag);
    } else {
      if (has_input) return fail(Error::InvalidFlagValue);
      args.input_path = argument;
      has_input = true;
    }
  }
  VORN_TRY_VOID(crossCheck(args, has_input));
  return args;
}

std::string_view usageMessage(Error error) {
  switch (error) {
    case Error::MissingInput: return "missing input path";
    case Error::MissingOutput: return "missing -o <output> for this mode";
    case Error::UnknownFlag: return "unknown flag";
    case Error::ConflictingModes: return "cannot combine --emit-zig and --inspect";
    default: return "invalid flag value";
  }
}

}  // namespace vorn::args
