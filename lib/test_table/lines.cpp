#include "test_table/lines.hpp"

#include "core/error.hpp"

#include <string>

namespace vorn::test_table {

namespace {

bool isBlank(char byte) { return byte == ' ' || byte == '\t' || byte == '\r'; }

// Moves [begin, end) of the line inwards past blanks.
void trim(std::string_view line, std::size_t& begin, std::size_t& end) {
  while (begin < end && isBlank(line[begin])) ++begin;
  while (end > begin && isBlank(line[end - 1])) --end;
}

std::uint32_t columnOf(std::size_t offset) { return static_cast<std::uint32_t>(offset + 1); }

// Cells between the separators in [begin, end) of the line.
void splitCells(std::string_view line, std::size_t begin, std::size_t end, char separator, std::vector<Cell>& cells) {
  std::size_t start = begin;
  while (true) {
    std::size_t stop = line.find(separator, start);
    if (stop == std::string_view::npos || stop > end) stop = end;
    std::size_t cell_begin = start;
    std::size_t cell_end = stop;
    trim(line, cell_begin, cell_end);
    cells.push_back({line.substr(cell_begin, cell_end - cell_begin), columnOf(cell_begin)});
    if (stop == end) break;
    start = stop + 1;
  }
}

// A Markdown row of cells such as "---", ":--" or "-:" only.
bool isAlignmentRow(const std::vector<Cell>& cells) {
  for (const Cell& cell : cells) {
    std::string_view text = cell.text;
    if (!text.empty() && text.front() == ':') text.remove_prefix(1);
    if (!text.empty() && text.back() == ':') text.remove_suffix(1);
    if (text.empty() || text.find_first_not_of('-') != std::string_view::npos) return false;
  }
  return true;
}

}  // namespace

Parsed<void> checkCellCount(const TableLine& line, std::size_t expected) {
  if (line.cells.size() == expected) return {};
  std::string message =
      "row has " + std::to_string(line.cells.size()) + " cells; the header has " + std::to_string(expected);
  // Too many: at the first cell too many; too few: where the line ends.
  std::uint32_t column = line.cells.size() > expected ? line.cells[expected].column : line.end_column;
  return tableError(line.number, column, std::move(message));
}

LineReader::LineReader(std::string_view text) : text_(text) {
  if (text_.starts_with("\xEF\xBB\xBF")) text_.remove_prefix(3);
}

Parsed<bool> LineReader::next(TableLine& entry) {
  while (position_ < text_.size()) {
    std::size_t newline = text_.find('\n', position_);
    std::size_t line_end = newline == std::string_view::npos ? text_.size() : newline;
    std::string_view line = text_.substr(position_, line_end - position_);
    position_ = line_end + 1;
    ++number_;

    std::size_t begin = 0;
    std::size_t end = line.size();
    trim(line, begin, end);
    if (begin == end || line.substr(begin, 2) == "//") continue;
    bool markdown = line[begin] == '|';
    if (!form_known_) {
      form_ = markdown ? Form::markdown : Form::csv;
      form_known_ = true;
    }

    entry.number = number_;
    entry.end_column = columnOf(end);
    entry.cells.clear();
    if (form_ == Form::csv) {
      if (markdown) {
        return tableError(number_, columnOf(begin),
                          "expected a CSV row: the table's first line does not start with '|'");
      }
      splitCells(line, begin, end, ',', entry.cells);
    } else {
      if (!markdown) {
        return tableError(number_, columnOf(begin),
                          "expected a Markdown row starting with '|', as the table's first line does");
      }
      if (end - begin < 2 || line[end - 1] != '|') {
        return tableError(number_, columnOf(end), "expected '|' at the end of a Markdown row");
      }
      splitCells(line, begin + 1, end - 1, '|', entry.cells);
    }
    ++lines_read_;
    if (lines_read_ == 1) header_cells_ = static_cast<std::uint32_t>(entry.cells.size());
    // The line right under a Markdown header may align its columns; it is no row.
    if (form_ == Form::markdown && lines_read_ == 2 && isAlignmentRow(entry.cells)) {
      VORN_TRY_VOID(checkCellCount(entry, header_cells_));
      continue;
    }
    return true;
  }
  return false;
}

}  // namespace vorn::test_table
