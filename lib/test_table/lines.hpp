#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "test_table/table_error.hpp"

// Splits the text of a test table into lines of cells. The first line that
// is neither blank nor a "//" comment decides the form: Markdown when it
// starts with '|', CSV otherwise; every other line must be of that form.
namespace vorn::test_table {

enum class Form : std::uint8_t { markdown, csv };

struct Cell {
  std::string_view text;  // without the blanks around it
  std::uint32_t column = 1;  // where the text starts (where it would, when empty)
};

struct TableLine {
  std::uint32_t number = 0;
  std::uint32_t first_cell = 0;  // into SplitTable::cells
  std::uint32_t cell_count = 0;
  std::uint32_t end_column = 1;  // just past the line's last non-blank byte
};

struct SplitTable {
  Form form = Form::csv;
  // The header first, then the rows; a Markdown alignment row is dropped.
  std::vector<TableLine> lines;
  std::vector<Cell> cells;

  std::span<const Cell> cellsOf(const TableLine& line) const {
    return std::span<const Cell>(cells).subspan(line.first_cell, line.cell_count);
  }
};

Parsed<SplitTable> splitTable(std::string_view text);

// A row whose number of cells differs from the header's.
Parsed<void> checkCellCount(const SplitTable& table, const TableLine& line, std::uint32_t expected);

}  // namespace vorn::test_table
