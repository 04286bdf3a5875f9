#include "core/control_bytes.hpp"

namespace vorn::control_bytes {

std::optional<std::string_view> printedForm(unsigned char byte) {
  switch (byte) {
    case '\n': return "\\n";
    case '\r': return "\\r";
    case '\t': return "\\t";
    default: break;
  }
  if (byte < 0x20 || byte == 0x7F) return "?";
  return std::nullopt;
}

void appendEscaped(std::string& out, std::string_view text) {
  // Nearly every text has nothing to escape: it is copied whole.
  const auto plain = [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 0x20 && byte != 0x7F && byte != 0xC2;
  };
  std::size_t i = 0;
  while (i < text.size() && plain(text[i])) ++i;
  out.append(text.substr(0, i));
  for (; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (std::optional<std::string_view> form = printedForm(byte)) {
      out.append(*form);
    } else if (byte == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
               static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
      out.push_back('?');
      ++i;
    } else {
      out.push_back(text[i]);
    }
  }
}

}  // namespace vorn::control_bytes
