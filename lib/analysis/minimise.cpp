#include "analysis/minimise.hpp"

#include <algorithm>

namespace vorn::analysis {

namespace {

// Fewest terms first, then fewest literals.
constexpr std::uint64_t kTermCost = 1u << 20;
// Steps before the exact cover gives up and keeps its best so far: about a
// second. Deterministic, so the same function always gets the same answer.
constexpr std::uint64_t kWorkBudget = 150'000'000;

Cover exactSop(const Function& function) {
  std::vector<Cube> primes = primeImplicants(function);
  std::vector<std::int32_t> row_of(std::size_t{1} << function.vars, -1);
  std::vector<std::vector<std::uint32_t>> rows;
  for (std::uint32_t row = 0; row < row_of.size(); ++row) {
    if (!function.value(row)) continue;
    row_of[row] = static_cast<std::int32_t>(rows.size());
    rows.emplace_back();
  }
  std::vector<std::uint64_t> cost;
  for (std::uint32_t c = 0; c < primes.size(); ++c) {
    cost.push_back(kTermCost + static_cast<std::uint64_t>(primes[c].literals()));
    forEachWord(primes[c], function.vars, [&](std::uint64_t word, std::uint64_t mask) {
      for (; mask != 0; mask &= mask - 1) {
        std::int32_t r = row_of[word * 64 + static_cast<std::uint64_t>(std::countr_zero(mask))];
        if (r >= 0) rows[static_cast<std::size_t>(r)].push_back(c);
      }
      return true;
    });
  }
  CoverChoice choice = solveCover(rows, cost, kWorkBudget);
  Cover cover{.cubes = {}, .exact = choice.exact};
  for (std::uint32_t c : choice.columns) cover.cubes.push_back(primes[c]);
  return cover;
}

// Variable by variable: a plain literal, then a complemented one, then none.
bool readsBefore(const Cube& x, const Cube& y) {
  for (std::uint32_t var = 0; var < kMaxVariables; ++var) {
    auto rank = [var](const Cube& cube) {
      if (!(cube.care & (1u << var))) return 2;
      return (cube.value & (1u << var)) ? 0 : 1;
    };
    if (rank(x) != rank(y)) return rank(x) < rank(y);
  }
  return false;
}

}  // namespace

Cover minimiseSop(const Function& function) {
  bool any_on = false;
  for (std::uint64_t word : function.on) any_on = any_on || word != 0;
  if (!any_on) return Cover{};
  Cover cover = function.vars <= kExactVariables ? exactSop(function) : heuristicSop(function);
  std::sort(cover.cubes.begin(), cover.cubes.end(), readsBefore);
  return cover;
}

}  // namespace vorn::analysis
