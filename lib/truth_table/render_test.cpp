#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <string>
#include <unistd.h>

#include "testing/captured_output.hpp"
#include "truth_table/csv.hpp"
#include "truth_table/json.hpp"
#include "truth_table/markdown.hpp"

namespace vorn {
namespace {

using builder::State;

// A table made by hand: row r has input bits r and the given cells.
builder::Table makeTable(std::vector<std::string_view> inputs, std::vector<std::string_view> outputs,
                         std::vector<std::vector<State>> rows) {
  builder::Table table;
  for (std::string_view name : inputs) table.header.inputs.push_back({name, 0});
  for (std::string_view name : outputs) table.header.outputs.push_back({name, 0});
  for (const auto& row : rows) table.cells.insert(table.cells.end(), row.begin(), row.end());
  for (std::size_t r = 0; r < rows.size(); ++r) {
    table.rows.push_back({r, std::span<const State>(table.cells).subspan(r * outputs.size(), outputs.size())});
  }
  return table;
}

// Renders through a real descriptor and reads the bytes back.
template <typename Render>
std::string rendered(Render render, const builder::Table& table) {
  // A tiny buffer: lines cross flushes.
  return testing::capturedOutput([&](OutputStream& out) { EXPECT_TRUE(render(out, table)); }, 16);
}

const State L = State::low;
const State H = State::high;
const State U = State::undef;

TEST(Render, AndGateInAllThreeFormats) {
  builder::Table table = makeTable({"a", "b"}, {"out"}, {{L}, {L}, {L}, {H}});
  EXPECT_EQ(rendered(markdown::render, table),
            "| a | b | out |\n"
            "|---|---|-----|\n"
            "| 0 | 0 | 0   |\n"
            "| 1 | 0 | 0   |\n"
            "| 0 | 1 | 0   |\n"
            "| 1 | 1 | 1   |\n");
  EXPECT_EQ(rendered(csv::render, table), "a,b,out\n0,0,0\n1,0,0\n0,1,0\n1,1,1\n");
  EXPECT_EQ(rendered(json::render, table),
            "{\"inputs\":[\"a\",\"b\"],\"outputs\":[\"out\"],\"rows\":["
            "{\"in\":[0,0],\"out\":[0]},{\"in\":[1,0],\"out\":[0]},"
            "{\"in\":[0,1],\"out\":[0]},{\"in\":[1,1],\"out\":[1]}]}\n");
}

TEST(Render, UndefinedCellsAndSeveralOutputs) {
  builder::Table table = makeTable({"x"}, {"sum", "c"}, {{U, H}, {L, U}});
  EXPECT_EQ(rendered(markdown::render, table),
            "| x | sum | c |\n"
            "|---|-----|---|\n"
            "| 0 | ?   | 1 |\n"
            "| 1 | 0   | ? |\n");
  EXPECT_EQ(rendered(csv::render, table), "x,sum,c\n0,?,1\n1,0,?\n");
  EXPECT_EQ(rendered(json::render, table),
            "{\"inputs\":[\"x\"],\"outputs\":[\"sum\",\"c\"],\"rows\":["
            "{\"in\":[0],\"out\":[null,1]},{\"in\":[1],\"out\":[0,null]}]}\n");
}

TEST(Render, NoInputsGivesOneRowWithoutInputCells) {
  builder::Table table = makeTable({}, {"z"}, {{U}});
  EXPECT_EQ(rendered(markdown::render, table), "| z |\n|---|\n| ? |\n");
  EXPECT_EQ(rendered(csv::render, table), "z\n?\n");
  EXPECT_EQ(rendered(json::render, table),
            "{\"inputs\":[],\"outputs\":[\"z\"],\"rows\":[{\"in\":[],\"out\":[null]}]}\n");
}

TEST(Render, NamesAreEscapedOnlyInJson) {
  builder::Table table = makeTable({"a\"b", "c\\d"}, {"t\tab"}, {{H}, {L}, {L}, {H}});
  EXPECT_EQ(rendered(json::render, table),
            "{\"inputs\":[\"a\\\"b\",\"c\\\\d\"],\"outputs\":[\"t\tab\"],\"rows\":["
            "{\"in\":[0,0],\"out\":[1]},{\"in\":[1,0],\"out\":[0]},"
            "{\"in\":[0,1],\"out\":[0]},{\"in\":[1,1],\"out\":[1]}]}\n");
  EXPECT_EQ(rendered(csv::render, table), "a\"b,c\\d,t\tab\n0,0,1\n1,0,0\n0,1,0\n1,1,1\n");
  EXPECT_EQ(rendered(markdown::render, table),
            "| a\"b | c\\d | t\tab |\n"
            "|-----|-----|------|\n"
            "| 0   | 0   | 1    |\n"
            "| 1   | 0   | 0    |\n"
            "| 0   | 1   | 0    |\n"
            "| 1   | 1   | 1    |\n");
}

TEST(Render, EmptyNameIsOneCharacterWide) {
  builder::Table table = makeTable({""}, {"y"}, {{H}, {L}});
  EXPECT_EQ(rendered(markdown::render, table), "|   | y |\n|---|---|\n| 0 | 1 |\n| 1 | 0 |\n");
  EXPECT_EQ(rendered(csv::render, table), ",y\n0,1\n1,0\n");
  EXPECT_EQ(rendered(json::render, table),
            "{\"inputs\":[\"\"],\"outputs\":[\"y\"],\"rows\":[{\"in\":[0],\"out\":[1]},{\"in\":[1],\"out\":[0]}]}\n");
}

TEST(Render, WriteFailuresAreReturned) {
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  ::close(fds[0]);
  std::signal(SIGPIPE, SIG_IGN);
  builder::Table table = makeTable({"a"}, {"y"}, {{H}, {L}});
  {
    OutputStream out(fds[1], 1);
    EXPECT_EQ(markdown::render(out, table).error(), Error::BrokenPipe);
  }
  {
    OutputStream out(fds[1], 1);
    EXPECT_EQ(csv::render(out, table).error(), Error::BrokenPipe);
  }
  {
    OutputStream out(fds[1], 1);
    EXPECT_EQ(json::render(out, table).error(), Error::BrokenPipe);
  }
  ::close(fds[1]);
}

}  // namespace
}  // namespace vorn
