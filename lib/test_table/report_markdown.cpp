#include <string>

#include "core/control_bytes.hpp"

#include "test_table/reason.hpp"
#include "test_table/report.hpp"

namespace vorn::test_report {

Result<void> renderMarkdown(OutputStream& out, const Report& report) {
  const test_table::TestTable& table = report.table;
  std::string line;
  for (std::size_t r = 0; r < table.rowCount(); ++r) {
    if (report.run.ok[r]) continue;
    line.clear();
    control_bytes::appendEscaped(line, report.table_path);
    line.append(1, ':').append(std::to_string(table.lines[r])).append(": ");
    line.append(test_table::failureReason(table, report.run, r)).append(" (");
    for (std::size_t i = 0; i < table.input_count; ++i) {
      if (i != 0) line.push_back(' ');
      line.append(report.pins.inputs[i].name).append(1, '=');
      line.push_back(static_cast<char>('0' + table.bits[r * table.input_count + i]));
    }
    line.append(")\n");
    VORN_TRY_VOID(out.write(line));
  }
  line = std::to_string(report.run.passed) + " of " + std::to_string(table.rowCount()) + " rows passed\n";
  return out.write(line);
}

}  // namespace vorn::test_report
