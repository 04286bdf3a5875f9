#include "analysis/function.hpp"

#include "core/check.hpp"

namespace vorn::analysis {

std::size_t wordCount(std::uint32_t vars) { return vars <= 6 ? 1 : std::size_t{1} << (vars - 6); }

std::uint64_t rowMask(std::uint32_t vars) { return vars >= 6 ? ~0ull : (1ull << (1u << vars)) - 1; }

Function emptyFunction(std::uint32_t vars) {
  VORN_CHECK(vars <= kMaxVariables);
  return Function{.vars = vars,
                  .on = std::vector<std::uint64_t>(wordCount(vars)),
                  .dc = std::vector<std::uint64_t>(wordCount(vars))};
}

void setRow(std::vector<std::uint64_t>& bits, std::uint64_t row) { bits[row >> 6] |= 1ull << (row & 63); }

// Word by word: a variable below 6 pairs rows inside a word, a higher one
// pairs whole words.
bool dependsOn(const Function& function, std::uint32_t var) {
  const std::uint64_t mask = rowMask(function.vars);
  const std::vector<std::uint64_t>& on = function.on;
  const std::vector<std::uint64_t>& dc = function.dc;
  if (var < 6) {
    // The rows of each word where the variable is 0.
    static constexpr std::uint64_t kZeroRows[6] = {0x5555555555555555ull, 0x3333333333333333ull, 0x0F0F0F0F0F0F0F0Full,
                                                   0x00FF00FF00FF00FFull, 0x0000FFFF0000FFFFull, 0x00000000FFFFFFFFull};
    const std::uint32_t step = 1u << var;
    for (std::size_t w = 0; w < on.size(); ++w) {
      const std::uint64_t cared = ~(dc[w] | (dc[w] >> step));
      if ((on[w] ^ (on[w] >> step)) & cared & kZeroRows[var] & mask) return true;
    }
    return false;
  }
  const std::size_t stride = std::size_t{1} << (var - 6);
  for (std::size_t w = 0; w < on.size(); ++w) {
    if (w & stride) continue;
    if ((on[w] ^ on[w | stride]) & ~(dc[w] | dc[w | stride]) & mask) return true;
  }
  return false;
}

Function restrictTo(const Function& function, const std::vector<std::uint32_t>& keep) {
  if (keep.size() == function.vars) return function;  // ascending, so every variable in place
  Function result = emptyFunction(static_cast<std::uint32_t>(keep.size()));
  bool any_dc = false;
  for (std::uint64_t word : function.dc) any_dc = any_dc || word != 0;
  if (!any_dc) {
    // Every row is cared for and the dropped variables do not matter: the
    // row with all of them 0 stands for the others.
    for (std::uint64_t small = 0; small < (std::uint64_t{1} << keep.size()); ++small) {
      std::uint64_t row = 0;
      for (std::size_t i = 0; i < keep.size(); ++i) row |= ((small >> i) & 1) << keep[i];
      if (function.value(row)) setRow(result.on, small);
    }
    return result;
  }
  const std::uint64_t rows = std::uint64_t{1} << function.vars;
  std::vector<std::uint8_t> seen(std::size_t{1} << keep.size(), 0);
  for (std::uint64_t row = 0; row < rows; ++row) {
    std::uint64_t small = 0;
    for (std::size_t i = 0; i < keep.size(); ++i) small |= ((row >> keep[i]) & 1) << i;
    if (function.dontCare(row)) continue;
    seen[small] = 1;
    if (function.value(row)) setRow(result.on, small);
  }
  for (std::uint64_t small = 0; small < seen.size(); ++small) {
    if (!seen[small]) setRow(result.dc, small);
  }
  return result;
}

Function complement(const Function& function) {
  Function result = function;
  const std::uint64_t mask = rowMask(function.vars);
  for (std::size_t w = 0; w < result.on.size(); ++w) result.on[w] = ~function.on[w] & ~function.dc[w] & mask;
  return result;
}

}  // namespace vorn::analysis
