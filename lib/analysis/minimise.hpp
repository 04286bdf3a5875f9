#pragma once

#include <cstdint>

#include "analysis/cube.hpp"
#include "analysis/function.hpp"

// Two-level minimisation: the fewest product terms, then the fewest
// literals, whose sum is 1 on every row where the function is 1 and 0 where
// it is 0 (don't-care rows are free).
namespace vorn::analysis {

// Up to this many variables the result is exact: every prime implicant, then
// a branch-and-bound cover.
inline constexpr std::uint32_t kExactVariables = 12;

// Exact up to kExactVariables (unless the cover search runs past its budget,
// when the best cover found so far comes back marked inexact); above that,
// up to kMaxVariables, an expand-and-prune heuristic, marked inexact.
Cover minimiseSop(const Function& function);

// Every prime implicant that covers at least one row where the function is 1.
std::vector<Cube> primeImplicants(const Function& function);

// The cheapest set of columns covering every row: rows[r] lists the columns
// covering row r, cost[c] is column c's cost. Exact unless the search needs
// more than `work_budget` steps (set scans and dominance pairs); then `exact`
// is false and the best set found is returned.
struct CoverChoice {
  std::vector<std::uint32_t> columns;
  bool exact = true;
};
CoverChoice solveCover(const std::vector<std::vector<std::uint32_t>>& rows, const std::vector<std::uint64_t>& cost,
                       std::uint64_t work_budget);

// An irredundant cover of prime implicants by expanding and pruning an
// initial sum of products; for functions too wide to list their primes.
Cover heuristicSop(const Function& function);

}  // namespace vorn::analysis
