#include "cli/args.hpp"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace vorn::args {
namespace {

Result<Args> parseList(std::initializer_list<std::string_view> list) {
  std::vector<std::string_view> arguments(list);
  return parse(arguments);
}

Error errorOf(std::initializer_list<std::string_view> list) {
  auto result = parseList(list);
  EXPECT_FALSE(result.has_value());
  return result ? Error::Unexpected : result.error();
}

TEST(ArgsTest, HelpWinsWherever) {
  EXPECT_EQ(errorOf({"--bogus", "-h"}), Error::HelpRequested);
  EXPECT_EQ(errorOf({"x.vorn", "-o", "--help"}), Error::HelpRequested);
  EXPECT_EQ(errorOf({"--preview", "--inspect", "--help"}), Error::HelpRequested);
}

TEST(ArgsTest, DefaultsAndModes) {
  auto args = parseList({"in.vorn", "-o", "out.wasm"});
  ASSERT_TRUE(args);
  EXPECT_EQ(args->input_path, "in.vorn");
  EXPECT_EQ(args->output_path, std::optional<std::string_view>("out.wasm"));
  EXPECT_EQ(args->mode, Mode::compile);
  EXPECT_EQ(args->color, color::ColorMode::auto_);
  EXPECT_EQ(args->truth_table_format, TruthTableFormat::markdown);

  auto table = parseList({"--truth-table", "x.vorn", "--format=json", "--strict", "--format=csv", "-Werror"});
  ASSERT_TRUE(table);
  EXPECT_EQ(table->mode, Mode::truth_table);
  EXPECT_EQ(table->truth_table_format, TruthTableFormat::csv);
  EXPECT_TRUE(table->truth_table_strict);
  EXPECT_TRUE(table->warnings_as_errors);

  auto preview = parseList(
      {"x.vorn", "--preview", "--preview", "--expand-macros", "--color=never", "--color=always", "--format=markdown"});
  ASSERT_TRUE(preview);
  EXPECT_EQ(preview->mode, Mode::preview);
  EXPECT_TRUE(preview->expand_macros);
  EXPECT_EQ(preview->color, color::ColorMode::always);
}

TEST(ArgsTest, OutputTakesNextArgumentVerbatimAndLastWins) {
  auto args = parseList({"x.vorn", "-o", "first", "--emit-zig", "-o", "-weird"});
  ASSERT_TRUE(args);
  EXPECT_EQ(args->output_path, std::optional<std::string_view>("-weird"));
  EXPECT_EQ(args->mode, Mode::emit_zig);
}

TEST(ArgsTest, UsageErrorsInScanOrder) {
  EXPECT_EQ(errorOf({}), Error::MissingInput);
  EXPECT_EQ(errorOf({"x.vorn"}), Error::MissingOutput);
  EXPECT_EQ(errorOf({"x.vorn", "--emit-zig"}), Error::MissingOutput);
  EXPECT_EQ(errorOf({"x.vorn", "--emit-verilog"}), Error::MissingOutput);
  EXPECT_EQ(errorOf({"x.vorn", "--emit-verilog", "-o", "x.v", "--emit-zig"}), Error::ConflictingModes);
  EXPECT_EQ(parseList({"x.vorn", "--emit-verilog", "-o", "x.v"})->mode, Mode::emit_verilog);
  EXPECT_EQ(errorOf({"x.vorn", "--preview", "--truth-table"}), Error::ConflictingModes);
  EXPECT_EQ(errorOf({"x.vorn", "--color=blue"}), Error::InvalidFlagValue);
  EXPECT_EQ(errorOf({"x.vorn", "--format=xml"}), Error::InvalidFlagValue);
  EXPECT_EQ(errorOf({"x.vorn", "-o"}), Error::InvalidFlagValue);
  EXPECT_EQ(errorOf({"x.vorn", "y.vorn"}), Error::InvalidFlagValue);
  EXPECT_EQ(errorOf({"x.vorn", "-"}), Error::UnknownFlag);
  EXPECT_EQ(errorOf({"x.vorn", "--color"}), Error::UnknownFlag);
  EXPECT_EQ(errorOf({"x.vorn", "--format"}), Error::UnknownFlag);
  // The first failing argument decides, before any cross-check.
  EXPECT_EQ(errorOf({"--bogus", "--preview", "--inspect"}), Error::UnknownFlag);
  EXPECT_EQ(errorOf({"--inspect", "--emit-zig", "--bogus"}), Error::ConflictingModes);
}

TEST(ArgsTest, CrossChecks) {
  EXPECT_EQ(errorOf({"x.vorn", "--preview", "-o", "out"}), Error::InvalidFlagValue);
  EXPECT_EQ(errorOf({"x.vorn", "--truth-table", "-o", "out"}), Error::InvalidFlagValue);
  EXPECT_EQ(errorOf({"x.vorn", "--inspect", "--expand-macros"}), Error::InvalidFlagValue);
  EXPECT_EQ(errorOf({"x.vorn", "--preview", "--format=csv"}), Error::InvalidFlagValue);
  EXPECT_EQ(errorOf({"x.vorn", "--inspect", "--strict"}), Error::InvalidFlagValue);
  // Missing output is checked before the flag combinations.
  EXPECT_EQ(errorOf({"x.vorn", "--expand-macros"}), Error::MissingOutput);
  EXPECT_TRUE(parseList({"x.vorn", "-o", "o.wasm", "--color=never"}));
  EXPECT_TRUE(parseList({"", "--inspect"}));
}

// --test takes its table like -o takes its path, and is a mode like the
// others: it conflicts with them, refuses -o and --strict, takes --format.
TEST(ArgsTest, TestModeTakesItsTable) {
  auto args = parseList({"--format=json", "x.vorn", "--test", "-first.csv", "--test", "t.md", "-Werror"});
  ASSERT_TRUE(args);
  EXPECT_EQ(args->mode, Mode::test);
  EXPECT_EQ(args->test_table_path, "t.md");
  EXPECT_EQ(args->input_path, "x.vorn");
  EXPECT_EQ(args->truth_table_format, TruthTableFormat::json);
  EXPECT_EQ(parseList({"x.vorn", "--test", "--inspect"})->test_table_path, "--inspect");

  EXPECT_EQ(errorOf({"x.vorn", "--test"}), Error::InvalidFlagValue);
  EXPECT_EQ(errorOf({"x.vorn", "--test", "t.csv", "--truth-table"}), Error::ConflictingModes);
  EXPECT_EQ(errorOf({"x.vorn", "--preview", "--test", "t.csv"}), Error::ConflictingModes);
  EXPECT_EQ(errorOf({"x.vorn", "--test", "t.csv", "-o", "out"}), Error::InvalidFlagValue);
  EXPECT_EQ(errorOf({"x.vorn", "--test", "t.csv", "--strict"}), Error::InvalidFlagValue);
  EXPECT_EQ(errorOf({"x.vorn", "--test", "t.csv", "--expand-macros"}), Error::InvalidFlagValue);
  EXPECT_EQ(errorOf({"x.vorn", "--test=t.csv"}), Error::UnknownFlag);
  EXPECT_EQ(errorOf({"--test", "t.csv"}), Error::MissingInput);
}

// --equiv takes its reference as --test takes its table; the verdict is text
// or JSON, never CSV, and nothing is written to a file.
TEST(ArgsTest, EquivModeTakesItsReference) {
  auto args = parseList({"x.vorn", "--equiv", "-ref.vorn", "--format=json", "--equiv", "r.vorn", "-Werror"});
  ASSERT_TRUE(args);
  EXPECT_EQ(args->mode, Mode::equiv);
  EXPECT_EQ(args->reference_path, "r.vorn");
  EXPECT_EQ(args->truth_table_format, TruthTableFormat::json);
  EXPECT_TRUE(args->test_table_path.empty());
  EXPECT_TRUE(parseList({"x.vorn", "--equiv", "r.vorn", "--format=markdown"}));

  EXPECT_EQ(errorOf({"x.vorn", "--equiv"}), Error::InvalidFlagValue);
  EXPECT_EQ(errorOf({"x.vorn", "--equiv", "r.vorn", "--test", "t.csv"}), Error::ConflictingModes);
  EXPECT_EQ(errorOf({"x.vorn", "--truth-table", "--equiv", "r.vorn"}), Error::ConflictingModes);
  EXPECT_EQ(errorOf({"x.vorn", "--equiv", "r.vorn", "--format=csv"}), Error::InvalidFlagValue);
  EXPECT_EQ(errorOf({"x.vorn", "--equiv", "r.vorn", "-o", "out"}), Error::InvalidFlagValue);
  EXPECT_EQ(errorOf({"x.vorn", "--equiv", "r.vorn", "--strict"}), Error::InvalidFlagValue);
  EXPECT_EQ(errorOf({"x.vorn", "--equiv", "r.vorn", "--vcd", "w.vcd"}), Error::InvalidFlagValue);
  EXPECT_EQ(errorOf({"--equiv", "r.vorn"}), Error::MissingInput);
}

TEST(ArgsTest, DiagnosticsFormatInEveryModeLastOneWins) {
  for (std::string_view mode : {"--inspect", "--preview", "--truth-table"}) {
    auto args = parseList({"x.vorn", mode, "--diagnostics-format=json"});
    ASSERT_TRUE(args) << mode;
    EXPECT_EQ(args->diagnostics_format, DiagnosticsFormat::json);
  }
  auto text = parseList({"x.vorn", "-o", "o", "--diagnostics-format=json", "--diagnostics-format=text"});
  ASSERT_TRUE(text);
  EXPECT_EQ(text->diagnostics_format, DiagnosticsFormat::text);
  EXPECT_EQ(parseList({"x.vorn", "-o", "o"})->diagnostics_format, DiagnosticsFormat::text);
  EXPECT_EQ(errorOf({"x.vorn", "-o", "o", "--diagnostics-format=JSON"}), Error::InvalidFlagValue);
  EXPECT_EQ(errorOf({"x.vorn", "-o", "o", "--diagnostics-format="}), Error::InvalidFlagValue);
  EXPECT_EQ(errorOf({"x.vorn", "-o", "o", "--diagnostics-format"}), Error::UnknownFlag);
}

// --vcd takes a path like -o, in the two modes that simulate, and nowhere else.
TEST(ArgsTest, VcdGoesWithSimulatingModes) {
  auto table = parseList({"--vcd", "first.vcd", "x.vorn", "--truth-table", "--vcd", "-w.vcd"});
  ASSERT_TRUE(table);
  EXPECT_EQ(table->vcd_path, "-w.vcd");
  auto test = parseList({"x.vorn", "--test", "t.csv", "--vcd", "w.vcd"});
  ASSERT_TRUE(test);
  EXPECT_EQ(test->vcd_path, "w.vcd");
  EXPECT_FALSE(parseList({"x.vorn", "--truth-table"})->vcd_path);

  EXPECT_EQ(errorOf({"x.vorn", "--truth-table", "--vcd"}), Error::InvalidFlagValue);
  EXPECT_EQ(errorOf({"x.vorn", "--vcd", "w.vcd", "-o", "x.wasm"}), Error::InvalidFlagValue);
  EXPECT_EQ(errorOf({"x.vorn", "--preview", "--vcd", "w.vcd"}), Error::InvalidFlagValue);
  EXPECT_EQ(errorOf({"x.vorn", "--inspect", "--vcd", "w.vcd"}), Error::InvalidFlagValue);
  EXPECT_EQ(errorOf({"x.vorn", "--vcd=w.vcd", "--truth-table"}), Error::UnknownFlag);
}

TEST(ArgsTest, HelpTextIsComplete) {
  // Lines are only ever added: without these, the text is the original one
  // of 1822 bytes, every line in its place.
  static constexpr std::string_view kAddedLines[] = {
      "    --emit-verilog    Emit synthesizable structural Verilog-2005 source. Requires -o.\n",
      "    --test TABLE      Run the rows of TABLE (Markdown or CSV, as --truth-table prints)\n",
      "                      and report the failing ones to stdout; exit 1 if any fails.\n",
      "                      --format=markdown|csv|json chooses the report's form.\n",
      "    --diagnostics-format=json       Write diagnostics and a failed stage to stderr as one JSON\n",
      "                                    document (see the manual page) instead of text lines.\n",
      "        With --test: a failing row or a malformed table.\n",
      "    vorn-compile student.vorn --test expected.csv\n",
      "    --equiv REFERENCE Prove that the circuit settles to the same outputs as REFERENCE\n",
      "                      for every input combination, pins matched by name; else print\n",
      "                      one counterexample per differing output and a --test table to\n",
      "                      replay it. Exit 1 if they differ. --format=json: one document.\n",
      "    vorn-compile student.vorn --equiv solution.vorn\n",
      "    --vcd <path>                    Also write the simulation's value changes as a VCD file\n",
      "                                    (with --truth-table or --test; 1 ns per engine time unit).\n",
      "    --analyze         Print each output's minimal sum of products and product of sums,\n",
      "                      Karnaugh map, support, depth and critical path, and the circuit's\n",
      "                      size (Markdown; --format=json for JSON). Exit 1 if an output can\n",
      "                      be undefined ('?'), naming the rows.\n",
      "    --synthesize TABLE --outputs NAME[,NAME…] -o OUT.vorn\n",
      "                      Write a circuit of and/or/not gates that passes --test TABLE:\n",
      "                      each output's minimal sum of products. Without --outputs the last\n",
      "                      column is the output; every other column is an input.\n",
      "    vorn-compile full_adder.vorn --analyze\n",
      "    vorn-compile --synthesize table.csv --outputs sum,carry -o adder.vorn\n",
  };
  std::string original(helpText());
  for (std::string_view line : kAddedLines) {
    std::size_t at = original.find(line);
    ASSERT_NE(at, std::string::npos) << line;
    original.erase(at, line.size());
  }
  EXPECT_EQ(original.size(), 1822u);
  EXPECT_NE(original.find("-Werror   Treat warnings (W001\xE2\x80\x93W003) as errors.\n\n  Preview-only:\n"),
            std::string::npos);
  EXPECT_TRUE(original.starts_with("vorn-compile \xE2\x80\x94 compile and inspect"));
  EXPECT_TRUE(original.ends_with("--truth-table --format=json\n"));
}

}  // namespace
}  // namespace vorn::args
