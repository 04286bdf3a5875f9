#include "test_table/run.hpp"

#include <gtest/gtest.h>

#include <string>

#include "log/log.hpp"
#include "test_table/report.hpp"
#include "testing/captured_output.hpp"
#include "testing/module_builder.hpp"
#include "topology/full_serializer.hpp"
#include "truth_table/row_driver.hpp"

namespace vorn::test_table {
namespace {

// An oscillating row spends the whole settling budget; its trace is not
// wanted here.
struct QuietLog {
  QuietLog() { log::setSink(nullptr, nullptr); }
  ~QuietLog() { log::setSink(log::defaultSink(), nullptr); }
};

// en AND NOT(itself) toggles for ever while en is high; b only feeds w.
full_format::FullTopology ring() {
  return *full_serializer::buildFromModule(testing::moduleFromSource(R"(input en, b
and g(a=en, b=n.out)
not n(in=g.out)
output y(in=n.out)
output w(in=b)
)"));
}

// A row that does not settle fails with that reason, the rest of its inputs
// are still driven, and the next row runs on from the state it left.
TEST(TestTableRun, UnsettledRowsFailAndTheNextRowRunsOn) {
  QuietLog quiet;
  full_format::FullTopology topology = ring();
  builder::Header pins = builder::readHeader(topology);
  auto table = parseTestTable("w,en,b,y\n1,0,1,1\n1,1,1,*\n0,0,0,1\n0,1,0,0\n", pins);
  ASSERT_TRUE(table) << table.error().message;
  auto run = runTestTable(topology, pins, *table);
  ASSERT_TRUE(run);
  EXPECT_EQ(run->passed, 2u);
  EXPECT_EQ(run->settled, (std::vector<std::uint8_t>{1, 0, 1, 0}));
  EXPECT_EQ(run->ok, (std::vector<std::uint8_t>{1, 0, 1, 0}));
  // w follows b even in the rows whose first input never settled.
  EXPECT_EQ(run->actual[1 * 2 + 0], builder::State::high);
  EXPECT_EQ(run->actual[3 * 2 + 0], builder::State::low);

  test_report::Report report{"t.csv", pins, *table, *run};
  EXPECT_EQ(testing::capturedOutput([&](OutputStream& out) { ASSERT_TRUE(test_report::renderMarkdown(out, report)); }),
            "t.csv:3: did not settle (en=1 b=1)\n"
            "t.csv:5: did not settle (en=1 b=0)\n"
            "2 of 4 rows passed\n");
  std::string json =
      testing::capturedOutput([&](OutputStream& out) { ASSERT_TRUE(test_report::renderJson(out, report)); });
  EXPECT_NE(json.find(R"("line":3,"inputs":{"en":1,"b":1},"expected":{"w":1},"actual":{"w":1,"y":)"), std::string::npos)
      << json;
  EXPECT_NE(json.find(R"("ok":false,"reason":"did not settle"}]})"), std::string::npos) << json;
}

// The truth table refuses the same circuit rather than print a wrong row.
TEST(TestTableRun, TruthTablesStillStopAtAnUnsettledRow) {
  QuietLog quiet;
  EXPECT_EQ(builder::build(ring()).error(), Error::DidNotSettle);
}

}  // namespace
}  // namespace vorn::test_table
