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

// The assignment's row number: input i is bit i (of the first 64 inputs).
std::uint64_t rowOf(const Witness& witness);

}  // namespace vorn::equiv
