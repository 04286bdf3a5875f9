#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

namespace vorn::json_text {

// The length of the well-formed UTF-8 character that starts `text` (1 to 4
// bytes), or 0 when its first byte starts none: a stray continuation byte, an
// overlong form, a surrogate, a code point past U+10FFFF or a cut sequence.
inline std::size_t utf8CharLength(std::string_view text) {
  if (text.empty()) return 0;
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  if (lead < 0x80) return 1;
  std::size_t length = 0;
  unsigned char low = 0x80;  // the second byte's range, narrowed against overlong forms and surrogates
  unsigned char high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (text.size() < length || byte(1) < low || byte(1) > high) return 0;
  for (std::size_t i = 2; i < length; ++i) {
    if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
  }
  return length;
}

// Appends the character at `text[i]`, a byte at or above 0x80: the UTF-8
// character as it is, or "\ufffd" (U+FFFD) for a byte that starts none, so
// that a JSON document stays UTF-8. Returns the bytes it took.
inline std::size_t appendNonAscii(std::string& out, std::string_view text, std::size_t i) {
  const std::size_t length = utf8CharLength(text.substr(i));
  if (length == 0) {
    out.append("\\ufffd");
    return 1;
  }
  out.append(text.substr(i, length));
  return length;
}

// Appends `text` as a JSON string: the quote, the backslash and control
// characters are escaped; UTF-8 is kept as it is, so a path is spelled with
// the bytes the text lines print, and each byte that is not part of a UTF-8
// character becomes U+FFFD (written "\ufffd"), so the document stays UTF-8.
inline void appendString(std::string& out, std::string_view text) {
  out.push_back('"');
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    auto byte = static_cast<unsigned char>(c);
    switch (c) {
      case '"': out.append("\\\""); break;
      case '\\': out.append("\\\\"); break;
      case '\n': out.append("\\n"); break;
      case '\r': out.append("\\r"); break;
      case '\t': out.append("\\t"); break;
      default:
        if (byte < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
          out.append(escaped);
        } else if (byte < 0x80) {
          out.push_back(c);
        } else {
          i += appendNonAscii(out, text, i) - 1;
        }
    }
  }
  out.push_back('"');
}

}  // namespace vorn::json_text
