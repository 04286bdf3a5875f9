#include "test_table/reason.hpp"

namespace vorn::test_table {

namespace {

char expectChar(Expect expect) {
  switch (expect) {
    case Expect::low: return '0';
    case Expect::high: return '1';
    default: return '?';
  }
}

}  // namespace

char cellChar(builder::State state) {
  switch (state) {
    case builder::State::low: return '0';
    case builder::State::high: return '1';
    case builder::State::undef: break;
  }
  return '?';
}

std::string failureReason(const TestTable& table, const TestRun& run, std::size_t row) {
  if (run.ok[row]) return {};
  if (!run.settled[row]) return "did not settle";
  std::string expected = "expected";
  std::string got = ", got";
  const std::size_t width = table.outputs.size();
  std::size_t k = 0;
  for (const Column& column : table.columns) {
    if (column.input) continue;
    Expect expect = table.expected[row * width + k];
    builder::State actual = run.actual[row * width + k];
    ++k;
    if (!isChecked(expect) || expectChar(expect) == cellChar(actual)) continue;
    expected.append(1, ' ').append(column.name).append(1, '=').push_back(expectChar(expect));
    got.append(1, ' ').append(column.name).append(1, '=').push_back(cellChar(actual));
  }
  return expected + got;
}

}  // namespace vorn::test_table
