#pragma once

#include <string>
#include <vector>

#include "analysis/cube.hpp"

// Sums of products and products of sums as text. Literals are input names,
// a complement is a trailing apostrophe (b'); a product joins literals with
// "·" (or "*" in the plain-text notation), a sum with " + "; a sum of more
// than one literal inside a product is parenthesised. The constants are 0
// and 1.
namespace vorn::analysis {

enum class Notation : std::uint8_t { dot, plain };

// The literals of a term, in variable order ("a", "b'").
std::vector<std::string> termLiterals(const Cube& cube, const std::vector<std::string>& names);
// The literals of the sum a term of the complement's cover stands for.
std::vector<std::string> clauseLiterals(const Cube& cube, const std::vector<std::string>& names);

std::string sumOfProducts(const Cover& cover, const std::vector<std::string>& names, Notation notation);
// `complement_cover` minimises the function's complement.
std::string productOfSums(const Cover& complement_cover, const std::vector<std::string>& names, Notation notation);

}  // namespace vorn::analysis
