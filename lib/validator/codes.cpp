#include "validator/codes.hpp"

namespace vorn::codes {

std::string formatTemplate(std::string_view text, std::span<const std::string_view> args) {
  std::size_t size = text.size();
  for (std::string_view arg : args) size += arg.size();
  std::string result;
  result.reserve(size);
  std::size_t copied = 0;
  for (std::size_t i = text.find('{'); i != std::string_view::npos; i = text.find('{', i + 1)) {
    if (i + 2 >= text.size() || text[i + 2] != '}' || text[i + 1] < '0' || text[i + 1] > '9') continue;
    const auto index = static_cast<std::size_t>(text[i + 1] - '0');
    // A placeholder without an argument stays visible rather than vanishing.
    if (index >= args.size()) continue;
    result.append(text.substr(copied, i - copied));
    result.append(args[index]);
    copied = i + 3;
    i += 2;
  }
  result.append(text.substr(copied));
  return result;
}

}  // namespace vorn::codes
