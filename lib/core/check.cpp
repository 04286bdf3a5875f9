#include "core/check.hpp"

#include <cstdio>
#include <cstdlib>

namespace vorn::check_detail {

void checkFailed(const char* file, int line, const char* condition) {
  std::fflush(stdout);
  std::fprintf(stderr, "%s:%d: internal check failed: %s\n", file, line, condition);
  std::fflush(stderr);
  std::abort();
}

}  // namespace vorn::check_detail
