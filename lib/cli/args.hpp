#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "core/error.hpp"
#include "preview/render/color.hpp"

namespace vorn::args {

enum class Mode : std::uint8_t {
  compile = 0,
  emit_zig = 1,
  inspect = 2,
  preview = 3,
  truth_table = 4,
  test = 5,
  emit_verilog = 6,
  analyze = 7,
  synthesize = 8,
  equiv = 9,
};

enum class TruthTableFormat : std::uint8_t { markdown = 0, csv = 1, json = 2 };

// How diagnostics and a failed stage reach standard error: text lines as they
// happen, or one JSON document at the end of the run.
enum class DiagnosticsFormat : std::uint8_t { text = 0, json = 1 };

// The parsed command line. Texts are views into the argument vector.
struct Args {
  std::string_view input_path;
  std::optional<std::string_view> output_path;
  Mode mode = Mode::compile;
  bool warnings_as_errors = false;
  bool expand_macros = false;
  color::ColorMode color = color::ColorMode::auto_;
  TruthTableFormat truth_table_format = TruthTableFormat::markdown;
  bool truth_table_strict = false;
  // The table of `--test TABLE`, exactly as written; empty in other modes.
  std::string_view test_table_path;
  DiagnosticsFormat diagnostics_format = DiagnosticsFormat::text;
  // The reference of `--equiv REFERENCE`, exactly as written; empty in other modes.
  std::string_view reference_path;
  // `--vcd PATH`: where --truth-table or --test also writes a value change dump.
  std::optional<std::string_view> vcd_path;
  // `--outputs NAME[,NAME…]` of --synthesize, whose table is test_table_path.
  std::optional<std::string_view> synthesize_outputs;
};

// Parses the arguments after the program name. Fails with HelpRequested,
// MissingInput, MissingOutput, UnknownFlag, ConflictingModes or
// InvalidFlagValue.
Result<Args> parse(std::span<const std::string_view> arguments);

// The one-line message of a usage error ("missing input path", ...).
std::string_view usageMessage(Error error);

// The text printed for -h / --help.
std::string_view helpText();

}  // namespace vorn::args
