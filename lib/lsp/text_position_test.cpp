#include "lsp/text_position.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "core/text_arena.hpp"
#include "syntax/translate.hpp"

namespace vorn::lsp {
namespace {

// One character as an editor counts it: its bytes and its UTF-16 units.
struct Char {
  std::string bytes;
  std::uint32_t units;
};

// Pieces that are one or more characters; malformed UTF-8 is one unit per
// byte. No piece starts with a continuation byte, so a stray lead byte
// before any piece stays a character of its own.
const std::vector<std::vector<Char>> kPieces = {
    {{"a", 1}},
    {{"_", 1}},
    {{" ", 1}},
    {{"\t", 1}},
    {{"\xC3\xA9", 1}},                                     // é
    {{"\xE2\x82\xAC", 1}},                                 // €
    {{"\xF0\x9F\x99\x82", 2}},                             // an emoji, a surrogate pair
    {{"\xFF", 1}},                                         // never valid
    {{"\xE2", 1}},                                         // a lead byte cut short
    {{"\xC0", 1}, {"\x80", 1}},                            // an overlong form
    {{"\xED", 1}, {"\xA0", 1}, {"\x80", 1}},               // a surrogate written in UTF-8
    {{"\xF4", 1}, {"\x90", 1}, {"\x80", 1}, {"\x80", 1}},  // past U+10FFFF
    {{"\n", 0}},
    {{"\r", 0}},
    {{"\r", 0}, {"\n", 0}},
};

struct Expected {
  std::size_t offset;
  Position position;                  // the protocol's view
  std::uint32_t feed_line, feed_col;  // the compiler's view
  bool inside_crlf;                   // on the LF of a CRLF
};

// Builds a random text and, character by character, the position of every
// character start in both views: an oracle that knows nothing of decoding.
std::vector<Expected> buildText(std::mt19937& random, std::string& text) {
  std::vector<Expected> expected;
  Position position;
  std::uint32_t feed_line = 1, feed_col = 1;
  const int count = static_cast<int>(random() % 60);
  for (int k = 0; k < count; ++k) {
    const auto& piece = kPieces[random() % kPieces.size()];
    for (std::size_t c = 0; c < piece.size(); ++c) {
      const Char& ch = piece[c];
      const bool lf_of_crlf = ch.bytes == "\n" && !text.empty() && text.back() == '\r';
      expected.push_back(Expected{text.size(), position, feed_line, feed_col, lf_of_crlf});
      text += ch.bytes;
      if (ch.bytes == "\n") {
        if (!lf_of_crlf) ++position.line;
        position.character = 0;
        ++feed_line;
        feed_col = 1;
      } else if (ch.bytes == "\r") {
        // A CR ends a line for the editor unless an LF follows: decided
        // when the next character comes; counted here as a break.
        ++position.line;
        position.character = 0;
        feed_col += 1;
      } else {
        position.character += ch.units;
        feed_col += static_cast<std::uint32_t>(ch.bytes.size());
      }
    }
  }
  expected.push_back(Expected{text.size(), position, feed_line, feed_col, false});
  // A CRLF counts one break: the LF entry already kept the line, but the
  // CR advanced it, so the LF's own position is the CR's line end instead.
  for (std::size_t i = 0; i < expected.size(); ++i) {
    if (!expected[i].inside_crlf) continue;
    expected[i].position = expected[i - 1].position;
    // Line end: the CR's own position.
  }
  return expected;
}

TEST(TextIndex, AgreesWithACharacterByCharacterOracleOnRandomTexts) {
  std::mt19937 random(20261207);
  for (int round = 0; round < 3000; ++round) {
    std::string text;
    std::vector<Expected> expected = buildText(random, text);
    TextIndex index(text);
    for (const Expected& e : expected) {
      SCOPED_TRACE(::testing::Message() << "round " << round << " offset " << e.offset);
      EXPECT_EQ(index.positionOfOffset(e.offset), e.position);
      EXPECT_EQ(index.lines().lineColOf(e.offset), (LineCol{e.feed_line, e.feed_col}));
      EXPECT_EQ(index.lines().offsetOf(LineCol{e.feed_line, e.feed_col}), e.offset);
      if (!e.inside_crlf) {
        EXPECT_EQ(index.offsetOfPosition(e.position), e.offset);
      }
    }
    // Out of order, as an editor asks: the line found last is no help then.
    std::vector<Expected> shuffled = expected;
    std::shuffle(shuffled.begin(), shuffled.end(), random);
    for (const Expected& e : shuffled) {
      EXPECT_EQ(index.lines().lineColOf(e.offset), (LineCol{e.feed_line, e.feed_col})) << "offset " << e.offset;
    }
    // A span from any character start to any later one converts end for end.
    if (expected.size() >= 2) {
      const Expected& a = expected[random() % expected.size()];
      const Expected& b = expected[random() % expected.size()];
      const Expected& first = a.offset <= b.offset ? a : b;
      const Expected& last = a.offset <= b.offset ? b : a;
      const Range range = index.rangeOfSpan(Span{0, first.feed_line, first.feed_col, last.feed_line, last.feed_col});
      EXPECT_EQ(range.start, first.position);
      EXPECT_EQ(range.end, last.position);
    }
  }
}

// Spans the translation produces after non-ASCII comments and paths, and
// after line breaks the compiler does not count as lines.
TEST(TextIndex, ConvertsTranslatedSpansAfterNonAsciiText) {
  const std::string source =
      "// Größe: 🙂🙂 — ünïcödé\n"
      "input a, b\r\n"
      "import lib \"dïr/ü.vorn\" not n(in=a)\n"
      "// \xff\xfe broken bytes\n"
      "and g(a=a, b=b)\n";
  TextArena arena;
  auto file = translate::parseSource(arena, source, 0);
  ASSERT_TRUE(file.has_value());
  TextIndex index(source);

  ASSERT_EQ(file->inputs.size(), 1u);
  EXPECT_EQ(index.rangeOfSpan(file->inputs[0].names[1].span), (Range{{1, 9}, {1, 10}}));
  ASSERT_EQ(file->imports.size(), 1u);
  // The path has two two-byte letters: bytes 12..24, characters 12..22.
  EXPECT_EQ(index.rangeOfSpan(file->imports[0].path.span), (Range{{2, 12}, {2, 22}}));
  ASSERT_EQ(file->components.size(), 2u);
  EXPECT_EQ(index.rangeOfSpan(file->components[0].span), (Range{{2, 24}, {2, 35}}));
  EXPECT_EQ(index.rangeOfSpan(file->components[1].span), (Range{{4, 0}, {4, 15}}));

  // A lone CR breaks the line for the editor but not for the compiler.
  const std::string cr_only = "// é\rnot n(in=a)";
  TextIndex cr_index(cr_only);
  EXPECT_EQ(cr_index.rangeOfSpan(Span{0, 1, 7, 1, 8}), (Range{{1, 0}, {1, 1}}));

  // Positions past a line's end or past the text are clamped, not trusted.
  EXPECT_EQ(index.offsetOfPosition(Position{1, 1000}), source.find("\r\n"));
  EXPECT_EQ(index.offsetOfPosition(Position{1000, 0}), source.size());
  EXPECT_EQ(index.rangeOfSpan(Span{0, 99, 1, 99, 9}), (Range{{5, 0}, {5, 0}}));
  EXPECT_EQ(index.rangeOfSpan(Span{0, 2, 500, 1, 1}).start, (Position{1, 10}));
}

TEST(TextIndex, CompilerColumnsStartAfterAByteOrderMark) {
  // The document holds the mark as its first character; the compiler does not see it.
  const std::string text = "\xEF\xBB\xBFinput a, b\nx";
  TextIndex index(text);
  EXPECT_EQ(index.lines().offsetOf(LineCol{1, 1}), 3u);
  EXPECT_EQ(index.lines().offsetOf(LineCol{1, 10}), 12u);
  EXPECT_EQ(index.positionOfOffset(12), (Position{0, 10}));
  EXPECT_EQ(index.lines().offsetOf(LineCol{2, 1}), 14u);
  for (std::size_t offset : {0u, 1u, 3u}) EXPECT_EQ(index.lines().lineColOf(offset), (LineCol{1, 1})) << offset;
  EXPECT_EQ(index.lines().lineColOf(12).col, 10u);
  // A whole-file diagnostic sits where the compiler's first line starts.
  EXPECT_EQ(index.rangeOfSpan(std::nullopt), (Range{{0, 1}, {0, 1}}));
  // Only a mark at the very start counts.
  TextIndex later("a\n\xEF\xBB\xBF");
  EXPECT_EQ(later.lines().offsetOf(LineCol{1, 1}), 0u);
  EXPECT_EQ(later.lines().offsetOf(LineCol{2, 2}), 3u);
}

}  // namespace
}  // namespace vorn::lsp
