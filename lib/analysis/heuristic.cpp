#include <algorithm>
#include <bit>

#include "analysis/minimise.hpp"
#include "core/check.hpp"

namespace vorn::analysis {

namespace {

using Words = std::vector<std::uint64_t>;

// Past this many terms a sum of products explains nothing; the heuristic
// stops rather than run on.
constexpr std::size_t kMaxTerms = 1u << 16;

// A cover of every row set in `lower` using only rows set in `upper`, after
// Minato and Morreale: split on the top variable, cover what only one half
// needs in that half, and the rest with terms free of the variable. `covered`
// receives the rows the cover is 1 on.
class Isop {
 public:
  explicit Isop(std::size_t limit) : limit_(limit) {}

  std::vector<Cube> run(const Words& lower, const Words& upper, std::uint32_t vars, Words& covered) {
    std::vector<Cube> cubes;
    if (vars <= 6) {
      covered.assign(1, 0);
      covered[0] = word(lower[0], upper[0], vars, cubes);
    } else {
      covered = wide(lower.data(), upper.data(), vars, cubes);
    }
    return cubes;
  }
  bool overflowed() const { return overflowed_; }

 private:
  std::uint64_t word(std::uint64_t lower, std::uint64_t upper, std::uint32_t vars, std::vector<Cube>& cubes) {
    const std::uint64_t mask = rowMask(vars);
    lower &= mask;
    if (lower == 0 || overflowed_) return 0;
    if ((upper & mask) == mask) {
      add(cubes, Cube{});
      return mask;
    }
    const std::uint32_t x = vars - 1, half = 1u << x;
    const std::uint64_t half_mask = rowMask(x);
    std::uint64_t l0 = lower & half_mask, l1 = (lower >> half) & half_mask;
    std::uint64_t u0 = upper & half_mask, u1 = (upper >> half) & half_mask;
    std::size_t first = cubes.size();
    std::uint64_t r0 = word(l0 & ~u1, u0, x, cubes);
    mark(cubes, first, x, false);
    first = cubes.size();
    std::uint64_t r1 = word(l1 & ~u0, u1, x, cubes);
    mark(cubes, first, x, true);
    std::uint64_t rest = word((l0 & ~r0) | (l1 & ~r1), u0 & u1, x, cubes);
    return (r0 | rest) | ((r1 | rest) << half);
  }

  // The halves are read in place: only the parts each step builds are new.
  Words wide(const std::uint64_t* lower, const std::uint64_t* upper, std::uint32_t vars, std::vector<Cube>& cubes) {
    const std::size_t n = wordCount(vars), half = n / 2;
    bool empty = true, full = true;
    for (std::size_t w = 0; w < n; ++w) {
      empty = empty && lower[w] == 0;
      full = full && upper[w] == ~0ull;
    }
    if (empty || overflowed_) return Words(n, 0);
    if (full) {
      add(cubes, Cube{});
      return Words(n, ~0ull);
    }
    const std::uint32_t x = vars - 1;
    const std::uint64_t *l0 = lower, *l1 = lower + half, *u0 = upper, *u1 = upper + half;
    Words a(half), b(half), both(half);
    for (std::size_t w = 0; w < half; ++w) {
      a[w] = l0[w] & ~u1[w];
      b[w] = l1[w] & ~u0[w];
      both[w] = u0[w] & u1[w];
    }
    std::size_t first = cubes.size();
    Words r0 = narrower(a.data(), u0, x, cubes);
    mark(cubes, first, x, false);
    first = cubes.size();
    Words r1 = narrower(b.data(), u1, x, cubes);
    mark(cubes, first, x, true);
    for (std::size_t w = 0; w < half; ++w) a[w] = (l0[w] & ~r0[w]) | (l1[w] & ~r1[w]);
    Words rest = narrower(a.data(), both.data(), x, cubes);
    Words covered(n);
    for (std::size_t w = 0; w < half; ++w) {
      covered[w] = r0[w] | rest[w];
      covered[half + w] = r1[w] | rest[w];
    }
    return covered;
  }

  Words narrower(const std::uint64_t* lower, const std::uint64_t* upper, std::uint32_t vars, std::vector<Cube>& cubes) {
    if (vars > 6) return wide(lower, upper, vars, cubes);
    return Words{word(lower[0], upper[0], vars, cubes)};
  }

  void add(std::vector<Cube>& cubes, Cube cube) {
    if (cubes.size() >= limit_) {
      overflowed_ = true;
      return;
    }
    cubes.push_back(cube);
  }

