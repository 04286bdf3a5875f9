#include "log/log.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

namespace vorn::log {
namespace {

void collect(void* target, const char* text, size_t length) { static_cast<std::string*>(target)->append(text, length); }

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

void collectPieces(void* target, const char* text, size_t length) {
  static_cast<std::vector<std::string>*>(target)->emplace_back(text, length);
}

// A sink other than standard error gets the lines in large runs of whole
// lines, in order, and nothing is lost when it is replaced mid-batch or when
// a flush falls in the middle of a line being built.
TEST(LogTest, OtherSinksGetWholeLinesInBatches) {
  std::vector<std::string> pieces;
  std::string expected;
  setSink(collectPieces, &pieces);
  uint64_t lines = 0;
  for (uint64_t i = 0; expected.size() < 2 * kBatchBytes + 100; ++i, ++lines) {
    line().begin().append("line ").appendDecimal(i * 7919).finish();
    expected += "info(log): line " + std::to_string(i * 7919) + "\n";
  }
  EXPECT_EQ(pieces.size(), 2u) << lines;
  Line& open = line().begin().append("half");
  flush();
  open.append(" and rest").finish();
  expected += "info(log): half and rest\n";
  setSink(nullptr, nullptr);

  std::string joined;
  for (size_t i = 0; i < pieces.size(); ++i) {
    const std::string& piece = pieces[i];
    ASSERT_FALSE(piece.empty());
    EXPECT_EQ(piece.rfind("info(log): ", 0), 0u) << i;
    EXPECT_EQ(piece.back(), '\n') << i;
    // Full batches are large enough for a buffered writer to pass them through.
    if (i + 2 < pieces.size()) {
      EXPECT_GE(piece.size(), kBatchBytes) << i;
    }
    joined += piece;
  }
  EXPECT_GE(pieces.size(), 3u);
  EXPECT_EQ(joined, expected);
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
