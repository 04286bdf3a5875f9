#include "netlist/netlist.hpp"

#include <gtest/gtest.h>

namespace vorn::netlist {
namespace {

using full_format::FullComponentRecord;
using full_format::FullTopology;

FullComponentRecord record(std::uint32_t id, ComponentKind kind, std::string name,
                           std::vector<full_format::OriginFrame> origin = {}) {
  return FullComponentRecord{std::move(name), std::move(origin), id, kind};
}

constexpr std::uint8_t kIn = 0, kA = 1, kB = 2, kOut = 3;

// Ids are sparse and out of order on purpose: nodes follow the records'
// positions, not their ids. Pin `a` feeds an inverter inside instance h1 and
// a NOR latch (two ANDs under NOTs) that feeds nothing else; `y` reads the
// inverter, so it is ahead of the latch while the latch's gates are behind it.
TEST(Netlist, PortsPinsOrderAndWhatLiesBehindACycle) {
  FullTopology topology;
  topology.components = {
      record(40, ComponentKind::input_pin, "a"), record(7, ComponentKind::not_gate, "n", {{"h1", "inv", 1}}),
      record(9, ComponentKind::output_pin, "y"), record(11, ComponentKind::and_gate, "g1"),
      record(12, ComponentKind::not_gate, "q1"), record(13, ComponentKind::and_gate, "g2"),
      record(14, ComponentKind::not_gate, "q2"), record(15, ComponentKind::input_pin, "in", {{"h1", "inv", 1}}),
  };
  topology.connections = {
      {40, 15, kIn}, {15, 7, kIn}, {7, 9, kIn},  // a -> h1.in -> h1.n -> y
      {40, 11, kA},  {14, 11, kB}, {11, 12, kIn}, {12, 13, kA}, {40, 13, kB}, {13, 14, kIn},
  };
  auto built = build(topology);
  ASSERT_TRUE(built);
  const Netlist& netlist = *built;
  EXPECT_EQ(netlist.inputs, (std::vector<std::uint32_t>{0}));
  EXPECT_EQ(netlist.outputs, (std::vector<std::uint32_t>{2}));
  EXPECT_EQ(netlist.nodes[3].a, (std::vector<std::uint32_t>{0}));
  EXPECT_EQ(netlist.nodes[3].b, (std::vector<std::uint32_t>{6}));
  EXPECT_EQ(netlist.nodes[0].fanout, (std::vector<std::uint32_t>{7, 3, 5}));
  EXPECT_FALSE(netlist.acyclic());
  EXPECT_EQ(netlist.after_cycle, (std::vector<bool>{false, false, false, true, true, true, true, false}));

  // Whatever was placed comes after all of its drivers.
  std::vector<int> position(netlist.nodes.size(), -1);
  for (std::size_t i = 0; i < netlist.order.size(); ++i) position[netlist.order[i]] = static_cast<int>(i);
  for (std::uint32_t node : netlist.order) {
    for (std::uint32_t to : netlist.nodes[node].fanout) {
      if (position[to] >= 0) {
        EXPECT_LT(position[node], position[to]);
      }
    }
  }
  EXPECT_EQ(instancePath(topology.components[1]), "h1.n");
  EXPECT_EQ(instancePath(topology.components[0]), "a");

  topology.connections.push_back({40, 9, kOut});
  EXPECT_EQ(build(topology).error(), Error::InvalidTopology);
  topology.connections.back() = {40, 99, kIn};
  EXPECT_EQ(build(topology).error(), Error::InvalidTopology);
}

}  // namespace
}  // namespace vorn::netlist