  static void mark(std::vector<Cube>& cubes, std::size_t first, std::uint32_t var, bool value) {
    for (std::size_t i = first; i < cubes.size(); ++i) {
      cubes[i].care |= 1u << var;
      if (value) cubes[i].value |= 1u << var;
    }
  }

  std::size_t limit_;
  bool overflowed_ = false;
};

// Frees each literal whose removal keeps the term inside `upper`: every term
// becomes a prime implicant. Terms now inside others go in dropRedundant.
void expand(std::vector<Cube>& cubes, std::uint32_t vars, const Words& upper) {
  for (Cube& cube : cubes) {
    for (std::uint32_t var = 0; var < vars; ++var) {
      if (!(cube.care & (1u << var))) continue;
      Cube wider{cube.care & ~(1u << var), cube.value & ~(1u << var)};
      if (cubeInside(wider, vars, upper)) cube = wider;
    }
  }
}

// How many kept terms cover each row, as bit planes per word of rows (enough
// planes for every term at once, so a count never saturates): a term adds or
// removes its rows a word at a time.
class RowCounts {
 public:
  RowCounts(std::size_t words, std::size_t most)
      : planes_(std::max<std::size_t>(std::bit_width(most), 2)), bits_(words * planes_, 0) {}

  void add(std::uint64_t word, std::uint64_t rows) {
    std::uint64_t* plane = &bits_[word * planes_];
    for (std::size_t k = 0; k < planes_ && rows != 0; ++k) {
      const std::uint64_t carry = plane[k] & rows;
      plane[k] ^= rows;
      rows = carry;
    }
  }
  void remove(std::uint64_t word, std::uint64_t rows) {
    std::uint64_t* plane = &bits_[word * planes_];
    for (std::size_t k = 0; k < planes_ && rows != 0; ++k) {
      const std::uint64_t borrow = ~plane[k] & rows;
      plane[k] ^= rows;
      rows = borrow;
    }
  }
  // The rows of the word that at most one term covers.
  std::uint64_t atMostOnce(std::uint64_t word) const {
    const std::uint64_t* plane = &bits_[word * planes_];
    std::uint64_t twice = 0;
    for (std::size_t k = 1; k < planes_; ++k) twice |= plane[k];
    return ~twice;
  }

 private:
  std::size_t planes_;
  std::vector<std::uint64_t> bits_;
};

// Drops, widest-literal first, every term whose needed rows the others
// cover too.
void dropRedundant(std::vector<Cube>& cubes, std::uint32_t vars, const Words& lower) {
  RowCounts count(wordCount(vars), cubes.size());
  for (const Cube& cube : cubes) {
    forEachWord(cube, vars, [&](std::uint64_t word, std::uint64_t rows) {
      count.add(word, rows);
      return true;
    });
  }
  std::vector<std::size_t> order(cubes.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t x, std::size_t y) { return cubes[x].literals() > cubes[y].literals(); });
  std::vector<bool> dropped(cubes.size(), false);
  for (std::size_t i : order) {
    bool needed = false;
    forEachWord(cubes[i], vars, [&](std::uint64_t word, std::uint64_t rows) {
      needed = (rows & count.atMostOnce(word) & lower[word]) != 0;
      return !needed;
    });
    if (needed) continue;
    dropped[i] = true;
    forEachWord(cubes[i], vars, [&](std::uint64_t word, std::uint64_t rows) {
      count.remove(word, rows);
      return true;
    });
  }
  std::vector<Cube> kept;
  for (std::size_t i = 0; i < cubes.size(); ++i) {
    if (!dropped[i]) kept.push_back(cubes[i]);
  }
  cubes = std::move(kept);
}

}  // namespace

Cover heuristicSop(const Function& function) {
  const std::uint32_t vars = function.vars;
  VORN_CHECK(vars <= kMaxVariables);
  Words upper(function.on.size());
  for (std::size_t w = 0; w < upper.size(); ++w) upper[w] = function.on[w] | function.dc[w];
  Isop isop(kMaxTerms);
  Words covered;
  Cover cover{.cubes = isop.run(function.on, upper, vars, covered), .exact = false};
  if (isop.overflowed()) return Cover{.cubes = {}, .exact = false, .too_large = true};
  expand(cover.cubes, vars, upper);
  dropRedundant(cover.cubes, vars, function.on);
  return cover;
}

}  // namespace vorn::analysis
