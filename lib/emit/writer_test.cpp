#include "emit/writer.hpp"

#include <gtest/gtest.h>

#include <array>

namespace vorn::writer {
namespace {

types::Component named(std::string_view name, std::uint32_t id) {
  types::Component component;
  component.instance_name = name;
  component.id = types::ComponentId{id};
  return component;
}

TEST(Writer, IndentsByFourSpacesAndNeverBelowZero) {
  Writer out;
  out.dedent();
  out.writeLine("a");
  out.indent();
  out.writeLine("b");
  out.indent();
  out.writeLineFmt(".{{ .id = {}, .name = {} }},", 42u, std::string_view("x"));
  out.dedent();
  out.dedent();
  out.dedent();
  EXPECT_EQ(out.indentLevel(), 0u);
  out.writeLine("");
  out.writeRaw("raw");
  EXPECT_EQ(out.toOwnedSlice(), "a\n    b\n        .{ .id = 42, .name = x },\n\nraw");
  // Handing the text over leaves the writer empty.
  EXPECT_EQ(out.toOwnedSlice(), "");
}

TEST(Writer, FormatsBracesAndNumbers) {
  EXPECT_EQ(formatText("{}{}", {"a", std::uint64_t{18446744073709551615ULL}}), "a18446744073709551615");
  EXPECT_EQ(formatText("{{}}", {}), "{}");
  // Without arguments left a placeholder stays as written.
  EXPECT_EQ(formatText("x {} y", {}), "x {} y");
}

TEST(Writer, GrowsForLongOutput) {
  Writer out;
  std::string expected;
  for (int i = 0; i < 5000; ++i) {
    out.writeLine("line");
    expected += "line\n";
  }
  EXPECT_EQ(out.toOwnedSlice(), expected);
}

TEST(EscapeIdentifier, MapsEveryByteToOneIdentifierByte) {
  EXPECT_EQ(escapeIdentifier(""), "");
  EXPECT_EQ(escapeIdentifier("abcXYZ09"), "abcXYZ09");
  EXPECT_EQ(escapeIdentifier("2x"), "_2x");
  EXPECT_EQ(escapeIdentifier("a-b"), "a_b");
  EXPECT_EQ(escapeIdentifier("x y"), "x_y");
  EXPECT_EQ(escapeIdentifier("__anon_0"), "__anon_0");
  EXPECT_EQ(escapeIdentifier("\xc3\xa9t\xc3\xa9"), "__t__");  // two bytes each for é
  EXPECT_EQ(escapeIdentifier("9"), "_9");
}

TEST(EscapeIdentifier, AppendsUnderscoreToKeywordsOnly) {
  constexpr std::array<std::string_view, 48> keywords = {
      "addrspace",   "align",  "allowzero",   "and",         "anyframe",       "anytype", "asm",      "async",
      "await",       "break",  "callconv",    "catch",       "comptime",       "const",   "continue", "defer",
      "else",        "enum",   "errdefer",    "error",       "export",         "extern",  "fn",       "for",
      "if",          "inline", "linksection", "noalias",     "nosuspend",      "opaque",  "or",       "orelse",
      "packed",      "pub",    "resume",      "return",      "struct",         "suspend", "switch",   "test",
      "threadlocal", "try",    "union",       "unreachable", "usingnamespace", "var",     "volatile", "while"};
  for (std::string_view keyword : keywords) {
    EXPECT_TRUE(isZigKeyword(keyword)) << keyword;
    EXPECT_EQ(escapeIdentifier(keyword), std::string(keyword) + "_");
  }
  for (std::string_view word : {"type", "null", "true", "undefined", "For", "fn_", "and2", ""}) {
    EXPECT_FALSE(isZigKeyword(word)) << word;
  }
  EXPECT_EQ(escapeIdentifier("f-n"), "f_n");
  EXPECT_EQ(escapeIdentifier("For"), "For");
}

TEST(Naming, VariablesFieldsAndUnnamedComponents) {
  EXPECT_EQ(componentVariable(named("g", 2)), "comp_g_2");
  EXPECT_EQ(componentVariable(named("2x", 5)), "comp__2x_5");
  EXPECT_EQ(componentVariable(named("a-b", 6)), "comp_a_b_6");
  // Keyword suffix then separator: two underscores.
  EXPECT_EQ(componentVariable(named("for", 3)), "comp_for__3");
  EXPECT_EQ(componentVariable(named("", 7)), "comp_7");
  EXPECT_EQ(subCircuitVariable(named("h1", 2)), "inst_h1_2");
  EXPECT_EQ(subCircuitVariable(named("", 3)), "inst_3");
  EXPECT_EQ(inputField("x y"), "input_x_y");
  EXPECT_EQ(outputField("test"), "output_test_");
  EXPECT_EQ(inputField("9"), "input__9");
}

TEST(Naming, PrimitiveExpressions) {
  using types::PrimitiveKind;
  EXPECT_EQ(primitiveExpression(PrimitiveKind::and_gate), ".{ .and_gate = .{} }");
  EXPECT_EQ(primitiveExpression(PrimitiveKind::not_gate), ".{ .not_gate = .{} }");
  EXPECT_EQ(primitiveExpression(PrimitiveKind::wire), ".{ .wire = .{} }");
  EXPECT_EQ(primitiveExpression(PrimitiveKind::led), ".{ .led = .{} }");
  EXPECT_EQ(primitiveExpression(PrimitiveKind::input_pin), ".{ .input_pin_gate = .{} }");
  EXPECT_EQ(primitiveExpression(PrimitiveKind::output_pin), ".{ .output_pin = .{} }");
}

TEST(ZigStringLiteral, EscapesOnlyTheFiveSpecialBytes) {
  EXPECT_EQ(zigStringLiteral(""), "\"\"");
  EXPECT_EQ(zigStringLiteral("a\tb\nc\rd\"e\\f"), "\"a\\tb\\nc\\rd\\\"e\\\\f\"");
  EXPECT_EQ(zigStringLiteral(std::string_view("\x01\x7f\xc3\xa9\0", 5)), std::string("\"\x01\x7f\xc3\xa9\0\"", 7));
}

TEST(ListLiteral, QuotesAndJoinsItems) {
  EXPECT_EQ(listLiteral({}), "&.{  }");
  EXPECT_EQ(listLiteral({"top.vorn"}), "&.{ \"top.vorn\" }");
  EXPECT_EQ(listLiteral({"a\"b", "c"}), "&.{ \"a\\\"b\", \"c\" }");
}

}  // namespace
}  // namespace vorn::writer
