#include "truth_table/vcd.hpp"

#include <gtest/gtest.h>

#include <cctype>
#include <optional>
#include <random>
#include <string>

namespace vorn::vcd {
namespace {

// Reads an escaped name back: "$" + two hex digits is one byte, a lone "$"
// the empty name. Empty optional for text that no name escapes to.
std::optional<std::string> unescape(const std::string& text) {
  if (text == "$") return std::string();
  std::string name;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c != '$') {
      name.push_back(c);
      continue;
    }
    if (i + 2 >= text.size()) return std::nullopt;
    auto hex = [](char digit) { return digit >= 'A' ? digit - 'A' + 10 : digit - '0'; };
    name.push_back(static_cast<char>(hex(text[i + 1]) * 16 + hex(text[i + 2])));
    i += 2;
  }
  return name;
}

TEST(VcdNames, EscapingIsReversibleAndLegal) {
  EXPECT_EQ(escapeName("h1_c"), "h1_c");
  EXPECT_EQ(escapeName("my top"), "my$20top");
  EXPECT_EQ(escapeName("a.b[0]$"), "a$2Eb$5B0$5D$24");
  EXPECT_EQ(escapeName(""), "$");
  std::mt19937 random(11);
  for (int round = 0; round < 2000; ++round) {
    std::string name(random() % 12, '\0');
    for (char& c : name) c = static_cast<char>(random() % 4 == 0 ? random() % 256 : "ab_Z09$. "[random() % 9]);
    std::string escaped = escapeName(name);
    for (char c : escaped) {
      ASSERT_TRUE(std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$') << escaped;
    }
    ASSERT_EQ(unescape(escaped), name) << escaped;
  }
}

}  // namespace
}  // namespace vorn::vcd
