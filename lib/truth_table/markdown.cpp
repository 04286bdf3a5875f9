#include "truth_table/markdown.hpp"

#include <string>
#include <vector>

namespace vorn::markdown {

namespace {

constexpr char kCell[] = {'0', '1', '?'};

// A column is as wide as its name, and at least one character.
std::size_t widthOf(std::string_view name) { return name.empty() ? 1 : name.size(); }

void appendHeaderCell(std::string& line, std::string_view name) {
  line.push_back(' ');
  line.append(name);
  line.append(widthOf(name) - name.size(), ' ');
  line.append(" |");
}

}  // namespace

Result<void> render(OutputStream& out, const builder::Table& table) {
  const auto& inputs = table.header.inputs;
  const auto& outputs = table.header.outputs;
  std::vector<std::size_t> widths;
  widths.reserve(inputs.size() + outputs.size());
  for (const builder::PinRef& pin : inputs) widths.push_back(widthOf(pin.name));
  for (const builder::PinRef& pin : outputs) widths.push_back(widthOf(pin.name));

  std::string line = "|";
  for (const builder::PinRef& pin : inputs) appendHeaderCell(line, pin.name);
  for (const builder::PinRef& pin : outputs) appendHeaderCell(line, pin.name);
  line.append("\n|");
  for (std::size_t width : widths) {
    line.append(width + 2, '-');
    line.push_back('|');
  }
  line.push_back('\n');
  if (auto written = out.write(line); !written) return written;

  // Every row line has the same shape: a template with blank cells, in which
  // each row only sets its cells' characters.
  std::string row_line = "|";
  std::vector<std::size_t> cell_at;
  cell_at.reserve(widths.size());
  for (std::size_t width : widths) {
    row_line.push_back(' ');
    cell_at.push_back(row_line.size());
    row_line.append(width, ' ');
    row_line.append(" |");
  }
  row_line.push_back('\n');
  for (const builder::Row& row : table.rows) {
    for (std::size_t i = 0; i < inputs.size(); ++i) {
      row_line[cell_at[i]] = static_cast<char>('0' + ((row.input_bits >> i) & 1));
    }
    for (std::size_t k = 0; k < row.outputs.size(); ++k) {
      row_line[cell_at[inputs.size() + k]] = kCell[static_cast<std::uint8_t>(row.outputs[k])];
    }
    if (auto written = out.write(row_line); !written) return written;
  }
  return {};
}

}  // namespace vorn::markdown
