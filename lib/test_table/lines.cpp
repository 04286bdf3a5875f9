#include "test_table/lines.hpp"

namespace vorn::test_table {

namespace {

bool isBlank(char byte) { return byte == ' ' || byte == '\t' || byte == '\r'; }

// Offsets of the first and one past the last non-blank byte of [begin, end).
void trim(std::string_view line, std::size_t& begin, std::size_t& end) {
  while (begin < end && isBlank(line[begin])) ++begin;
  while (end > begin && isBlank(line[end - 1])) --end;
}

std::uint32_t columnOf(std::size_t offset) { return static_cast<std::uint32_t>(offset + 1); }

// Cells between the separators in [begin, end) of the line.
void splitCells(std::string_view line, std::size_t begin, std::size_t end, char separator,
                std::vector<Cell>& cells) {
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
bool isAlignmentRow(std::span<const Cell> cells) {
  for (const Cell& cell : cells) {
    std::string_view text = cell.text;
    if (!text.empty() && text.front() == ':') text.remove_prefix(1);
    if (!text.empty() && text.back() == ':') text.remove_suffix(1);
    if (text.empty() || text.find_first_not_of('-') != std::string_view::npos) return false;
  }
  return true;
}

}  // namespace

Parsed<void> checkCellCount(const SplitTable& table, const TableLine& line, std::uint32_t expected) {
  if (line.cell_count == expected) return {};
  std::string message =
      "row has " + std::to_string(line.cell_count) + " cells; the header has " + std::to_string(expected);
  // Too many: at the first cell too many; too few: where the line ends.
  std::uint32_t column = line.cell_count > expected ? table.cellsOf(line)[expected].column : line.end_column;
  return tableError(line.number, column, std::move(message));
}

Parsed<SplitTable> splitTable(std::string_view text) {
  SplitTable table;
  bool form_known = false;
  bool alignment_seen = false;
  std::uint32_t number = 0;
  std::size_t position = 0;
  while (position < text.size()) {
    std::size_t newline = text.find('\n', position);
    std::size_t line_end = newline == std::string_view::npos ? text.size() : newline;
    std::string_view line = text.substr(position, line_end - position);
    position = line_end + 1;
    ++number;

    std::size_t begin = 0;
    std::size_t end = line.size();
    trim(line, begin, end);
    if (begin == end || line.substr(begin, 2) == "//") continue;
    bool markdown = line[begin] == '|';
    if (!form_known) {
      table.form = markdown ? Form::markdown : Form::csv;
      form_known = true;
    }

    TableLine entry{number, static_cast<std::uint32_t>(table.cells.size()), 0, columnOf(end)};
    if (table.form == Form::csv) {
      if (markdown) return tableError(number, columnOf(begin), "expected a CSV row: the table's first line does not start with '|'");
      splitCells(line, begin, end, ',', table.cells);
    } else {
      if (!markdown) return tableError(number, columnOf(begin), "expected a Markdown row starting with '|', as the table's first line does");
      if (end - begin < 2 || line[end - 1] != '|') return tableError(number, columnOf(end), "expected '|' at the end of a Markdown row");
      splitCells(line, begin + 1, end - 1, '|', table.cells);
    }
    entry.cell_count = static_cast<std::uint32_t>(table.cells.size()) - entry.first_cell;
    // The line under a Markdown header may align its columns; it is no row.
    bool under_header = table.lines.size() == 1 && !alignment_seen;
    if (table.form == Form::markdown && under_header && isAlignmentRow(table.cellsOf(entry))) {
      alignment_seen = true;
      if (auto counted = checkCellCount(table, entry, table.lines[0].cell_count); !counted) {
        return std::unexpected(counted.error());
      }
      table.cells.resize(entry.first_cell);
      continue;
    }
    table.lines.push_back(entry);
  }
  return table;
}

}  // namespace vorn::test_table
