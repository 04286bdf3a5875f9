#include "syntax/translate.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace vorn::translate {
namespace {

Span span(std::uint32_t sl, std::uint32_t sc, std::uint32_t el, std::uint32_t ec, std::uint32_t file = 0) {
  return Span{file, sl, sc, el, ec};
}

class TranslateTest : public ::testing::Test {
 protected:
  ast::File parse(std::string_view source, std::uint32_t file_id = 0) {
    auto file = parseSource(arena_, arena_.store(source), file_id);
    EXPECT_TRUE(file.has_value()) << (file ? "" : errorName(file.error()));
    return file ? std::move(*file) : ast::File{};
  }

  Error failure(std::string_view source) {
    auto file = parseSource(arena_, arena_.store(source), 0);
    EXPECT_FALSE(file.has_value());
    return file ? Error::InternalError : file.error();
  }

  TextArena arena_;
};

TEST_F(TranslateTest, FilesWithoutMeaningfulItemsFail) {
  EXPECT_EQ(failure(""), Error::ParsingFailed);
  EXPECT_EQ(failure(" \n\t\r\n"), Error::ParsingFailed);
  EXPECT_EQ(failure("%%% input a"), Error::ParsingFailed);
  EXPECT_EQ(failure("// only a comment\n"), Error::InvalidProgram);
  EXPECT_EQ(failure("a.x <> b.y"), Error::InvalidProgram);

  // Only the texts with nothing but blanks and comments get the reason.
  for (std::string_view nothing : {"", " \n\t\r\n", "// only a comment\n", "\n// one\n\n// two", "//"}) {
    std::optional<SyntaxError> reason = nothingDeclared(nothing);
    ASSERT_TRUE(reason.has_value()) << nothing;
    EXPECT_EQ(formatSyntaxError("p/e.vorn", *reason), "p/e.vorn:1:1: error: the file is empty or holds only comments");
  }
  for (std::string_view something : {"%%% input a", "a.x <> b.y", "// c\na.x <> b.y", "input a\n// c\n", "input a",
                                     "// c\n%%%", "import x \"y.vorn\""}) {
    EXPECT_FALSE(nothingDeclared(something).has_value()) << something;
  }
}

TEST_F(TranslateTest, InputsOutputsAndInstances) {
  ast::File file = parse(
      "// half adder\n"
      "input a, b\n"
      "a.x <> b.y\n"
      "xor s(a=a, b=b)\n"
      "not p, q\n"
      "output q\n"
      "output c(zz=g.out, in=h.out)\n");
  ASSERT_EQ(file.inputs.size(), 1u);
  ASSERT_EQ(file.inputs[0].names.size(), 2u);
  EXPECT_EQ(file.inputs[0].names[0].text, "a");
  EXPECT_EQ(file.inputs[0].names[1].text, "b");
  EXPECT_EQ(file.inputs[0].span, span(2, 7, 2, 11));  // starts at "a", not at the keyword
  EXPECT_EQ(file.inputs[0].names[1].span, span(2, 10, 2, 11));

  ASSERT_EQ(file.components.size(), 3u);
  const ast::ComponentInstance& s = file.components[0];
  EXPECT_EQ(s.type_name.text, "xor");
  EXPECT_EQ(s.type_name.span, span(4, 1, 4, 4));
  ASSERT_TRUE(s.instance_name.has_value());
  EXPECT_EQ(s.instance_name->text, "s");
  EXPECT_EQ(s.span, span(4, 1, 4, 16));
  ASSERT_EQ(s.ports.size(), 2u);
  EXPECT_EQ(s.ports[1].port.text, "b");
  EXPECT_EQ(s.ports[1].span, span(4, 12, 4, 13));  // the port name only
  EXPECT_EQ(s.ports[1].value.named.target.text, "b");
  EXPECT_EQ(s.ports[1].value.named.port.text, "out");
  for (std::size_t i : {1u, 2u}) {
    EXPECT_EQ(file.components[i].type_name.text, "not");
    EXPECT_TRUE(file.components[i].ports.empty());
    EXPECT_EQ(file.components[i].span, span(5, 1, 5, 9));
  }
  EXPECT_EQ(file.components[2].instance_name->text, "q");

  ASSERT_EQ(file.outputs.size(), 2u);
  const ast::OutputDecl& q = file.outputs[0];
  EXPECT_EQ(q.name.text, "q");
  EXPECT_EQ(q.value.tag, ast::SignalSource::Tag::named);
  EXPECT_EQ(q.value.named.target.text, "q");
  EXPECT_EQ(q.value.named.port.text, "out");
  EXPECT_EQ(q.value.named.port.span, span(6, 8, 6, 9));
  EXPECT_EQ(q.span, span(6, 1, 6, 9));
  // The first binding drives the output whatever its port is called.
  const ast::OutputDecl& c = file.outputs[1];
  EXPECT_EQ(c.name.text, "c");
  EXPECT_EQ(c.value.named.target.text, "g");
  EXPECT_EQ(c.value.named.port.text, "out");
  EXPECT_EQ(c.value.named.span, span(7, 13, 7, 18));
  // Its port name and the later bindings are kept for validation to judge;
  // the short form has neither.
  ASSERT_TRUE(c.port.has_value());
  EXPECT_EQ(c.port->text, "zz");
  EXPECT_EQ(c.port->span, span(7, 10, 7, 12));
  ASSERT_EQ(c.later_bindings.size(), 1u);
  EXPECT_EQ(c.later_bindings[0].port.text, "in");
  EXPECT_EQ(c.later_bindings[0].span, span(7, 20, 7, 22));
  EXPECT_EQ(c.later_bindings[0].value.named.target.text, "h");
  EXPECT_FALSE(q.port.has_value());
  EXPECT_TRUE(q.later_bindings.empty());

  EXPECT_EQ(file.span, span(1, 1, 7, 29));
}

TEST_F(TranslateTest, BareNameMeansOutPortAndKeepsTrailingBlank) {
  ast::File file = parse("and g(a=x , b=y.q)");
  ASSERT_EQ(file.components.size(), 1u);
  const ast::SignalSource& a = file.components[0].ports[0].value;
  EXPECT_EQ(a.named.target.span, span(1, 9, 1, 10));
  EXPECT_EQ(a.named.span, span(1, 9, 1, 11));  // "x " with its blank
  EXPECT_EQ(a.named.port.span, a.named.span);
  const ast::SignalSource& b = file.components[0].ports[1].value;
  EXPECT_EQ(b.named.port.text, "q");
  EXPECT_EQ(b.named.span, span(1, 15, 1, 18));
}

TEST_F(TranslateTest, AnonymousInstancesAreNumberedInnerFirst) {
  ast::File file = parse("and g(a=and(a=not(in=x).out, b=y).out, b=not(in=z).out)");
  ASSERT_EQ(file.components.size(), 1u);  // anonymous ones are not listed
  const auto& ports = file.components[0].ports;
  ASSERT_EQ(ports.size(), 2u);
  ASSERT_EQ(ports[0].value.tag, ast::SignalSource::Tag::anonymous);
  const ast::ComponentInstance& outer_and = *ports[0].value.anonymous;
  EXPECT_EQ(outer_and.type_name.text, "and");
  EXPECT_EQ(outer_and.instance_name->text, "__anon_1");
  EXPECT_EQ(outer_and.span, span(1, 9, 1, 34));
  EXPECT_EQ(outer_and.instance_name->span, outer_and.span);
  const ast::ComponentInstance& inner_not = *outer_and.ports[0].value.anonymous;
  EXPECT_EQ(inner_not.instance_name->text, "__anon_0");
  EXPECT_EQ(inner_not.type_name.span, span(1, 15, 1, 18));
  EXPECT_EQ(inner_not.ports[0].value.named.target.text, "x");
  EXPECT_EQ(outer_and.ports[1].value.named.target.text, "y");
  EXPECT_EQ(ports[1].value.anonymous->instance_name->text, "__anon_2");

  // The counter is per file.
  ast::File again = parse("output o(in=not(in=x).out)");
  ASSERT_EQ(again.outputs.size(), 1u);
  EXPECT_EQ(again.outputs[0].value.anonymous->instance_name->text, "__anon_0");
}

TEST_F(TranslateTest, ImportsWithAndWithoutPath) {
  ast::File file = parse("import lib \"dir/x.vorn\"\nimport e \"\"\ninput a", 3);
  ASSERT_EQ(file.imports.size(), 2u);
  EXPECT_EQ(file.imports[0].alias.text, "lib");
  EXPECT_EQ(file.imports[0].path.text, "dir/x.vorn");
  EXPECT_EQ(file.imports[0].path.span, span(1, 13, 1, 23, 3));
  EXPECT_EQ(file.imports[0].span, span(1, 1, 1, 24, 3));
  EXPECT_EQ(file.imports[1].path.text, "");
  EXPECT_EQ(file.imports[1].path.span, span(2, 11, 2, 11, 3));  // at the closing quote
}

TEST_F(TranslateTest, SpansCountBytesAndCarriageReturns) {
  ast::File file = parse("ab x\r\ninput c\nand g(a=x\r, b=y\r\n)");
  EXPECT_EQ(file.components[0].type_name.span, span(1, 1, 1, 3));
  EXPECT_EQ(file.components[0].instance_name->span, span(1, 4, 1, 5));
  EXPECT_EQ(file.inputs[0].names[0].span, span(2, 7, 2, 8));
  // A carriage return is one more column; only the line feed ends a line.
  const auto& ports = file.components[1].ports;
  EXPECT_EQ(ports[0].value.named.span, span(3, 9, 3, 11));
  EXPECT_EQ(ports[1].value.named.span, span(3, 15, 4, 1));
  // A non-ASCII byte is no identifier: the file is refused there.
  EXPECT_EQ(failure("input a\ninput \xC3\xA9"), Error::ParsingFailed);
}

TEST_F(TranslateTest, TextTheGrammarCannotReadIsRefusedWhereReadingStopped) {
  struct Case {
    std::string_view source;
    std::uint32_t line, col;
    std::string_view message;
  };
  const Case cases[] = {
      // The missing ".out": located at the dot's place, not at the declaration.
      {"input a\noutput o(in=xor(a=a, b=b))\ninput b\n", 2, 26, "Unexpected ')'"},
      {"input a\n# not a comment\ninput b\n", 2, 1, "Expected '/', 'i', 'o', 'b', 'l', 'a', 'n', 'x' but got '#'"},
      {"input a\ninput \xC3\xA9", 2, 7, "Expected '<' but got '?'"},
      {"output o(in=a", 1, 14, "Expected 'n' but got EOF"},
      {"output o(in=a)\r\n)\r\n", 2, 1, "Expected '/', 'i', 'o', 'b', 'l', 'a', 'n', 'x' but got ')'"},
      {"not n(in=a)\nnot m(in=n.\n", 3, 1, "Unexpected EOF"},
      {"input a\n\x01", 2, 1, "Expected '/', 'i', 'o', 'b', 'l', 'a', 'n', 'x' but got '?'"},
      // A first item that already fails, after any blank lines before it.
      {"# comment\ninput a\n", 1, 1, "Expected '/', 'i', 'o', 'b', 'l', 'a', 'n', 'x' but got '#'"},
      {")", 1, 1, "Expected '/', 'i', 'o', 'b', 'l', 'a', 'n', 'x' but got ')'"},
      {std::string_view("\0input a", 8), 1, 1, "Expected '/', 'i', 'o', 'b', 'l', 'a', 'n', 'x' but got '?'"},
      {"\xEF\xBB\xBFinput a", 1, 1, "Expected '/', 'i', 'o', 'b', 'l', 'a', 'n', 'x' but got '?'"},
      {"\n\n  %%% input a", 3, 3, "Expected '/', 'i', 'o', 'b', 'l', 'a', 'n', 'x' but got '%'"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.source));
    std::optional<SyntaxError> error;
    auto file = parseSource(arena_, arena_.store(c.source), 4, &error);
    ASSERT_FALSE(file.has_value());
    EXPECT_EQ(file.error(), Error::ParsingFailed);
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->line, c.line);
    EXPECT_EQ(error->col, c.col);
    EXPECT_EQ(error->message, c.message);
    EXPECT_EQ(formatSyntaxError("d/f.vorn", *error), "d/f.vorn:" + std::to_string(c.line) + ":" +
                                                         std::to_string(c.col) + ": error: " + std::string(c.message));
  }

  // Blanks, CRLF, comments and a last line without a line feed are all read.
  for (std::string_view fine : {"input a\r\noutput q(in=a)\r\n// end\r\n\r\n \t", "input a\noutput q(in=a)",
                                "input a // why\noutput q(in=a) // why not\n\n\n"}) {
    std::optional<SyntaxError> error = SyntaxError{};
    auto file = parseSource(arena_, arena_.store(fine), 0, &error);
    EXPECT_TRUE(file.has_value()) << fine;
    EXPECT_FALSE(error.has_value()) << fine;
  }

  // A text of blanks alone, or of comments alone, has no slip to show.
  for (std::string_view nothing : {"", " \n\t\r\n", "// only a comment\n"}) {
    std::optional<SyntaxError> error = SyntaxError{};
    auto file = parseSource(arena_, arena_.store(nothing), 0, &error);
    EXPECT_FALSE(file.has_value()) << nothing;
    EXPECT_FALSE(error.has_value()) << nothing;
  }
}

