#include "core/json_text.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>

namespace vorn::json_text {
namespace {

// An independent reader: decodes the sequence its lead byte announces and
// judges the code point; the length of the valid character at `i`, or 0.
std::size_t decodedLength(const std::string& text, std::size_t i) {
  const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  std::size_t length = byte(i) < 0x80 ? 1 : byte(i) >> 5 == 6 ? 2 : byte(i) >> 4 == 14 ? 3 : byte(i) >> 3 == 30 ? 4 : 0;
  if (length == 0 || i + length > text.size()) return 0;
  std::uint32_t code_point = length == 1 ? byte(i) : byte(i) & (0x7F >> length);
  for (std::size_t k = 1; k < length; ++k) {
    if (byte(i + k) >> 6 != 2) return 0;
    code_point = code_point << 6 | (byte(i + k) & 0x3F);
  }
  const std::uint32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (code_point < smallest[length] || code_point > 0x10FFFF) return 0;
  if (code_point >= 0xD800 && code_point <= 0xDFFF) return 0;
  return length;
}

TEST(JsonText, EveryStringIsUtf8WithEachStrayByteReplaced) {
  EXPECT_EQ(
      [] {
        std::string out;
        appendString(out, "a\xFF\xC3\xA9\"\n\x01");
        return out;
      }(),
      "\"a\\ufffd\xC3\xA9\\\"\\n\\u0001\"");
  std::mt19937 random(41);
  // Bytes other than the quote, the backslash and controls, mostly above
  // 0x7F, so that valid and broken sequences of every length turn up.
  const auto randomByte = [&] {
    while (true) {
      auto byte = static_cast<unsigned char>(random() % 3 == 0 ? 0x20 + random() % 0x60 : 0x80 + random() % 0x80);
      if (byte != '"' && byte != '\\' && byte != 0x7F) return static_cast<char>(byte);
    }
  };
  for (int round = 0; round < 20000; ++round) {
    std::string text(random() % 10, '\0');
    for (char& c : text) c = randomByte();
    // Well-formed characters of each length now and then.
    if (round % 4 == 0) text.insert(random() % (text.size() + 1), round % 8 == 0 ? "\xF0\x9F\x92\xA1" : "\xE2\x82\xAC");
    std::string expected = "\"";
    for (std::size_t i = 0; i < text.size();) {
      std::size_t length = decodedLength(text, i);
      expected += length == 0 ? std::string("\\ufffd") : text.substr(i, length);
      i += length == 0 ? 1 : length;
    }
    expected += '"';
    std::string out;
    appendString(out, text);
    ASSERT_EQ(out, expected) << ::testing::PrintToString(text);
    for (std::size_t i = 0; i < out.size(); i += decodedLength(out, i)) ASSERT_NE(decodedLength(out, i), 0u);
  }
}

}  // namespace
}  // namespace vorn::json_text
