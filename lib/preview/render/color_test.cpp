#include "preview/render/color.hpp"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

namespace vorn::color {
namespace {

TEST(Color, ExplicitModesIgnoreTheEnvironment) {
  EXPECT_TRUE(shouldColor(ColorMode::always, std::string_view("1"), std::nullopt));
  EXPECT_TRUE(shouldColor(ColorMode::always, std::nullopt, std::nullopt));
  EXPECT_FALSE(shouldColor(ColorMode::never, std::nullopt, 1));
}

TEST(Color, AutoNeedsATerminalAndNoNoColorEvenAnEmptyOne) {
  int pipe_fds[2];
  ASSERT_EQ(::pipe(pipe_fds), 0);
  EXPECT_FALSE(shouldColor(ColorMode::auto_, std::nullopt, pipe_fds[1]));
  EXPECT_FALSE(shouldColor(ColorMode::auto_, std::nullopt, std::nullopt));
  ::close(pipe_fds[0]);
  ::close(pipe_fds[1]);

  const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
  if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) GTEST_SKIP() << "no pseudo-terminal";
  const int terminal = ::open(::ptsname(master), O_RDWR | O_NOCTTY);
  ASSERT_GE(terminal, 0);
  EXPECT_TRUE(shouldColor(ColorMode::auto_, std::nullopt, terminal));
  EXPECT_FALSE(shouldColor(ColorMode::auto_, std::string_view(""), terminal));
  EXPECT_FALSE(shouldColor(ColorMode::auto_, std::string_view("0"), terminal));
  ::close(terminal);
  ::close(master);
}

}  // namespace
}  // namespace vorn::color
