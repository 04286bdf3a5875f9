#pragma once

#include <cstddef>
#include <string>

#include "test_table/run.hpp"
#include "test_table/table.hpp"

namespace vorn::test_table {

// Why row `row` failed: "did not settle", or "expected sum=1, got sum=0"
// over the checked outputs that differ, in the table's order ("?" for
// undefined). Empty for a row that passed.
std::string failureReason(const TestTable& table, const TestRun& run, std::size_t row);

// "0", "1" or "?".
char cellChar(builder::State state);

}  // namespace vorn::test_table
