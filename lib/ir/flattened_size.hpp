#pragma once

#include <cstdint>

#include "ir/types.hpp"

// How big a project becomes once every sub-circuit instance is expanded into
// primitives. A few kilobytes of source can describe billions of components
// (each file instantiating the next one twice), so the back ends that expand
// the project check this first and refuse instead of exhausting memory.
namespace vorn::flattened_size {

struct FlattenedSize {
  std::uint64_t components = 0;  // primitives after expansion
  std::uint64_t frames = 0;      // enclosing instances summed over those primitives
};

// Limits of a project that the expanding back ends accept: a few gigabytes
// of memory at most.
inline constexpr std::uint64_t kMaxComponents = std::uint64_t{1} << 22;
inline constexpr std::uint64_t kMaxFrames = std::uint64_t{1} << 23;

// The size of the root file's expansion. Counts saturate instead of
// overflowing; a sub-circuit that contains its own file counts as endless.
// Instances whose alias names no import are not counted.
FlattenedSize measure(const types::Project& project);

bool fitsLimits(const types::Project& project);

}  // namespace vorn::flattened_size
