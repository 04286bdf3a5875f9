#pragma once

// Lookups between the columns of primitive_kinds.def. Each module that owns
// one of the kind enumerations lists its column from the table in row order
// and asserts that it is a permutation of the enumeration's values; a
// conversion between two columns is then an array indexed by the source
// value. Freestanding: the runtime module compiles it.
#include <stddef.h>
#include <stdint.h>

#include "core/check.hpp"

#if !VORN_FREESTANDING
#include <string_view>
#endif

namespace vorn::primitive_kinds {

#if !VORN_FREESTANDING
// The one output port of every primitive, which a source reference without a
// port means.
inline constexpr std::string_view kOutputPort = "out";
#endif

inline constexpr size_t kCount = 0
#define VORN_PRIMITIVE(...) +1
#include "core/primitive_kinds.def"
    ;

// True when `column` holds each of 0 .. kCount-1 exactly once, so that the
// enumeration and the table name the same kinds and every value converts.
template <typename Kind>
constexpr bool isPermutation(const Kind (&column)[kCount]) {
  bool seen[kCount] = {};
  for (Kind kind : column) {
    size_t value = size_t(kind);
    if (value >= kCount || seen[value]) return false;
    seen[value] = true;
  }
  return true;
}

// One column of the table indexed by the values of another.
template <typename From, typename To>
struct Conversion {
  To by_value[kCount];

  constexpr bool has(uint8_t value) const { return value < kCount; }
  constexpr const To& operator[](From from) const {
    VORN_CHECK(size_t(from) < kCount);
    return by_value[size_t(from)];
  }
};

template <typename From, typename To>
constexpr Conversion<From, To> conversion(const From (&from)[kCount], const To (&to)[kCount]) {
  Conversion<From, To> result{};
  for (size_t row = 0; row < kCount; ++row) result.by_value[size_t(from[row])] = to[row];
  return result;
}

}  // namespace vorn::primitive_kinds
