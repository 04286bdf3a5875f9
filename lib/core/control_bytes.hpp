#pragma once

#include <optional>
#include <string>
#include <string_view>

// Control bytes in text that reaches a terminal inside a one-line message: a
// file name or import path could otherwise break the line, forge another one
// or send escape sequences.
namespace vorn::control_bytes {

// The printed form of a control byte: "\n", "\r" and "\t" for those three,
// "?" for every other byte below 0x20 and for DEL; nothing for other bytes.
std::optional<std::string_view> printedForm(unsigned char byte);

// Appends `text` to `out` with every control byte in its printed form; the
// C1 controls, written in UTF-8 as 0xC2 0x80 to 0xC2 0x9F, become "?" too.
// Every other byte, UTF-8 included, is kept.
void appendEscaped(std::string& out, std::string_view text);

}  // namespace vorn::control_bytes
