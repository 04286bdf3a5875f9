#include "testing/golden_file.hpp"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace vorn::testing {

std::string goldenPath(std::string_view relative) {
  return std::string(VORN_SOURCE_DIR) + "/tests/golden/" + std::string(relative);
}

std::string goldenFile(std::string_view relative) {
  const std::string path = goldenPath(relative);
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "goldenFile: cannot read %s\n", path.c_str());
    std::abort();
  }
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string_view zigRuntimeTail(std::string_view zig) {
  const std::size_t start = zig.find("\nvar gpa = ");
  return start == std::string_view::npos ? std::string_view() : zig.substr(start + 1);
}

}  // namespace vorn::testing
