#include "topology/section_writer.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace vorn::section_writer {
namespace {

std::vector<std::uint8_t> leb(std::uint32_t value) {
  std::vector<std::uint8_t> out;
  writeLeb128(out, value);
  return out;
}

std::vector<std::uint8_t> filled(std::size_t size, std::uint8_t seed) {
  std::vector<std::uint8_t> bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = std::uint8_t(seed + i);
  return bytes;
}

std::vector<std::uint8_t> section(std::vector<std::uint8_t> size, const std::string& name,
                                  const std::vector<std::uint8_t>& payload) {
  std::vector<std::uint8_t> out{0x00};
  out.insert(out.end(), size.begin(), size.end());
  out.push_back(std::uint8_t(name.size()));
  out.insert(out.end(), name.begin(), name.end());
  out.insert(out.end(), payload.begin(), payload.end());
  return out;
}

TEST(SectionWriterTest, Leb128GroupsOfSevenBits) {
  EXPECT_EQ(leb(0), (std::vector<std::uint8_t>{0x00}));
  EXPECT_EQ(leb(127), (std::vector<std::uint8_t>{0x7F}));
  EXPECT_EQ(leb(128), (std::vector<std::uint8_t>{0x80, 0x01}));
  EXPECT_EQ(leb(16383), (std::vector<std::uint8_t>{0xFF, 0x7F}));
  EXPECT_EQ(leb(16384), (std::vector<std::uint8_t>{0x80, 0x80, 0x01}));
  EXPECT_EQ(leb(624485), (std::vector<std::uint8_t>{0xE5, 0x8E, 0x26}));
  EXPECT_EQ(leb(0xFFFFFFFFu), (std::vector<std::uint8_t>{0xFF, 0xFF, 0xFF, 0xFF, 0x0F}));
}

TEST(SectionWriterTest, AppendsBothSectionsAfterTheRuntime) {
  auto runtime = runtimeModuleBytes();
  ASSERT_GE(runtime.size(), 8u);
  EXPECT_EQ(std::string(runtime.begin(), runtime.begin() + 8), std::string("\0asm\1\0\0\0", 8));

  auto compact = filled(60, 1);
  auto full = filled(98, 101);
  auto combined = combineTwo(compact, full);
  ASSERT_TRUE(combined.has_value());
  std::vector<std::uint8_t> expected(runtime.begin(), runtime.end());
  for (auto part : {section({0x51}, "vorn.topology.v0.min", compact), section({0x78}, "vorn.topology.v0.full", full)}) {
    expected.insert(expected.end(), part.begin(), part.end());
  }
  EXPECT_EQ(*combined, expected);
  EXPECT_EQ(combined->capacity(), combined->size());
}

TEST(SectionWriterTest, TwoByteSectionSize) {
  auto compact = filled(107, 7);
  auto full = filled(13, 0);
  auto combined = combineTwo(compact, full);
  ASSERT_TRUE(combined.has_value());
  std::size_t at = runtimeModuleBytes().size();
  ASSERT_GT(combined->size(), at + 3);
  EXPECT_EQ((*combined)[at], 0x00);
  EXPECT_EQ((*combined)[at + 1], 0x80);
  EXPECT_EQ((*combined)[at + 2], 0x01);
  EXPECT_EQ((*combined)[at + 3], 0x14);
  EXPECT_EQ(combined->size(), at + 3 + 128 + 2 + 35);
}

TEST(SectionWriterTest, ShortPayloadsAreRefused) {
  auto ok_compact = filled(9, 0);
  auto ok_full = filled(13, 0);
  EXPECT_TRUE(combineTwo(ok_compact, ok_full).has_value());
  auto short_compact = filled(8, 0);
  auto short_full = filled(12, 0);
  EXPECT_EQ(combineTwo(short_compact, ok_full).error(), Error::TopologyTooShort);
  EXPECT_EQ(combineTwo(ok_compact, short_full).error(), Error::TopologyTooShort);
  EXPECT_EQ(combineTwo({}, {}).error(), Error::TopologyTooShort);
}

}  // namespace
}  // namespace vorn::section_writer
