#include "analysis/minimise.hpp"

#include <gtest/gtest.h>

#include <vector>

#include "testing/random.hpp"

namespace vorn::analysis {
namespace {

// A function with each row on, off or don't-care at the given odds.
Function randomFunction(testing::Random& random, std::uint32_t vars, int on_percent, int dc_percent) {
  Function function = emptyFunction(vars);
  for (std::uint64_t row = 0; row < (std::uint64_t{1} << vars); ++row) {
    if (random.chance(dc_percent)) {
      setRow(function.dc, row);
    } else if (random.chance(on_percent)) {
      setRow(function.on, row);
    }
  }
  return function;
}

bool coverValue(const Cover& cover, std::uint64_t row) {
  for (const Cube& cube : cover.cubes) {
    if (cube.covers(row)) return true;
  }
  return false;
}

void expectImplements(const Cover& cover, const Function& function) {
  for (std::uint64_t row = 0; row < (std::uint64_t{1} << function.vars); ++row) {
    if (function.dontCare(row)) continue;
    ASSERT_EQ(coverValue(cover, row), function.value(row)) << "row " << row << " of " << function.vars;
  }
}

// The oracle lists cubes row by row, without the minimiser's base-3 table:
// a maximal implicant is one no cube with a literal fewer stays inside.
struct Oracle {
  const Function& function;
  std::vector<std::vector<std::uint32_t>> rows;  // maximal implicants covering each on-row
  std::vector<int> literals;
  std::size_t best_terms = 1000;
  int best_literals = 0;

  bool implicant(std::uint32_t care, std::uint32_t value) const {
    for (std::uint64_t row = 0; row < (std::uint64_t{1} << function.vars); ++row) {
      if ((row & care) == value && !function.value(row) && !function.dontCare(row)) return false;
    }
    return true;
  }

  explicit Oracle(const Function& f) : function(f) {
    const std::uint32_t all = (1u << f.vars) - 1;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> maximal;
    for (std::uint32_t care = 0; care <= all; ++care) {
      for (std::uint32_t value = care;; value = (value - 1) & care) {
        bool useful = false;
        for (std::uint64_t row = 0; row <= all; ++row) useful = useful || ((row & care) == value && f.value(row));
        if (useful && implicant(care, value)) {
          bool widest = true;
          for (std::uint32_t var = 0; var < f.vars && widest; ++var) {
            std::uint32_t bit = 1u << var;
            if (care & bit) widest = !implicant(care & ~bit, value & ~bit);
          }
          if (widest) maximal.emplace_back(care, value);
        }
        if (value == 0) break;
      }
    }
    for (std::uint64_t row = 0; row <= all; ++row) {
      if (!f.value(row)) continue;
      rows.emplace_back();
      for (std::uint32_t m = 0; m < maximal.size(); ++m) {
        if ((row & maximal[m].first) == maximal[m].second) rows.back().push_back(m);
      }
    }
    for (const auto& [care, value] : maximal) literals.push_back(std::popcount(care));
  }

