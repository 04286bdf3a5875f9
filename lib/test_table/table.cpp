#include "test_table/table.hpp"

#include <optional>
#include <string>
#include <unordered_map>

#include "test_table/lines.hpp"

namespace vorn::test_table {

namespace {

// Pin names to columns; the first pin of a name wins, as in a search.
std::unordered_map<std::string_view, Column> pinsByName(const builder::Header& pins) {
  std::unordered_map<std::string_view, Column> found;
  for (std::size_t i = 0; i < pins.inputs.size(); ++i) {
    found.try_emplace(pins.inputs[i].name, Column{pins.inputs[i].name, true, static_cast<std::uint32_t>(i)});
  }
  for (std::size_t k = 0; k < pins.outputs.size(); ++k) {
    found.try_emplace(pins.outputs[k].name, Column{pins.outputs[k].name, false, static_cast<std::uint32_t>(k)});
  }
  return found;
}

// Every input once, any outputs at most once, at least one output.
Parsed<std::vector<Column>> readColumns(const TableLine& header, const builder::Header& pins) {
  std::vector<Column> columns;
  std::vector<bool> input_seen(pins.inputs.size(), false);
  std::vector<bool> output_seen(pins.outputs.size(), false);
  const auto by_name = pinsByName(pins);
  for (const Cell& cell : header.cells) {
    auto found = by_name.find(cell.text);
    if (found == by_name.end())
      return tableError(header.number, cell.column, "unknown column " + quotedText(cell.text));
    const Column* column = &found->second;
    std::vector<bool>& seen = column->input ? input_seen : output_seen;
    if (seen[column->pin]) return tableError(header.number, cell.column, "repeated column " + quotedText(cell.text));
    seen[column->pin] = true;
    columns.push_back(*column);
  }
  for (std::size_t i = 0; i < pins.inputs.size(); ++i) {
    if (!input_seen[i]) return tableError(header.number, 1, "missing input column " + quotedText(pins.inputs[i].name));
  }
  bool any_output = false;
  for (bool seen : output_seen) any_output = any_output || seen;
  if (!any_output) return tableError(header.number, 1, "no output column");
  return columns;
}

std::optional<std::uint8_t> inputBit(std::string_view text) {
  if (text == "0") return 0;
  if (text == "1") return 1;
  return std::nullopt;
}

std::optional<Expect> outputCell(std::string_view text) {
  if (text.empty()) return Expect::empty;
  if (text.size() != 1) return std::nullopt;
  switch (text[0]) {
    case '0': return Expect::low;
    case '1': return Expect::high;
    case '?': return Expect::undef;
    case '*': return Expect::star;
    default: return std::nullopt;
  }
}

TableError cellError(const TableLine& line, const Cell& cell, const Column& column) {
  std::string message = "cell " + quotedText(cell.text) + " is not allowed in " + (column.input ? "input" : "output") +
                        " column " + quotedText(column.name) + (column.input ? " (0 or 1)" : " (0, 1, ?, * or empty)");
  return TableError{.line = line.number, .column = cell.column, .message = std::move(message)};
}

}  // namespace

Parsed<TestTable> parseTestTable(std::string_view text, const builder::Header& pins) {
  LineReader reader(text);
  TableLine line;
  VORN_TRY(const bool has_header, reader.next(line));
  if (!has_header) return tableError(1, 1, "table has no rows");
  VORN_TRY(std::vector<Column> columns, readColumns(line, pins));
  const std::uint32_t header_line = line.number;

  TestTable table;
  table.columns = std::move(columns);
  table.input_count = pins.inputs.size();
  for (const Column& column : table.columns) {
    if (!column.input) table.outputs.push_back(column.pin);
  }
  const std::size_t width = table.columns.size();
  while (true) {
    VORN_TRY(const bool more, reader.next(line));
    if (!more) break;
    VORN_TRY_VOID(checkCellCount(line, width));
    std::size_t bits_at = table.bits.size();
    table.bits.resize(bits_at + table.input_count);
    for (std::size_t c = 0; c < width; ++c) {
      const Column& column = table.columns[c];
      const Cell& cell = line.cells[c];
      if (column.input) {
        auto bit = inputBit(cell.text);
        if (!bit) return std::unexpected(cellError(line, cell, column));
        table.bits[bits_at + column.pin] = *bit;
      } else {
        auto expect = outputCell(cell.text);
        if (!expect) return std::unexpected(cellError(line, cell, column));
        table.expected.push_back(*expect);
      }
    }
    table.lines.push_back(line.number);
  }
  if (table.lines.empty()) return tableError(header_line, 1, "table has no rows");
  return table;
}

}  // namespace vorn::test_table
