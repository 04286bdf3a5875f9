#include "memory/arena.hpp"

#include <gtest/gtest.h>

#include <cstdint>

#include "memory/vector.hpp"

namespace vorn::memory {
namespace {

TEST(ArenaTest, AlignsExtendsAndReleasesTheLatestAllocation) {
  Arena arena;
  auto* byte = static_cast<uint8_t*>(arena.allocate(1, 1));
  ASSERT_NE(byte, nullptr);
  void* wide = arena.allocate(24, 8);
  ASSERT_NE(wide, nullptr);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(wide) % 8, 0u);
  EXPECT_TRUE(arena.tryExtend(wide, 24, 4096));
  // Only the latest allocation can grow or be given back.
  EXPECT_FALSE(arena.tryExtend(byte, 1, 2));
  arena.release(wide, 4096);
  EXPECT_EQ(arena.allocate(8, 8), wide);
}

// Blocks go back to the system on reset and when the arena dies (the
// sanitizer build reports a leak or a double free otherwise).
TEST(ArenaTest, LargeRequestsGetTheirOwnBlockAndResetFreesEveryBlock) {
  Arena arena;
  const size_t big = size_t(3) << 20;
  auto* block = static_cast<uint8_t*>(arena.allocate(big, 16));
  ASSERT_NE(block, nullptr);
  block[0] = 1;
  block[big - 1] = 2;
  EXPECT_GE(arena.used(), big);
  EXPECT_EQ(arena.allocate(SIZE_MAX / 2, 8), nullptr);
  ASSERT_NE(arena.allocate(big, 16), nullptr);

  arena.reset();
  EXPECT_EQ(arena.used(), 0u);
  auto* fresh = static_cast<uint8_t*>(arena.allocate(64, 8));
  ASSERT_NE(fresh, nullptr);
  fresh[63] = 3;
  EXPECT_EQ(arena.used(), 64u);
}

TEST(VectorTest, GrowsKeepingContents) {
  Vector<uint32_t> first;
  Vector<uint64_t> second;
  // Interleaved growth forces copies as well as in-place extension.
  for (uint32_t i = 0; i < 100000; ++i) {
    ASSERT_TRUE(first.push(i));
    if (i % 3 == 0) {
      ASSERT_TRUE(second.push(uint64_t(i) << 20));
    }
  }
  ASSERT_EQ(first.size(), 100000u);
  ASSERT_EQ(second.size(), 33334u);
  for (uint32_t i = 0; i < first.size(); ++i) ASSERT_EQ(first[i], i);
  for (uint32_t i = 0; i < second.size(); ++i) ASSERT_EQ(second[i], uint64_t(3 * i) << 20);
  second.release();
  first.release();
  EXPECT_TRUE(first.empty());
}

}  // namespace
}  // namespace vorn::memory
