#include "topology/full_serializer.hpp"

#include <gtest/gtest.h>

#include "testing/module_builder.hpp"
#include "topology/serializer.hpp"

namespace vorn::full_serializer {
namespace {

using format::ComponentKind;
using format::ConnectionRecord;
using full_format::OriginFrame;
using testing::andModule;
using testing::inverterModule;
using testing::ModuleBuilder;

std::vector<std::uint8_t> bytesOf(std::initializer_list<int> values) {
  std::vector<std::uint8_t> out;
  for (int value : values) out.push_back(static_cast<std::uint8_t>(value));
  return out;
}

TEST(FullSerializer, AndGateIsNinetyEightBytes) {
  auto bytes = serializeModuleFull(andModule());
  ASSERT_TRUE(bytes);
  EXPECT_EQ(*bytes,
            bytesOf({'V', 'O', 'R', 'F', 1, 4, 0, 0,   0, 0, 0,   0,   0,   0, 1, 0, 0, 0, 'a', 0, 0, 0,   0, 1, 0,
                     0,   0,   0,   1,   0, 0, 0, 'b', 0, 0, 0,   0,   2,   0, 0, 0, 2, 1, 0,   0, 0, 'g', 0, 0, 0,
                     0,   3,   0,   0,   0, 5, 3, 0,   0, 0, 'o', 'u', 't', 0, 0, 0, 0, 3, 0,   0, 0, 0,   0, 0, 0,
                     2,   0,   0,   0,   1, 1, 0, 0,   0, 2, 0,   0,   0,   2, 2, 0, 0, 0, 3,   0, 0, 0,   0}));
  EXPECT_EQ(bytes->size(), 98u);
}

TEST(FullSerializer, EncodesEmptyNamesAndFrames) {
  EXPECT_EQ(encode({}), bytesOf({'V', 'O', 'R', 'F', 1, 0, 0, 0, 0, 0, 0, 0, 0}));

  full_format::FullTopology topology;
  topology.components.push_back({"", {{"x", "inv", 7}}, 0x01020304, ComponentKind::led});
  topology.connections.push_back({5, 6, 3});
  EXPECT_EQ(encode(topology),
            bytesOf({'V', 'O', 'R', 'F', 1, 1,   0,   0,   0, 4, 3, 2, 1, 4, 0, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0,
                     'x', 3,   0,   0,   0, 'i', 'n', 'v', 7, 0, 0, 0, 1, 0, 0, 0, 5, 0, 0, 0, 6, 0, 0, 0, 3}));
}

TEST(FullSerializer, FlatModuleRefusesSubCircuitsAndUnknownNames) {
  ModuleBuilder with_sub;
  with_sub.subCircuit("inv", "x");
  EXPECT_EQ(buildFromModule(with_sub.module()).error(), Error::SubCircuitInFlatModule);
  ModuleBuilder with_unknown;
  with_unknown.unresolved("mystery", "m");
  EXPECT_EQ(buildFromModule(with_unknown.module()).error(), Error::UnresolvedComponent);
  ModuleBuilder bad_port;
  auto a = bad_port.input("a");
  bad_port.connect(a, "x", a);
  EXPECT_EQ(serializeModuleFull(bad_port.module()).error(), Error::UnknownPortName);
}

// Root: input a; mid m1(in=a); mid m2(in=m1.out); output y(in=m2.out)
// mid (file 1): input in; inv inner(in=in); output out(in=inner.out)
// inv (file 2): a NOT gate.
types::Project nestedProject() {
  types::Project project;
  ModuleBuilder root;
  auto a = root.input("a");
  auto m1 = root.subCircuit("mid", "m1");
  auto m2 = root.subCircuit("mid", "m2");
  root.connect(m1, "in", a);
  root.connect(m2, "in", m1);
  root.output("y", m2);
  ModuleBuilder mid(1);
  auto in = mid.input("in");
  auto inner = mid.subCircuit("inv", "inner");
  mid.connect(inner, "in", in);
  mid.output("out", inner);
  project.files = {root.module(), mid.module(), inverterModule(2)};
  testing::addImport(project, "mid", 0, 1);
  testing::addImport(project, "inv", 1, 2);
  return project;
}

TEST(FullSerializer, NestedInstancesCarryTheirFramesOutermostFirst) {
  types::Project project = nestedProject();
  auto topology = buildFromProject(project);
  ASSERT_TRUE(topology);
  const auto& records = topology->components;
  ASSERT_EQ(records.size(), 1u + 2 * 5 + 1);
  std::vector<std::string> names;
  for (std::uint32_t i = 0; i < records.size(); ++i) {
    EXPECT_EQ(records[i].id, i);
    names.push_back(records[i].name);
  }
  EXPECT_EQ(names, (std::vector<std::string>{"a", "in", "in", "n", "out", "out",  // m1 and its inner
                                             "in", "in", "n", "out", "out", "y"}));
  EXPECT_TRUE(records[0].origin.empty());
  EXPECT_EQ(records[1].origin, (std::vector<OriginFrame>{{"m1", "mid", 1}}));
  EXPECT_EQ(records[3].origin, (std::vector<OriginFrame>{{"m1", "mid", 1}, {"inner", "inv", 2}}));
  EXPECT_EQ(records[5].origin, (std::vector<OriginFrame>{{"m1", "mid", 1}}));
  EXPECT_EQ(records[8].origin, (std::vector<OriginFrame>{{"m2", "mid", 1}, {"inner", "inv", 2}}));
  EXPECT_TRUE(records[11].origin.empty());
  EXPECT_EQ(records[3].kind, ComponentKind::not_gate);

  // Innermost connections first, then each level's own, then its bound inputs.
  EXPECT_EQ(topology->connections, (std::vector<ConnectionRecord>{{2, 3, 0},
                                                                  {3, 4, 0},
                                                                  {1, 2, 0},  // m1.inner
                                                                  {3, 5, 0},
                                                                  {0, 1, 0},  // m1
                                                                  {7, 8, 0},
                                                                  {8, 9, 0},
                                                                  {6, 7, 0},  // m2.inner
                                                                  {8, 10, 0},
                                                                  {3, 6, 0},  // m2, fed by m1's NOT
                                                                  {8, 11, 0}}));

  // The compact topology is the same walk.
  auto compact = serializer::serializeProject(project);
  ASSERT_TRUE(compact);
  std::vector<std::uint8_t> full = encode(*topology);
  std::size_t at = full.size() - 9 * topology->connections.size();
  EXPECT_TRUE(std::equal(full.begin() + at, full.end(), compact->payload.end() - 9 * 11));
  EXPECT_EQ(compact->output_ids[0].global_id, 8u);
}

}  // namespace
}  // namespace vorn::full_serializer
