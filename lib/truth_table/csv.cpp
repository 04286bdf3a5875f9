#include "truth_table/csv.hpp"

#include <string>

namespace vorn::csv {

namespace {

constexpr char kCell[] = {'0', '1', '?'};

}  // namespace

Result<void> render(OutputStream& out, const builder::Table& table) {
  // Each line is assembled in one reused buffer and written whole.
  std::string line;
  bool first = true;
  for (const builder::PinRef& pin : table.header.inputs) {
    if (!first) line.push_back(',');
    line.append(pin.name);
    first = false;
  }
  for (const builder::PinRef& pin : table.header.outputs) {
    if (!first) line.push_back(',');
    line.append(pin.name);
    first = false;
  }
  line.push_back('\n');
  if (auto written = out.write(line); !written) return written;

  const std::size_t input_count = table.header.inputs.size();
  for (const builder::Row& row : table.rows) {
    line.clear();
    for (std::size_t i = 0; i < input_count; ++i) {
      if (i != 0) line.push_back(',');
      line.push_back(static_cast<char>('0' + ((row.input_bits >> i) & 1)));
    }
    for (std::size_t k = 0; k < row.outputs.size(); ++k) {
      if (k != 0 || input_count != 0) line.push_back(',');
      line.push_back(kCell[static_cast<std::uint8_t>(row.outputs[k])]);
    }
    line.push_back('\n');
    if (auto written = out.write(line); !written) return written;
  }
  return {};
}

}  // namespace vorn::csv
