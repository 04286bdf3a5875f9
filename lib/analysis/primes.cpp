#include "analysis/minimise.hpp"

#include "core/check.hpp"

namespace vorn::analysis {

namespace {

// Counts through the cubes' base-3 digits.
void nextDigits(std::vector<std::uint8_t>& digit) {
  for (std::uint8_t& d : digit) {
    if (++d < 3) return;
    d = 0;
  }
}

Cube cubeOf(const std::vector<std::uint8_t>& digit) {
  Cube cube;
  for (std::uint32_t i = 0; i < digit.size(); ++i) {
    if (digit[i] == 2) continue;
    cube.care |= 1u << i;
    cube.value |= static_cast<std::uint32_t>(digit[i]) << i;
  }
  return cube;
}

}  // namespace

// Every cube as a base-3 number (digit i: 0 or 1 fixes variable i, 2 leaves
// it free), so a cube's two halves along any free variable come before it.
std::vector<Cube> primeImplicants(const Function& function) {
  const std::uint32_t vars = function.vars;
  VORN_CHECK(vars <= kExactVariables);
  std::vector<std::uint32_t> power(vars + 1, 1);
  for (std::uint32_t i = 1; i <= vars; ++i) power[i] = power[i - 1] * 3;
  const std::uint32_t cubes = power[vars];
  // Bit 0: inside the on-set and don't-cares; bit 1: meets the on-set.
  std::vector<std::uint8_t> flags(cubes, 0);
  std::vector<std::uint8_t> digit(vars, 0);
  for (std::uint32_t index = 0; index < cubes; ++index, nextDigits(digit)) {
    std::uint32_t free_var = vars;
    for (std::uint32_t i = 0; i < vars && free_var == vars; ++i) {
      if (digit[i] == 2) free_var = i;
    }
    if (free_var == vars) {
      std::uint32_t row = cubeOf(digit).value;
      bool on = function.value(row);
      flags[index] = static_cast<std::uint8_t>((on || function.dontCare(row) ? 1 : 0) | (on ? 2 : 0));
    } else {
      std::uint32_t zero = index - 2 * power[free_var], one = index - power[free_var];
      flags[index] = static_cast<std::uint8_t>((flags[zero] & flags[one] & 1) | ((flags[zero] | flags[one]) & 2));
    }
  }
  // A prime: no cube with one more free variable is still an implicant.
  std::vector<Cube> primes;
  digit.assign(vars, 0);
  for (std::uint32_t index = 0; index < cubes; ++index, nextDigits(digit)) {
    if (flags[index] != 3) continue;
    bool prime = true;
    for (std::uint32_t i = 0; i < vars && prime; ++i) {
      if (digit[i] != 2) prime = (flags[index + (2 - digit[i]) * power[i]] & 1) == 0;
    }
    if (prime) primes.push_back(cubeOf(digit));
  }
  return primes;
}

}  // namespace vorn::analysis