TEST_F(TranslateTest, AnAnonymousInstanceKeepsThePortAfterItsDot) {
  ast::File file = parse("output o(in=p(x=a).q)\nand g(a=not(in=b).out, b=b)\n");
  const ast::SignalSource& value = file.outputs[0].value;
  ASSERT_EQ(value.tag, ast::SignalSource::Tag::anonymous);
  EXPECT_EQ(value.anonymous_port.text, "q");
  EXPECT_EQ(value.anonymous_port.span, span(1, 20, 1, 21));
  EXPECT_EQ(file.components[0].ports[0].value.anonymous_port.text, "out");
}

std::string nested(int depth) {
  std::string text = "output y(in=";
  for (int i = 0; i < depth; ++i) text += "not(in=";
  text += "x";
  for (int i = 0; i < depth; ++i) text += ").out";
  return text + ")\ninput x";
}

TEST_F(TranslateTest, DeepNestingUpToTheLimit) {
  ast::File file = parse(nested(10000));
  ASSERT_EQ(file.outputs.size(), 1u);
  ASSERT_EQ(file.inputs.size(), 1u);
  // Walk down: the outermost instance was finished last.
  const ast::SignalSource* source = &file.outputs[0].value;
  int levels = 0;
  while (source->tag == ast::SignalSource::Tag::anonymous) {
    EXPECT_EQ(source->anonymous->instance_name->text, "__anon_" + std::to_string(9999 - levels));
    ASSERT_EQ(source->anonymous->ports.size(), 1u);
    source = &source->anonymous->ports[0].value;
    ++levels;
  }
  EXPECT_EQ(levels, 10000);
  EXPECT_EQ(source->named.target.text, "x");
  EXPECT_EQ(source->named.target.span, span(1, 13 + 7 * 10000, 1, 14 + 7 * 10000));
}

TEST_F(TranslateTest, NestingBeyondTheLimitIsRefused) {
  EXPECT_EQ(failure(nested(10001)), Error::NestingTooDeep);
  EXPECT_EQ(failure(nested(100000)), Error::NestingTooDeep);
}

}  // namespace
}  // namespace vorn::translate
