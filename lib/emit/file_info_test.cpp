#include <gtest/gtest.h>

#include <vector>

#include "emit/file_info.hpp"
#include "emit/file_info_format.hpp"

namespace vorn::file_info {
namespace {

using file_info_format::FileInfo;

TEST(EncodeFileInfo, LaysOutIntegersStringsAndPinsLittleEndian) {
  FileInfo info;
  info.source_name = "ab";
  info.compile_timestamp = "";
  info.compiler_version = "v";
  info.file_id = 0x01020304;
  info.component_count = 300;
  info.connection_count = 2;
  info.inputs = {{"i", 7}};
  info.outputs = {{"", 0xFFFFFFFF}, {"xy", 65536}};
  auto bytes = file_info_format::encodeFileInfo(info);
  ASSERT_TRUE(bytes.has_value());
  const std::vector<std::uint8_t> expected = {
      1, 0, 0, 0, 4,   3,   2,   1,   44,  1,  0, 0, 2,   0, 0,   0,  // schema, file, components, connections
      2, 0, 0, 0, 'a', 'b', 0,   0,   0,   0,  1, 0, 0,   0, 'v',     // three strings
      1, 0, 0, 0, 7,   0,   0,   0,   1,   0,  0, 0, 'i',             // one input
      2, 0, 0, 0, 255, 255, 255, 255, 0,   0,  0, 0,                  // two outputs
      0, 0, 1, 0, 2,   0,   0,   0,   'x', 'y'};
  EXPECT_EQ(*bytes, expected);
}

TEST(FileInfoConstants, FortyBytesMakeLinesOfSixteenSixteenAndEight) {
  FileInfo info;
  info.source_name = "a.vr";
  auto bytes = file_info_format::encodeFileInfo(info);
  ASSERT_TRUE(bytes.has_value());
  ASSERT_EQ(bytes->size(), 40u);

  writer::Writer out;
  ASSERT_TRUE(emitFileInfoConstants(out, info).has_value());
  EXPECT_EQ(out.toOwnedSlice(),
            "const file_info_blob: []const u8 = &.{\n"
            "    1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,\n"
            "    4, 0, 0, 0, 97, 46, 118, 114, 0, 0, 0, 0, 0, 0, 0, 0,\n"
            "    0, 0, 0, 0, 0, 0, 0, 0,\n"
            "};\n");
}

TEST(FileInfoConstants, ExactMultipleOfSixteenAndEmptyTable) {
  writer::Writer out;
  std::vector<std::uint8_t> bytes(32, 255);
  writeByteLines(out, bytes);
  writeByteLines(out, {});
  const std::string line = "255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255, 255,\n";
  EXPECT_EQ(out.toOwnedSlice(), line + line);
}

}  // namespace
}  // namespace vorn::file_info