  // Every cover, pruned only by the best (terms, literals) found so far.
  void search(std::vector<bool>& covered_rows, std::size_t terms, int lits) {
    if (terms > best_terms || (terms == best_terms && lits >= best_literals)) return;
    std::size_t pick = rows.size();
    for (std::size_t r = 0; r < rows.size() && pick == rows.size(); ++r) {
      if (!covered_rows[r]) pick = r;
    }
    if (pick == rows.size()) {
      best_terms = terms;
      best_literals = lits;
      return;
    }
    for (std::uint32_t m : rows[pick]) {
      std::vector<bool> next = covered_rows;
      for (std::size_t r = 0; r < rows.size(); ++r) {
        for (std::uint32_t other : rows[r]) next[r] = next[r] || other == m;
      }
      search(next, terms + 1, lits + literals[m]);
    }
  }
};

TEST(Minimise, FewestTermsThenLiteralsMatchAnExhaustiveSearch) {
  testing::Random random(40);
  for (int round = 0; round < 300; ++round) {
    const auto vars = static_cast<std::uint32_t>(random.between(1, 6));
    Function function = randomFunction(random, vars, vars == 6 ? 25 : 50, random.chance(50) ? 15 : 0);
    Cover cover = minimiseSop(function);
    expectImplements(cover, function);
    EXPECT_TRUE(cover.exact);
    Oracle oracle(function);
    std::vector<bool> none(oracle.rows.size(), false);
    oracle.search(none, 0, 0);
    if (oracle.rows.empty()) oracle.best_terms = 0;
    ASSERT_EQ(cover.cubes.size(), oracle.best_terms) << "round " << round;
    ASSERT_EQ(cover.literals(), oracle.best_literals) << "round " << round;
  }
}

// Up to twelve inputs exactly, and beyond by the heuristic: the sum is the
// function on every row it cares about, and the complement's sum too.
TEST(Minimise, SumsOfProductsEvaluateToTheFunctionOnEveryRow) {
  testing::Random random(41);
  for (int round = 0; round < 16; ++round) {
    const auto vars = static_cast<std::uint32_t>(random.between(7, round < 12 ? 12 : 16));
    Function function = randomFunction(random, vars, random.between(3, 30), random.chance(50) ? 10 : 0);
    Cover cover = minimiseSop(function);
    expectImplements(cover, function);
    if (vars > kExactVariables) {
      EXPECT_FALSE(cover.exact);
    }
    expectImplements(minimiseSop(complement(function)), complement(function));
  }
}

// A 12-input majority: each of the C(12,7) primes is the only one covering
// the rows with exactly seven inputs high.
TEST(Minimise, TwelveInputMajorityNeedsEveryPrime) {
  Function majority = emptyFunction(12);
  for (std::uint64_t row = 0; row < 4096; ++row) {
    if (std::popcount(row) >= 7) setRow(majority.on, row);
  }
  Cover cover = minimiseSop(majority);
  EXPECT_TRUE(cover.exact);
  EXPECT_EQ(cover.cubes.size(), 792u);
  EXPECT_EQ(cover.literals(), 792 * 7);
}

// The support and the narrowed function, word-parallel in the library, row
// by row here: functions that ignore some variables, with and without
// don't-cares, on both sides of the six variables a word holds.
TEST(Support, DependenceAndNarrowingMatchARowByRowReading) {
  testing::Random random(7);
  for (int round = 0; round < 40; ++round) {
    const auto vars = static_cast<std::uint32_t>(random.between(1, 10));
    const std::uint32_t ignored = static_cast<std::uint32_t>(random.between(0, (1 << vars) - 1));
    const int dc_percent = random.chance(50) ? 15 : 0;
    // Rows equal up to the ignored variables share a value.
    Function base = randomFunction(random, vars, 50, 0);
    Function function = emptyFunction(vars);
    for (std::uint64_t row = 0; row < (std::uint64_t{1} << vars); ++row) {
      if (random.chance(dc_percent)) {
        setRow(function.dc, row);
      } else if (base.value(row & ~std::uint64_t{ignored})) {
        setRow(function.on, row);
      }
    }
    std::vector<std::uint32_t> keep;
    for (std::uint32_t var = 0; var < vars; ++var) {
      bool differs = false;
      for (std::uint64_t row = 0; row < (std::uint64_t{1} << vars); ++row) {
        const std::uint64_t other = row ^ (std::uint64_t{1} << var);
        if (!function.dontCare(row) && !function.dontCare(other) && function.value(row) != function.value(other)) {
          differs = true;
        }
      }
      ASSERT_EQ(dependsOn(function, var), differs) << "round " << round << " variable " << var;
      if (differs) keep.push_back(var);
    }
    if (dc_percent != 0) continue;  // dropping variables needs them not to matter at all
    Function narrow = restrictTo(function, keep);
    ASSERT_EQ(narrow.vars, keep.size());
    for (std::uint64_t row = 0; row < (std::uint64_t{1} << vars); ++row) {
      std::uint64_t small = 0;
      for (std::size_t i = 0; i < keep.size(); ++i) small |= ((row >> keep[i]) & 1) << i;
      ASSERT_EQ(narrow.value(small), function.value(row)) << "round " << round << " row " << row;
      ASSERT_FALSE(narrow.dontCare(small));
    }
  }
}

}  // namespace
}  // namespace vorn::analysis
