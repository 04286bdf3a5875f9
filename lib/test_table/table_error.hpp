#pragma once

#include <cstdint>
#include <expected>
#include <string>
#include <string_view>
#include <utility>

namespace vorn::test_table {

// A fault in a test table, located like a diagnostic: line and column count
// from 1, columns in bytes. The table's own text in the message has its
// control bytes escaped (core/control_bytes).
struct TableError {
  std::uint32_t line = 1;
  std::uint32_t column = 1;
  std::string message;
};

template <typename T>
using Parsed = std::expected<T, TableError>;

inline std::unexpected<TableError> tableError(std::uint32_t line, std::uint32_t column, std::string message) {
  return std::unexpected<TableError>(TableError{.line = line, .column = column, .message = std::move(message)});
}

// The table's own text quoted for a message, '…', with its control bytes
// escaped: the message reaches a terminal.
std::string quotedText(std::string_view text);

// "TABLE:LINE:COL: error: message", without a newline; control bytes in
// the path are escaped as in the message.
std::string formatTableError(std::string_view table_path, const TableError& error);

}  // namespace vorn::test_table
