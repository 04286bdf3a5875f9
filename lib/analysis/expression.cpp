#include "analysis/expression.hpp"

namespace vorn::analysis {

namespace {

std::string_view andSign(Notation notation) { return notation == Notation::dot ? "·" : "*"; }

std::vector<std::string> literals(const Cube& cube, const std::vector<std::string>& names, bool negate) {
  std::vector<std::string> list;
  for (std::uint32_t var = 0; var < names.size(); ++var) {
    if (!(cube.care & (1u << var))) continue;
    bool plain = ((cube.value >> var) & 1) != static_cast<std::uint32_t>(negate);
    list.push_back(plain ? names[var] : names[var] + "'");
  }
  return list;
}

std::string join(const std::vector<std::string>& parts, std::string_view separator) {
  std::string text;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i > 0) text += separator;
    text += parts[i];
  }
  return text;
}

}  // namespace

std::vector<std::string> termLiterals(const Cube& cube, const std::vector<std::string>& names) {
  return literals(cube, names, false);
}

std::vector<std::string> clauseLiterals(const Cube& cube, const std::vector<std::string>& names) {
  return literals(cube, names, true);
}

std::string sumOfProducts(const Cover& cover, const std::vector<std::string>& names, Notation notation) {
  if (cover.cubes.empty()) return "0";
  std::vector<std::string> terms;
  for (const Cube& cube : cover.cubes) {
    if (cube.care == 0) return "1";
    terms.push_back(join(termLiterals(cube, names), andSign(notation)));
  }
  return join(terms, " + ");
}

std::string productOfSums(const Cover& complement_cover, const std::vector<std::string>& names, Notation notation) {
  if (complement_cover.cubes.empty()) return "1";
  std::vector<std::string> clauses;
  for (const Cube& cube : complement_cover.cubes) {
    if (cube.care == 0) return "0";
    std::vector<std::string> sum = clauseLiterals(cube, names);
    bool bracket = sum.size() > 1 && complement_cover.cubes.size() > 1;
    clauses.push_back(bracket ? "(" + join(sum, " + ") + ")" : join(sum, " + "));
  }
  return join(clauses, andSign(notation));
}

}  // namespace vorn::analysis
