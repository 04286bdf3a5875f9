#include "test_table/table.hpp"

#include <gtest/gtest.h>

#include <string>

namespace vorn::test_table {
namespace {

builder::Header pins(std::vector<std::string_view> inputs, std::vector<std::string_view> outputs) {
  builder::Header header;
  std::uint32_t id = 0;
  for (std::string_view name : inputs) header.inputs.push_back({name, id++});
  for (std::string_view name : outputs) header.outputs.push_back({name, id++});
  return header;
}

std::string errorOf(std::string_view text, const builder::Header& header) {
  auto table = parseTestTable(text, header);
  if (table) return "parsed";
  return formatTableError("t", table.error());
}

// Bits land in the circuit's input order whatever the column order; output
// cells keep the table's order; a byte-order mark, CRLF ends, tabs and blank
// cells are fine.
TEST(TestTableParse, ColumnsMapToPinsInEitherForm) {
  builder::Header header = pins({"a", "b", "c"}, {"x", "y"});
  for (std::string_view text : {
           std::string_view("\xEF\xBB\xBFy,c,a,b\r\n?,1,0,1\r\n,0,1,0\r\n*,1,1,1\r\n"),
           std::string_view("|y|c|a|b|\n| :-- |---|:-:|--:|\n|?|1|0|1|\n\t|  | 0 | 1 | 0 |\n|*|1|1|1|\n"),
       }) {
    auto table = parseTestTable(text, header);
    ASSERT_TRUE(table) << table.error().message;
    EXPECT_EQ(table->outputs, (std::vector<std::uint32_t>{1}));
    EXPECT_EQ(table->bits, (std::vector<std::uint8_t>{0, 1, 1, 1, 0, 0, 1, 1, 1}));
    EXPECT_EQ(table->expected, (std::vector<Expect>{Expect::undef, Expect::empty, Expect::star}));
    EXPECT_EQ(table->lines.size(), 3u);
  }
}

// What the golden cases do not reach: empty texts, alignment rows that do
// not fit, circuits without inputs, a second alignment-like row.
TEST(TestTableParse, EdgesOfTheForms) {
  builder::Header header = pins({"a"}, {"y"});
  EXPECT_EQ(errorOf("", header), "t:1:1: error: table has no rows");
  EXPECT_EQ(errorOf("// only\n\n   \n", header), "t:1:1: error: table has no rows");
  EXPECT_EQ(errorOf("| a | y |\n|---|\n", header), "t:2:6: error: row has 1 cells; the header has 2");
  EXPECT_EQ(errorOf("| a | y |\n|---|---|\n|---|---|\n", header),
            "t:3:2: error: cell '---' is not allowed in input column 'a' (0 or 1)");
  EXPECT_EQ(errorOf("|\n", header), "t:1:2: error: expected '|' at the end of a Markdown row");
  EXPECT_EQ(errorOf("a,y\n0,1,\n", header), "t:2:5: error: row has 3 cells; the header has 2");

  auto constant = parseTestTable("y\n1\n?\n", pins({}, {"y"}));
  ASSERT_TRUE(constant);
  EXPECT_EQ(constant->rowCount(), 2u);
  EXPECT_TRUE(constant->bits.empty());
}

}  // namespace
}  // namespace vorn::test_table
