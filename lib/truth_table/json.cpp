#include "truth_table/json.hpp"

#include <string>

namespace vorn::json {

// Only the double quote and the backslash are escaped; every other byte,
// control characters included, is written as it is.
void appendName(std::string& text, std::string_view name) {
  text.push_back('"');
  for (char byte : name) {
    if (byte == '"' || byte == '\\') text.push_back('\\');
    text.push_back(byte);
  }
  text.push_back('"');
}

void appendNameList(std::string& text, const std::vector<builder::PinRef>& pins) {
  text.push_back('[');
  for (std::size_t i = 0; i < pins.size(); ++i) {
    if (i > 0) text.push_back(',');
    appendName(text, pins[i].name);
  }
  text.push_back(']');
}

Result<void> render(OutputStream& out, const builder::Table& table) {
  std::string text = "{\"inputs\":";
  appendNameList(text, table.header.inputs);
  text.append(",\"outputs\":");
  appendNameList(text, table.header.outputs);
  text.append(",\"rows\":[");
  if (auto written = out.write(text); !written) return written;

  const std::size_t input_count = table.header.inputs.size();
  bool first_row = true;
  for (const builder::Row& row : table.rows) {
    text.assign(first_row ? "{\"in\":[" : ",{\"in\":[");
    first_row = false;
    for (std::size_t i = 0; i < input_count; ++i) {
      if (i != 0) text.push_back(',');
      text.push_back(static_cast<char>('0' + ((row.input_bits >> i) & 1)));
    }
    text.append("],\"out\":[");
    for (std::size_t k = 0; k < row.outputs.size(); ++k) {
      if (k != 0) text.push_back(',');
      switch (row.outputs[k]) {
        case builder::State::low: text.push_back('0'); break;
        case builder::State::high: text.push_back('1'); break;
        case builder::State::undef: text.append("null"); break;
      }
    }
    text.append("]}");
    if (auto written = out.write(text); !written) return written;
  }
  return out.write("]}\n");
}

}  // namespace vorn::json
