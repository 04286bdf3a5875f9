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

bool dependsOn(const Function& function, std::uint32_t var) {
  const std::uint64_t rows = std::uint64_t{1} << function.vars;
  const std::uint64_t step = std::uint64_t{1} << var;
  for (std::uint64_t row = 0; row < rows; ++row) {
    if (row & step) continue;
    const std::uint64_t other = row | step;
    if (function.dontCare(row) || function.dontCare(other)) continue;
    if (function.value(row) != function.value(other)) return true;
  }
  return false;
}

Function restrictTo(const Function& function, const std::vector<std::uint32_t>& keep) {
  Function result = emptyFunction(static_cast<std::uint32_t>(keep.size()));
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
