#include <string>

#include "core/json_text.hpp"

#include "test_table/reason.hpp"
#include "test_table/report.hpp"

namespace vorn::test_report {

namespace {

// A JSON string: quotes, backslashes and control bytes escaped, UTF-8 kept
// and every other byte U+FFFD, as in json_text.
void appendString(std::string& text, std::string_view value) {
  static constexpr char kHex[] = "0123456789abcdef";
  text.push_back('"');
  for (std::size_t i = 0; i < value.size(); ++i) {
    const char byte = value[i];
    auto code = static_cast<unsigned char>(byte);
    if (byte == '"' || byte == '\\') {
      text.push_back('\\');
      text.push_back(byte);
    } else if (code < 0x20) {
      text.append("\\u00").append(1, kHex[code >> 4]).push_back(kHex[code & 15]);
    } else if (code < 0x80) {
      text.push_back(byte);
    } else {
      i += json_text::appendNonAscii(text, value, i) - 1;
    }
  }
  text.push_back('"');
}

void appendKey(std::string& text, std::string_view name, bool first) {
  if (!first) text.push_back(',');
  appendString(text, name);
  text.push_back(':');
}

void appendState(std::string& text, builder::State state) {
  if (state == builder::State::undef) {
    text.append("null");
  } else {
    text.push_back(test_table::cellChar(state));
  }
}

}  // namespace

Result<void> renderJson(OutputStream& out, const Report& report) {
  const test_table::TestTable& table = report.table;
  const test_table::TestRun& run = report.run;
  std::string text = "{\"table\":";
  appendString(text, report.table_path);
  text.append(",\"passed\":").append(std::to_string(run.passed));
  text.append(",\"failed\":").append(std::to_string(table.rowCount() - run.passed));
  text.append(",\"rows\":[");
  VORN_TRY_VOID(out.write(text));

  const std::size_t width = table.outputs.size();
  for (std::size_t r = 0; r < table.rowCount(); ++r) {
    text.assign(r == 0 ? "{\"line\":" : ",{\"line\":");
    text.append(std::to_string(table.lines[r])).append(",\"inputs\":{");
    for (std::size_t i = 0; i < table.input_count; ++i) {
      appendKey(text, report.pins.inputs[i].name, i == 0);
      text.push_back(static_cast<char>('0' + table.bits[r * table.input_count + i]));
    }
    text.append("},\"expected\":{");
    bool first = true;
    std::size_t k = 0;
    for (const test_table::Column& column : table.columns) {
      if (column.input) continue;
      test_table::Expect expect = table.expected[r * width + k++];
      if (!test_table::isChecked(expect)) continue;
      appendKey(text, column.name, first);
      first = false;
      if (expect == test_table::Expect::undef) {
        text.append("null");
      } else {
        text.push_back(expect == test_table::Expect::high ? '1' : '0');
      }
    }
    text.append("},\"actual\":{");
    k = 0;
    for (const test_table::Column& column : table.columns) {
      if (column.input) continue;
      appendKey(text, column.name, k == 0);
      appendState(text, run.actual[r * width + k++]);
    }
    text.append("},\"ok\":").append(run.ok[r] ? "true" : "false").append(",\"reason\":");
    if (run.ok[r]) {
      text.append("null");
    } else {
      appendString(text, test_table::failureReason(table, run, r));
    }
    text.push_back('}');
    VORN_TRY_VOID(out.write(text));
  }
  return out.write("]}\n");
}

}  // namespace vorn::test_report
