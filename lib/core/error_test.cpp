#include "core/check.hpp"
#include "core/error.hpp"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace vorn {
namespace {

TEST(ErrorNames, EveryErrorHasItsOwnSpelling) {
  // The names are the enumerators' own spellings, so they are distinct and
  // none falls through to the switch's default.
  std::set<std::string_view> seen;
  int count = 0;
#define VORN_ERROR(name)                                      \
  EXPECT_EQ(errorName(Error::name), std::string_view(#name)); \
  seen.insert(errorName(Error::name));                        \
  ++count;
#include "core/errors.def"
#undef VORN_ERROR
  EXPECT_EQ(seen.size(), static_cast<size_t>(count));
  EXPECT_EQ(errorName(Error::OutOfMemory), "OutOfMemory");
  EXPECT_EQ(errorName(Error::TooManyPins), "TooManyPins");
}

Result<int> half(int value) {
  if (value % 2 != 0) return fail(Error::InvalidFlagValue);
  return value / 2;
}

Result<void> requireEven(int value) {
  if (value % 2 != 0) return fail(Error::InvalidTopology);
  return {};
}

// Steps twice through VORN_TRY and once through VORN_TRY_VOID; counts how far
// it got so a test can see that a failure stops at once.
Result<int> quarterOfEven(int value, int& steps) {
  VORN_TRY(int halved, half(value));
  ++steps;
  VORN_TRY_VOID(requireEven(halved));
  ++steps;
  VORN_TRY(const int quartered, half(halved));
  ++steps;
  return quartered;
}

TEST(ErrorPropagation, TryReturnsTheFirstFailureAndOtherwiseTheValue) {
  int steps = 0;
  EXPECT_EQ(quarterOfEven(12, steps), 3);
  EXPECT_EQ(steps, 3);
  steps = 0;
  EXPECT_EQ(quarterOfEven(7, steps), fail(Error::InvalidFlagValue));
  EXPECT_EQ(steps, 0);
  steps = 0;
  EXPECT_EQ(quarterOfEven(6, steps), fail(Error::InvalidTopology));
  EXPECT_EQ(steps, 1);
}

TEST(InvariantCheckDeathTest, NamesTheFileLineAndCondition) {
  int broken = 2;
  VORN_CHECK(broken == 2);
  EXPECT_DEATH(VORN_CHECK(broken == 3), "error_test\\.cpp:[0-9]+: internal check failed: broken == 3");
}

}  // namespace
}  // namespace vorn
