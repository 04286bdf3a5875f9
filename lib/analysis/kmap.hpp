#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "analysis/cube.hpp"

// Karnaugh maps of 2 to 6 variables: one map up to 4 variables, and two or
// four 4×4 maps for 5 and 6, rows, columns and maps in Gray-code order.
namespace vorn::analysis {

inline constexpr std::uint32_t kMapMinVariables = 2;
inline constexpr std::uint32_t kMapMaxVariables = 6;

// One side of the maps: its variables, and the codes in Gray order. A code's
// label reads the variables' values in the order listed ("01": the first
// variable 0, the second 1).
struct MapAxis {
  std::vector<std::uint32_t> vars;
  std::vector<std::uint32_t> codes;  // bit j: the value of vars[j]

  std::string label(std::uint32_t code) const;
  std::uint64_t rowBits(std::uint32_t code) const;  // the function rows' bits this code sets
};

struct MapCell {
  std::uint32_t map = 0, row = 0, col = 0;
  friend bool operator==(const MapCell&, const MapCell&) = default;
};

struct KarnaughMap {
  MapAxis maps, rows, cols;  // `maps` is empty below 5 variables
  // The function's row shown in a cell.
  std::uint64_t functionRow(const MapCell& cell) const {
    return maps.rowBits(maps.codes[cell.map]) | rows.rowBits(rows.codes[cell.row]) | cols.rowBits(cols.codes[cell.col]);
  }
  std::uint32_t mapCount() const { return static_cast<std::uint32_t>(maps.codes.size()); }
};

// The layout for `vars` variables (kMapMinVariables to kMapMaxVariables).
KarnaughMap karnaughMap(std::uint32_t vars);

// The cells of a term, map by map, row by row.
std::vector<MapCell> cellsOf(const KarnaughMap& map, const Cube& cube);

}  // namespace vorn::analysis
