#include "core/lexical_path.hpp"

#include <vector>

namespace vorn::lexical_path {

std::string normalizeLexically(std::string_view path) {
  const bool absolute = !path.empty() && path.front() == '/';
  std::vector<std::string_view> segments;
  std::size_t position = 0;
  while (position <= path.size()) {
    std::size_t slash = path.find('/', position);
    if (slash == std::string_view::npos) slash = path.size();
    std::string_view segment = path.substr(position, slash - position);
    position = slash + 1;
    if (segment.empty() || segment == ".") continue;
    if (segment == "..") {
      if (!segments.empty() && segments.back() != "..") {
        segments.pop_back();
      } else if (!absolute) {
        segments.push_back(segment);  // above the starting directory: keep it
      }
      // The parent of "/" is "/" itself.
      continue;
    }
    segments.push_back(segment);
  }
  std::string result = absolute ? "/" : "";
  for (std::size_t i = 0; i < segments.size(); ++i) {
    if (i > 0) result.push_back('/');
    result.append(segments[i]);
  }
  if (result.empty()) result = ".";
  return result;
}

}  // namespace vorn::lexical_path
