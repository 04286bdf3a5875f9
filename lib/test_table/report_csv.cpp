#include <string>
#include <unordered_set>
#include <vector>

#include "test_table/reason.hpp"
#include "test_table/report.hpp"

namespace vorn::test_report {

namespace {

// The cell as the table had it; blanks around it are not kept.
void appendExpected(std::string& line, test_table::Expect expect) {
  switch (expect) {
    case test_table::Expect::low: line.push_back('0'); break;
    case test_table::Expect::high: line.push_back('1'); break;
    case test_table::Expect::undef: line.push_back('?'); break;
    case test_table::Expect::star: line.push_back('*'); break;
    case test_table::Expect::empty: break;
  }
}

// The names of the added columns: "got_" + output per output column, then
// "ok"; a name already taken, by the table's columns or an added one, gets
// "_" in front until it is free.
std::vector<std::string> addedColumnNames(const test_table::TestTable& table) {
  std::unordered_set<std::string> taken;
  for (const test_table::Column& column : table.columns) taken.emplace(column.name);
  std::vector<std::string> names;
  const auto add = [&](std::string name) {
    while (taken.contains(name)) name.insert(0, 1, '_');
    taken.insert(name);
    names.push_back(std::move(name));
  };
  for (const test_table::Column& column : table.columns) {
    if (!column.input) add("got_" + std::string(column.name));
  }
  add("ok");
  return names;
}

}  // namespace

Result<void> renderCsv(OutputStream& out, const Report& report) {
  const test_table::TestTable& table = report.table;
  std::string line;
  for (const test_table::Column& column : table.columns) line.append(column.name).push_back(',');
  const std::vector<std::string> added = addedColumnNames(table);
  for (std::size_t i = 0; i < added.size(); ++i) line.append(added[i]).push_back(i + 1 < added.size() ? ',' : '\n');
  VORN_TRY_VOID(out.write(line));

  const std::size_t width = table.outputs.size();
  for (std::size_t r = 0; r < table.rowCount(); ++r) {
    line.clear();
    std::size_t k = 0;
    for (const test_table::Column& column : table.columns) {
      if (column.input) {
        line.push_back(static_cast<char>('0' + table.bits[r * table.input_count + column.pin]));
      } else {
        appendExpected(line, table.expected[r * width + k++]);
      }
      line.push_back(',');
    }
    for (std::size_t o = 0; o < width; ++o) {
      line.push_back(test_table::cellChar(report.run.actual[r * width + o]));
      line.push_back(',');
    }
    line.append(report.run.ok[r] ? "1\n" : "0\n");
    VORN_TRY_VOID(out.write(line));
  }
  return {};
}

}  // namespace vorn::test_report
