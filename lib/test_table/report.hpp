#pragma once

#include <string_view>

#include "core/error.hpp"
#include "core/output_stream.hpp"
#include "test_table/run.hpp"
#include "test_table/table.hpp"
#include "truth_table/builder.hpp"

// The three forms of a test report on standard output. `table_path` is the
// table as named on the command line.
namespace vorn::test_report {

struct Report {
  std::string_view table_path;
  const builder::Header& pins;
  const test_table::TestTable& table;
  const test_table::TestRun& run;
};

// One line per failing row, "TABLE:LINE: reason (a=1 b=0)", then
// "N of M rows passed".
Result<void> renderMarkdown(OutputStream& out, const Report& report);
// The table's own columns, a got_<output> column per output column and ok
// ("_" put in front of an added name until no column has it).
Result<void> renderCsv(OutputStream& out, const Report& report);
// {"table":…,"passed":n,"failed":m,"rows":[…]} on one line.
Result<void> renderJson(OutputStream& out, const Report& report);

}  // namespace vorn::test_report
