#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "test_table/table_error.hpp"
#include "truth_table/builder.hpp"

// A test table checked against the circuit's pins: which column is which
// pin, and every row's input bits and expected outputs.
namespace vorn::test_table {

// An output cell: a value to expect, or not checked ("*" or empty).
enum class Expect : std::uint8_t { low, high, undef, star, empty };

inline bool isChecked(Expect expect) {
  return expect == Expect::low || expect == Expect::high || expect == Expect::undef;
}

struct Column {
  std::string_view name;  // as written in the header
  bool input = false;
  std::uint32_t pin = 0;  // index into the header's inputs or outputs
};

struct TestTable {
  std::vector<Column> columns;  // in the table's order
  // Header output index of each output column, in the table's order.
  std::vector<std::uint32_t> outputs;
  std::size_t input_count = 0;       // the circuit's inputs: every one is a column
  std::vector<std::uint32_t> lines;  // each row's line in the file
  std::vector<std::uint8_t> bits;    // input_count per row, in the circuit's input order
  std::vector<Expect> expected;      // outputs.size() per row, in the table's order

  std::size_t rowCount() const { return lines.size(); }
};

// Parses `text` as a test table for a circuit with these pins.
Parsed<TestTable> parseTestTable(std::string_view text, const builder::Header& pins);

}  // namespace vorn::test_table
