#pragma once

#include <string>
#include <string_view>

namespace vorn::quoted_text {

// Appends `text` between double quotes with the tab, line feed, carriage
// return, quote and backslash escaped by a backslash; every other byte is
// kept as it is. Zig string literals and parse-tree dumps share this form.
inline void appendQuoted(std::string& out, std::string_view text) {
  out += '"';
  for (char byte : text) {
    switch (byte) {
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      default: out += byte; break;
    }
  }
  out += '"';
}

}  // namespace vorn::quoted_text
