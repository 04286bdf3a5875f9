#include "log/log.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace vorn::log {
namespace {

void collect(void* target, const char* text, size_t length) {
  static_cast<std::string*>(target)->append(text, length);
}

TEST(LogTest, LinesCarryPrefixAndNewline) {
  std::string out;
  setSink(collect, &out);
  line().begin().append("n=").appendDecimal(0).append(" max=").appendDecimal(UINT64_MAX).finish();
  line().begin().appendCString("second").finish();
  setSink(nullptr, nullptr);
  EXPECT_FALSE(enabled());
  line().begin().append("dropped").finish();
  EXPECT_EQ(out, "info(log): n=0 max=18446744073709551615\ninfo(log): second\n");
}

TEST(LogTest, OverlongLinesAreCut) {
  std::string out;
  setSink(collect, &out);
  Line& current = line().begin();
  for (int i = 0; i < 100; ++i) current.append("0123456789");
  current.appendDecimal(42);
  EXPECT_EQ(current.size(), Line::kCapacity);
  current.finish();
  setSink(nullptr, nullptr);
  EXPECT_EQ(out.size(), Line::kCapacity);
}

TEST(LogTest, DefaultSinkWritesToStandardError) {
  std::FILE* capture = std::tmpfile();
  ASSERT_NE(capture, nullptr);
  int saved = ::dup(2);
  ASSERT_GE(saved, 0);
  ASSERT_GE(::dup2(::fileno(capture), 2), 0);
  setSink(defaultSink(), nullptr);
  EXPECT_TRUE(enabled());
  line().begin().append("to fd 2").finish();
  ::dup2(saved, 2);
  ::close(saved);
  setSink(nullptr, nullptr);

  std::rewind(capture);
  char buffer[64] = {};
  size_t read = std::fread(buffer, 1, sizeof buffer, capture);
  std::fclose(capture);
  EXPECT_EQ(std::string(buffer, read), "info(log): to fd 2\n");
}

}  // namespace
}  // namespace vorn::log
