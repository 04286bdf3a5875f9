#include "validator/codes.hpp"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <type_traits>

#include "validator/diagnostics.hpp"

namespace vorn::codes {
namespace {

// Every "{" opens a "{n}" and every "}" closes one, and each of the
// arguments the text asks for is used, so no argument is silently dropped.
void expectWellFormed(std::string_view text) {
  std::set<std::size_t> used;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '}') ADD_FAILURE() << "stray '}' in: " << text;
    if (text[i] != '{') continue;
    if (i + 2 >= text.size() || text[i + 1] < '0' || text[i + 1] > '9' || text[i + 2] != '}') {
      ADD_FAILURE() << "malformed placeholder in: " << text;
      continue;
    }
    used.insert(static_cast<std::size_t>(text[i + 1] - '0'));
    i += 2;
  }
  EXPECT_EQ(used.size(), argumentCount(text)) << text;
}

TEST(CodesTest, TheTableHoldsEachCodeOnceInStoredOrderWithTheLevelOfItsLetter) {
  std::set<std::string_view> names;
  int errors = 0;
  int warnings = 0;
  for (std::size_t i = 0; i < std::size(kCodeTable); ++i) {
    const CodeTemplate& row = kCodeTable[i];
    SCOPED_TRACE(row.name);
    EXPECT_EQ(static_cast<std::size_t>(row.code), i);
    EXPECT_TRUE(names.insert(row.name).second);
    ASSERT_EQ(row.name.size(), 4u);
    // Errors come first, each group numbered from 001 without gaps.
    const int number = std::stoi(std::string(row.name.substr(1)));
    if (row.name[0] == 'E') {
      EXPECT_EQ(warnings, 0);
      EXPECT_EQ(number, ++errors);
      EXPECT_EQ(row.level, DiagnosticLevel::err);
    } else {
      EXPECT_EQ(row.name[0], 'W');
      EXPECT_EQ(number, ++warnings);
      EXPECT_EQ(row.level, DiagnosticLevel::warning);
    }
    expectWellFormed(row.default_message);
  }
  EXPECT_EQ(errors, 13);
  EXPECT_EQ(warnings, 4);
  for (std::size_t i = 0; i < std::size(kNoteTable); ++i) {
    EXPECT_EQ(static_cast<std::size_t>(kNoteTable[i].kind), i);
    expectWellFormed(kNoteTable[i].text);
  }
}

TEST(CodesTest, ArgumentsAreInsertedVerbatimAtEveryPlaceholder) {
  const std::string_view args[] = {"{1}", "b"};
  EXPECT_EQ(formatTemplate("{1}:{0}:{1} '{0}'", args), "b:{1}:b '{1}'");
  EXPECT_EQ(formatTemplate("", args), "");
  // Braces that are not a placeholder, and a placeholder with no argument, stay as written.
  EXPECT_EQ(formatTemplate("{x} {} {7} {0", args), "{x} {} {7} {0");
  const std::string_view none[] = {""};
  EXPECT_EQ(formatTemplate("'{0}'", none), "''");
}

// A call with the wrong number of arguments for its text must not compile.
static_assert(std::is_constructible_v<diagnostics::MessageArgs<2>, std::string_view, std::string>);
static_assert(!std::is_constructible_v<diagnostics::MessageArgs<2>, std::string_view>);
static_assert(!std::is_constructible_v<diagnostics::MessageArgs<2>, const char*, const char*, const char*>);
static_assert(!std::is_constructible_v<diagnostics::MessageArgs<1>, int>);

}  // namespace
}  // namespace vorn::codes
