#pragma once

#include <cstdint>
#include <vector>

// A Boolean function of up to 24 variables as its truth table: row r sets
// variable i to bit i of r, as the truth tables number their rows.
namespace vorn::analysis {

inline constexpr std::uint32_t kMaxVariables = 24;

struct Function {
  std::uint32_t vars = 0;
  std::vector<std::uint64_t> on;  // rows where the function is 1
  std::vector<std::uint64_t> dc;  // rows whose value does not matter

  bool value(std::uint64_t row) const { return (on[row >> 6] >> (row & 63)) & 1; }
  bool dontCare(std::uint64_t row) const { return (dc[row >> 6] >> (row & 63)) & 1; }
};

// Words holding 2^vars rows (at least one).
std::size_t wordCount(std::uint32_t vars);
// The bits of the rows that exist in the last word (all ones from 6 variables on).
std::uint64_t rowMask(std::uint32_t vars);
// An all-zero function of `vars` variables.
Function emptyFunction(std::uint32_t vars);
void setRow(std::vector<std::uint64_t>& bits, std::uint64_t row);

// Whether some change of variable `var` alone changes the value between two
// cared-for rows.
bool dependsOn(const Function& function, std::uint32_t var);
// The function of the variables in `keep` only (ascending); the others must
// not matter. Rows that are don't-care for every value of the dropped
// variables stay don't-care.
Function restrictTo(const Function& function, const std::vector<std::uint32_t>& keep);
// 1 where the function is 0 and cared for.
Function complement(const Function& function);

}  // namespace vorn::analysis
