#include "test_table/table_error.hpp"

#include "core/control_bytes.hpp"

namespace vorn::test_table {

std::string quotedText(std::string_view text) {
  std::string quoted = "'";
  control_bytes::appendEscaped(quoted, text);
  quoted.push_back('\'');
  return quoted;
}

std::string formatTableError(std::string_view table_path, const TableError& error) {
  std::string text;
  control_bytes::appendEscaped(text, table_path);
  text += ':' + std::to_string(error.line) + ':' + std::to_string(error.column) + ": error: " + error.message;
  return text;
}

}  // namespace vorn::test_table
