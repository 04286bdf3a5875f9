// Source text through parsing, resolution, flattening and simulation:
// sub-circuit inputs driven by components declared after the instance,
// nested instances and repeated instances.
#include <gtest/gtest.h>

#include <bit>
#include <string>

#include "core/text_arena.hpp"
#include "ir/resolver.hpp"
#include "syntax/translate.hpp"
#include "testing/captured_log.hpp"
#include "topology/full_serializer.hpp"
#include "topology/serializer.hpp"
#include "truth_table/builder.hpp"

namespace vorn {
namespace {

using builder::State;
using full_format::OriginFrame;

// XOR from AND and NOT only, so that no built-in macro is needed.
constexpr std::string_view kXor =
    "input a, b\n"
    "not na(in=a)\n"
    "not nb(in=b)\n"
    "and t1(a=a, b=nb.out)\n"
    "and t2(a=na.out, b=b)\n"
    "not n1(in=t1.out)\n"
    "not n2(in=t2.out)\n"
    "and both(a=n1.out, b=n2.out)\n"
    "not o(in=both.out)\n"
    "output out(in=o.out)\n";
constexpr std::size_t kXorSize = 11;  // primitives of one XOR instance

struct Import {
  std::string_view alias;
  std::uint32_t importing;
  std::uint32_t target;
};

// Files are given with their explicit imports, whose aliases are listed in
// `imports` by hand in place of the import scan.
struct Program {
  TextArena arena;
  types::Project project;
  full_format::FullTopology topology;

  Program(std::vector<std::string_view> sources, std::vector<Import> imports) {
    for (std::uint32_t id = 0; id < sources.size(); ++id) {
      auto tree = translate::parseSource(arena, sources[id], id);
      EXPECT_TRUE(tree) << "file " << id;
      if (!tree) return;
      auto module = resolver::resolve(*tree, id);
      EXPECT_TRUE(module);
      project.files.push_back(std::move(*module));
    }
    for (const Import& entry : imports) {
      project.import_table.push_back({entry.alias, types::FileId{entry.importing}, types::FileId{entry.target}, {}});
    }
    auto built = full_serializer::buildFromProject(project);
    EXPECT_TRUE(built) << errorName(built.error());
    if (built) topology = std::move(*built);
  }

  std::vector<State> column(std::size_t output) {
    testing::CapturedLog quiet;
    auto table = builder::build(topology);
    EXPECT_TRUE(table);
    std::vector<State> cells;
    if (table) {
      for (const builder::Row& row : table->rows) cells.push_back(row.outputs[output]);
    }
    return cells;
  }
};

constexpr State L = State::low;
constexpr State H = State::high;

TEST(Pipeline, MacroInstanceAboveItsDriver) {
  Program program({"import xor \"xor.vorn\"\n"
                   "input a, b\n"
                   "xor x(a=a, b=g.out)\n"
                   "and g(a=a, b=b)\n"
                   "output o(in=x.out)\n",
                   kXor},
                  {{"xor", 0, 1}});
  const auto& records = program.topology.components;
  ASSERT_EQ(records.size(), 2 + kXorSize + 2);
  // The instance keeps the ids between b and g that its place gives it.
  EXPECT_EQ(records[2].name, "a");
  EXPECT_EQ(records[2].origin, (std::vector<OriginFrame>{{"x", "xor", 1}}));
  EXPECT_EQ(records[2 + kXorSize].name, "g");
  EXPECT_TRUE(records[2 + kXorSize].origin.empty());
  EXPECT_EQ(records.back().name, "o");
  // x.b is bound to g: o = a XOR (a AND b) = a AND NOT b.
  EXPECT_EQ(program.column(0), (std::vector<State>{L, H, L, L}));

  auto compact = serializer::serializeProject(program.project);
  ASSERT_TRUE(compact);
  EXPECT_EQ(compact->payload.size(), 13 + 5 * records.size() + 9 * program.topology.connections.size());
}

TEST(Pipeline, AnonymousGateInsideAnAnonymousMacro) {
  Program program({"import xor \"xor.vorn\"\n"
                   "input a, b\n"
                   "output o(in=xor(a=not(in=a).out, b=b).out)\n",
                   kXor},
                  {{"xor", 0, 1}});
  const auto& records = program.topology.components;
  ASSERT_EQ(records.size(), 3 + kXorSize + 1);
  EXPECT_EQ(records[2].name, "o");
  EXPECT_EQ(records[3].origin, (std::vector<OriginFrame>{{"__anon_1", "xor", 1}}));
  EXPECT_EQ(records.back().name, "__anon_0");
  EXPECT_EQ(records.back().kind, format::ComponentKind::not_gate);
  // (NOT a) XOR b is a XNOR b.
  EXPECT_EQ(program.column(0), (std::vector<State>{H, L, L, H}));
}

constexpr std::string_view kHalf =
    "import xor \"xor.vorn\"\n"
    "input a, b\n"
    "xor s(a=a, b=b)\n"
    "and c(a=a, b=b)\n"
    "output sum(in=s.out)\n"
    "output carry(in=c.out)\n";

// Two instances of one file, each holding an instance of another.
constexpr std::string_view kFull =
    "import half \"half.vorn\"\n"
    "input a, b, cin\n"
    "half h1(a=a, b=b)\n"
    "half h2(a=h1.sum, b=cin)\n"
    "not nc1(in=h1.carry)\n"
    "not nc2(in=h2.carry)\n"
    "and nor(a=nc1.out, b=nc2.out)\n"
    "output sum(in=h2.sum)\n"
    "output cout(in=not(in=nor.out).out)\n";

TEST(Pipeline, FullAdderFromTwoHalfAdders) {
  Program program({kFull, kHalf, kXor}, {{"half", 0, 1}, {"xor", 1, 2}});
  const auto& records = program.topology.components;
  std::size_t half_size = 2 + kXorSize + 1 + 2;
  ASSERT_EQ(records.size(), 3 + 2 * half_size + 3 + 2 + 1);
  // h1's inner XOR sits two levels deep; h2's copy differs only in the
  // outer frame.
  EXPECT_EQ(records[5].origin, (std::vector<OriginFrame>{{"h1", "half", 1}, {"s", "xor", 2}}));
  EXPECT_EQ(records[5 + half_size].origin, (std::vector<OriginFrame>{{"h2", "half", 1}, {"s", "xor", 2}}));
  EXPECT_EQ(records[5].name, records[5 + half_size].name);

  testing::CapturedLog quiet;
  auto table = builder::build(program.topology);
  ASSERT_TRUE(table);
  ASSERT_EQ(table->header.inputs.size(), 3u);
  ASSERT_EQ(table->header.outputs.size(), 2u);
  for (const builder::Row& row : table->rows) {
    int ones = std::popcount(row.input_bits);
    EXPECT_EQ(row.outputs[0], ones % 2 ? H : L) << row.input_bits;
    EXPECT_EQ(row.outputs[1], ones >= 2 ? H : L) << row.input_bits;
  }
}

}  // namespace
}  // namespace vorn
