#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "test_table/table_error.hpp"

// Reads the text of a test table line by line, as cells. The first line that
// is neither blank nor a "//" comment decides the form: Markdown when it
// starts with '|', CSV otherwise; every other line must be of that form.
namespace vorn::test_table {

enum class Form : std::uint8_t { markdown, csv };

struct Cell {
  std::string_view text;     // without the blanks around it
  std::uint32_t column = 1;  // where the text starts (where it would, when empty)
};

struct TableLine {
  std::uint32_t number = 0;
  std::vector<Cell> cells;
  std::uint32_t end_column = 1;  // just past the line's last non-blank byte
};

class LineReader {
 public:
  // A leading UTF-8 byte-order mark, as spreadsheets write, is skipped.
  explicit LineReader(std::string_view text);

  // The next line of cells into `line`: the header first, then the rows (a
  // Markdown alignment row under the header is checked and skipped). False
  // at the end of the text.
  Parsed<bool> next(TableLine& line);

 private:
  std::string_view text_;
  std::size_t position_ = 0;
  std::uint32_t number_ = 0;
  bool form_known_ = false;
  Form form_ = Form::csv;
  std::uint32_t lines_read_ = 0;  // header and rows returned so far
  std::uint32_t header_cells_ = 0;
};

// A row whose number of cells differs from the header's.
Parsed<void> checkCellCount(const TableLine& line, std::size_t expected);

}  // namespace vorn::test_table
