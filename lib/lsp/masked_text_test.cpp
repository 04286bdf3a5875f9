#include "lsp/masked_text.hpp"

#include <gtest/gtest.h>

#include <string>

#include "core/text_arena.hpp"
#include "lsp/text_position.hpp"
#include "syntax/translate.hpp"

namespace vorn::lsp {
namespace {

// Blanks lines where the grammar stops, as the server does, until the text
// parses; the number of rounds, or -1 when it never does.
int roundsToParse(std::string& text) {
  for (int round = 0; round < 16; ++round) {
    TextArena arena;
    std::optional<translate::SyntaxError> stop;
    if (translate::parseSource(arena, text, 0, &stop)) return round;
    if (stop ? !blankUnreadableLine(text, stop->offset) : !blankRefusedLines(text)) return -1;
  }
  return -1;
}

TEST(MaskedText, BlanksWhereTheGrammarStopsKeepingOffsetsAndTheRest) {
  // A list left open on line 2 is noticed on a later line, however many
  // lines follow: that line goes, once, and every other line is kept.
  std::string text = "input a, b\r\nand w(\r\n";
  for (int i = 0; i < 20; ++i) text += "and g" + std::to_string(i) + "(a=a, b=b)\r\n";
  text += "output o(in=g0)\r\n";
  const std::string before = text;
  EXPECT_EQ(roundsToParse(text), 1);
  ASSERT_EQ(text.size(), before.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool on_line_two = i >= 12 && i < 18;
    EXPECT_EQ(text[i], on_line_two ? ' ' : before[i]) << i;
  }

  // Slips on separate lines: each line goes; a line the grammar refuses
  // without a place (an assignment) is found by reading lines alone.
  text = "input a, b;\nsum = a ^ b\n// a comment\nxor x(a=a, b=b)\noutput s(in=x)\n";
  EXPECT_GT(roundsToParse(text), 0);
  EXPECT_EQ(text, "           \n           \n// a comment\nxor x(a=a, b=b)\noutput s(in=x)\n");

  // Nothing left to blank: a text that is only a comment.
  text = "// only\n";
  EXPECT_EQ(roundsToParse(text), -1);
  EXPECT_FALSE(blankUnreadableLine(text, 0) && blankUnreadableLine(text, 0));
}

TEST(MaskedText, InvalidUtf8IsReplacedAndValidTextLeftAlone) {
  EXPECT_FALSE(replaceInvalidUtf8("plain \xC3\xA9 text \xF0\x9F\x99\x82").has_value());
  EXPECT_EQ(replaceInvalidUtf8("a\xFF\xFE"
                               "b\xC3")
                .value(),
            "a\xEF\xBF\xBD\xEF\xBF\xBD"
            "b\xEF\xBF\xBD");
  // An overlong form and a surrogate are not characters: one replacement per byte.
  EXPECT_EQ(replaceInvalidUtf8("\xC0\xAF").value(), "\xEF\xBF\xBD\xEF\xBF\xBD");
  EXPECT_EQ(replaceInvalidUtf8("\xED\xA0\x80").value(), "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD");
}

}  // namespace
}  // namespace vorn::lsp
