#pragma once

#include <bit>
#include <cstdint>
#include <vector>

// A product term over up to 24 variables: `care` has a bit for every variable
// the term names, `value` the polarity of each (1 plain, 0 complemented).
namespace vorn::analysis {

struct Cube {
  std::uint32_t care = 0;
  std::uint32_t value = 0;

  int literals() const { return std::popcount(care); }
  bool covers(std::uint64_t row) const { return (static_cast<std::uint32_t>(row) & care) == value; }
  bool contains(const Cube& other) const { return (care & other.care) == care && (other.value & care) == value; }
  friend bool operator==(const Cube&, const Cube&) = default;
};

struct Cover {
  std::vector<Cube> cubes;
  bool exact = true;       // false when a heuristic chose it
  bool too_large = false;  // no cover: it would have too many terms to read

  int literals() const {
    int total = 0;
    for (const Cube& cube : cubes) total += cube.literals();
    return total;
  }
};

// Calls visit(word, mask) for every 64-row word the cube touches, with the
// bits of its rows in that word, until visit returns false.
template <typename Visit>
void forEachWord(const Cube& cube, std::uint32_t vars, Visit&& visit) {
  // The rows of a word where each of the six low variables is 1.
  static constexpr std::uint64_t kOnes[6] = {0xAAAAAAAAAAAAAAAAull, 0xCCCCCCCCCCCCCCCCull, 0xF0F0F0F0F0F0F0F0ull,
                                             0xFF00FF00FF00FF00ull, 0xFFFF0000FFFF0000ull, 0xFFFFFFFF00000000ull};
  const std::uint32_t low_vars = vars < 6 ? vars : 6;
  std::uint64_t mask = low_vars == 6 ? ~0ull : (1ull << (1u << low_vars)) - 1;
  for (std::uint32_t var = 0; var < low_vars; ++var) {
    if (cube.care & (1u << var)) mask &= (cube.value & (1u << var)) ? kOnes[var] : ~kOnes[var];
  }
  if (vars <= 6) {
    visit(std::uint64_t{0}, mask);
    return;
  }
  const std::uint64_t high_free = ~(cube.care >> 6) & ((1ull << (vars - 6)) - 1);
  const std::uint64_t high_value = cube.value >> 6;
  std::uint64_t subset = 0;
  do {
    if (!visit(high_value | subset, mask)) return;
    subset = (subset - high_free) & high_free;
  } while (subset != 0);
}

// Whether every row of the cube is set in `bits`.
inline bool cubeInside(const Cube& cube, std::uint32_t vars, const std::vector<std::uint64_t>& bits) {
  bool inside = true;
  forEachWord(cube, vars, [&](std::uint64_t word, std::uint64_t mask) {
    inside = (bits[word] & mask) == mask;
    return inside;
  });
  return inside;
}

}  // namespace vorn::analysis
