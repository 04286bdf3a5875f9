#include "core/control_bytes.hpp"

#include <gtest/gtest.h>

#include <string>

namespace vorn::control_bytes {
namespace {

std::string escaped(std::string_view text) {
  std::string out = "<";
  appendEscaped(out, text);
  return out;
}

TEST(ControlBytes, EveryByteOutsideTheControlsIsKept) {
  // Each of the 256 bytes alone: controls get their form, all others stay.
  for (int value = 0; value < 256; ++value) {
    const auto byte = static_cast<unsigned char>(value);
    const std::string one(1, static_cast<char>(byte));
    const bool control = byte < 0x20 || byte == 0x7F;
    EXPECT_EQ(printedForm(byte).has_value(), control) << value;
    const std::string expected = "<" + (control ? std::string(*printedForm(byte)) : one);
    EXPECT_EQ(escaped(one), expected) << value;
    if (control) {
      // The form never holds a byte that needs a form itself.
      const std::string_view form = *printedForm(byte);
      for (char c : form) EXPECT_FALSE(printedForm(static_cast<unsigned char>(c)).has_value());
    }
  }
}

TEST(ControlBytes, LinesCannotBeBrokenOrTerminalsSteered) {
  EXPECT_EQ(escaped("a\nb\r\tc"), "<a\\nb\\r\\tc");
  EXPECT_EQ(escaped("x\x1b[2Jy"), "<x?[2Jy");
  EXPECT_EQ(escaped(std::string("nul\0byte", 8)), "<nul?byte");
  // C1 controls in UTF-8 (CSI is U+009B) are controls too; other letters are not.
  EXPECT_EQ(escaped("\xc2\x9b"
                    "31m \xc2\x80 \xc2\x9f \xc2\xa0 \xc3\xa9"),
            "<?31m ? ? \xc2\xa0 \xc3\xa9");
  EXPECT_EQ(escaped("back\\slash 'quote'"), "<back\\slash 'quote'");
  EXPECT_EQ(escaped("\xc2"), "<\xc2");
}

}  // namespace
}  // namespace vorn::control_bytes
