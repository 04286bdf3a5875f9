// Failure records of the start rules that can fail.

#include <gtest/gtest.h>

#include <string>

#include "parser/parser.hpp"

namespace {

struct Failure {
  bool failed = false;
  std::int32_t cursor = -1;
  std::string message;
  std::string label;
  std::int32_t start = -1;
  std::int32_t end = -1;
};

Failure fail(const std::string& input, ll_tree* (*start)(Parser*, std::int32_t*, ll_parsing_error*), bool show_fails) {
  Parser* p = Parser_New();
  Parser_SetInput(p, input.data(), static_cast<std::int32_t>(input.size()));
  Parser_SetShowFails(p, show_fails);
  Failure out;
  ll_parsing_error err{};
  out.failed = start(p, &out.cursor, &err) == nullptr;
  if (out.failed) {
    out.message = err.message;
    out.label = err.label;
    out.start = err.start;
    out.end = err.end;
  }
  ll_parsing_error_free(&err);
  Parser_Delete(p);
  return out;
}

TEST(ParserErrorTest, UnexpectedCharacterAtTheCursor) {
  Failure bus = fail("x", Parser_ParseBusType, false);
  ASSERT_TRUE(bus.failed);
  EXPECT_EQ(bus.message, "Unexpected 'x'");
  EXPECT_EQ(bus.label, "");
  EXPECT_EQ(bus.start, 0);
  EXPECT_EQ(bus.end, 0);

  EXPECT_EQ(fail("'", Parser_ParseComponentType, false).message, "Unexpected '\\''");
  EXPECT_EQ(fail("\\", Parser_ParseComponentType, false).message, "Unexpected '\\\\'");
  EXPECT_EQ(fail("\xC3\xA9", Parser_ParseComponentType, false).message, "Unexpected '?'");
  EXPECT_EQ(fail("", Parser_ParseAnonDecl, false).message, "Unexpected EOF");

  // The cursor is where the last test failed; the end is the farthest failure.
  Failure partial = fail("(a=b", Parser_ParseBusType, false);
  EXPECT_EQ(partial.cursor, 4);
  EXPECT_EQ(partial.start, 4);
  EXPECT_EQ(partial.end, 4);
  EXPECT_EQ(partial.message, "Unexpected EOF");
}

TEST(ParserErrorTest, ExpectationsComeFromTheFarthestCharacterTests) {
  // Every keyword's first letter, once each and in grammar order; set tests
  // (the identifier) add nothing.
  EXPECT_EQ(fail("'", Parser_ParseComponentType, true).message,
            "Expected 'i', 'o', 'b', 'l', 'a', 'n', 'x' but got '\\''");
  // "xor" gets one letter further than the others, which clears them; the
  // character shown is still the one at the cursor, not at the farthest point.
  Failure ref = fail(" x", Parser_ParsePortRef, true);
  EXPECT_EQ(ref.message, "Expected 'o' but got ' '");
  EXPECT_EQ(ref.start, 0);
  EXPECT_EQ(ref.end, 2);
  // "b" might have begun the keyword "bus".
  EXPECT_EQ(fail("(a=b", Parser_ParseBusType, true).message, "Expected 'u' but got EOF");
  // Only set tests at the farthest point: nothing to list.
  EXPECT_EQ(fail("(a=q", Parser_ParseBusType, true).message, "Unexpected EOF");
}

TEST(ParserErrorTest, SuccessLeavesTheRecordUntouched) {
  Parser* p = Parser_New();
  Parser_SetInput(p, "and", 3);
  ll_parsing_error err{};
  std::int32_t cursor = -1;
  EXPECT_NE(Parser_ParseComponentType(p, &cursor, &err), nullptr);
  EXPECT_EQ(cursor, 3);
  EXPECT_EQ(err.message, nullptr);
  Parser_Delete(p);
  Parser_Delete(nullptr);
}

}  // namespace
