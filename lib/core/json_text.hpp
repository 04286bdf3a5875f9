#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace vorn::json_text {

// Appends `text` as a JSON string: the quote, the backslash and control
// characters are escaped; every other byte is kept as it is, so a path is
// spelled with the bytes the text lines print.
inline void appendString(std::string& out, std::string_view text) {
  out.push_back('"');
  for (char c : text) {
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
        } else {
          out.push_back(c);
        }
    }
  }
  out.push_back('"');
}

}  // namespace vorn::json_text
