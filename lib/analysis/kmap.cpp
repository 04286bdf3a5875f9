#include "analysis/kmap.hpp"

#include "core/check.hpp"

namespace vorn::analysis {

namespace {

MapAxis axis(std::vector<std::uint32_t> vars) {
  MapAxis result{.vars = std::move(vars), .codes = {}};
  // Gray order of the labels, the first variable the most significant digit.
  static constexpr std::uint32_t kGray1[] = {0, 1};
  static constexpr std::uint32_t kGray2[] = {0b00, 0b10, 0b11, 0b01};  // labels 00, 01, 11, 10
  switch (result.vars.size()) {
    case 0: result.codes = {0}; break;
    case 1: result.codes.assign(std::begin(kGray1), std::end(kGray1)); break;
    case 2: result.codes.assign(std::begin(kGray2), std::end(kGray2)); break;
    default: VORN_UNREACHABLE();
  }
  return result;
}

}  // namespace

std::string MapAxis::label(std::uint32_t code) const {
  std::string text;
  for (std::size_t j = 0; j < vars.size(); ++j) text += ((code >> j) & 1) ? '1' : '0';
  return text;
}

std::uint64_t MapAxis::rowBits(std::uint32_t code) const {
  std::uint64_t bits = 0;
  for (std::size_t j = 0; j < vars.size(); ++j) bits |= static_cast<std::uint64_t>((code >> j) & 1) << vars[j];
  return bits;
}

KarnaughMap karnaughMap(std::uint32_t vars) {
  VORN_CHECK(vars >= kMapMinVariables && vars <= kMapMaxVariables);
  switch (vars) {
    case 2: return KarnaughMap{axis({}), axis({0}), axis({1})};
    case 3: return KarnaughMap{axis({}), axis({0}), axis({1, 2})};
    case 4: return KarnaughMap{axis({}), axis({0, 1}), axis({2, 3})};
    case 5: return KarnaughMap{axis({4}), axis({0, 1}), axis({2, 3})};
    default: return KarnaughMap{axis({4, 5}), axis({0, 1}), axis({2, 3})};
  }
}

std::vector<MapCell> cellsOf(const KarnaughMap& map, const Cube& cube) {
  std::vector<MapCell> cells;
  for (std::uint32_t m = 0; m < map.mapCount(); ++m) {
    for (std::uint32_t r = 0; r < map.rows.codes.size(); ++r) {
      for (std::uint32_t c = 0; c < map.cols.codes.size(); ++c) {
        MapCell cell{m, r, c};
        if (cube.covers(map.functionRow(cell))) cells.push_back(cell);
      }
    }
  }
  return cells;
}

}  // namespace vorn::analysis
