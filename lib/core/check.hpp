#pragma once

// VORN_CHECK(cond) guards invariants that only a bug in this program can
// break. It is on in every build: a broken invariant stops the run at once,
// naming the file and line, instead of producing a wrong result quietly.
#if VORN_FREESTANDING
#define VORN_CHECK(cond)           \
  do {                             \
    if (!(cond)) __builtin_trap(); \
  } while (false)
#else
namespace vorn::check_detail {
[[noreturn]] void checkFailed(const char* file, int line, const char* condition);
}  // namespace vorn::check_detail
#define VORN_CHECK(cond)                                                       \
  do {                                                                         \
    if (!(cond)) ::vorn::check_detail::checkFailed(__FILE__, __LINE__, #cond); \
  } while (false)
#endif

// Marks a point no valid program state reaches, such as the end of a switch
// that names every enumerator.
#define VORN_UNREACHABLE() VORN_CHECK(false && "unreachable")
