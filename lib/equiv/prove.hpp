#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "core/error.hpp"
#include "equiv/aig.hpp"

// Decides, for each of a list of literals of one graph, whether some input
// assignment makes it true, and finds such an assignment.
namespace vorn::equiv {

// One value per input of the graph, 0 or 1.
using Witness = std::vector<std::uint8_t>;

// Without a solver (the browser build may lack one) the inputs are
// enumerated, up to this many.
inline constexpr std::size_t kMaxEnumeratedInputs = 24;

// Whether this build proves with a SAT solver.
bool haveSolver();

// Per literal: no witness when it is never true, else one, the smallest in
// row order (the first input the least significant bit) where that is
// cheap to find. Fails with TooManyInputs when there is no solver and more
// than kMaxEnumeratedInputs inputs.
Result<std::vector<std::optional<Witness>>> prove(const Aig& aig, std::span<const Lit> targets);

// Every assignment in row order, 64 at a time; the first true one per
// literal is the smallest. Needs at most kMaxEnumeratedInputs inputs.
std::vector<std::optional<Witness>> enumerate(const Aig& aig, std::span<const Lit> targets);

// Input i's values in the 64 rows from `first` (a multiple of 64) on: bit b
// of the word is bit i of row first + b.
inline std::uint64_t rowsWord(std::uint64_t first, std::size_t input) {
  constexpr std::uint64_t kLowInputWords[6] = {0xAAAAAAAAAAAAAAAAull, 0xCCCCCCCCCCCCCCCCull, 0xF0F0F0F0F0F0F0F0ull,
                                               0xFF00FF00FF00FF00ull, 0xFFFF0000FFFF0000ull, 0xFFFFFFFF00000000ull};
  if (input < 6) return kLowInputWords[input];
  return input < 64 && ((first >> input) & 1) != 0 ? ~std::uint64_t{0} : 0;
}

// The assignment's row number: input i is bit i (of the first 64 inputs).
std::uint64_t rowOf(const Witness& witness);

}  // namespace vorn::equiv
