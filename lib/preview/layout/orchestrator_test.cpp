#include "preview/layout/orchestrator.hpp"

#include <gtest/gtest.h>

#include <random>

#include "testing/layout_test_support.hpp"

namespace vorn::orchestrator {
namespace {

using namespace layout_test;
using layout::LayoutGrid;
using layout::PortCoord;

LayoutGrid buildGrid(const full_format::FullTopology& topology, bool expand = false) {
  auto grid = build(topology, {expand});
  EXPECT_TRUE(grid.has_value());
  return grid ? std::move(*grid) : LayoutGrid{};
}

TEST(Build, EmptyTopologyGivesAnEmptyCanvas) {
  const LayoutGrid grid = buildGrid({});
  EXPECT_TRUE(grid.components.empty());
  EXPECT_TRUE(grid.wires.empty());
  EXPECT_EQ(grid.width, 0u);
  EXPECT_EQ(grid.height, 0u);
}

TEST(Build, PinThroughInverterToOutput) {
  TopologyBuilder t;
  const auto a = t.add(ComponentKind::input_pin, "a");
  const auto n = t.add(ComponentKind::not_gate, "n");
  const auto y = t.add(ComponentKind::output_pin, "y");
  t.connect(a, n, kIn);
  t.connect(t.wires(n, 2), y, kIn);
  const LayoutGrid grid = buildGrid(t.topology);

  ASSERT_EQ(grid.components.size(), 3u);
  const std::uint32_t xs[] = {0, 10, 20};
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(grid.components[i].x, xs[i]) << i;
    EXPECT_EQ(grid.components[i].y, 0u) << i;
  }
  EXPECT_EQ(grid.width, 25u);
  EXPECT_EQ(grid.height, 3u);

  ASSERT_EQ(grid.wires.size(), 2u);
  for (std::size_t i = 0; i < 2; ++i) {
    const auto& wire = grid.wires[i];
    ASSERT_FALSE(wire.segments.empty()) << i;
    EXPECT_EQ(wire.src_id, grid.components[i].id);
    EXPECT_EQ(wire.dst_id, grid.components[i + 1].id);
    EXPECT_EQ(wire.segments.front().from, grid.components[i].out_port);
    EXPECT_EQ(wire.segments.back().to, grid.components[i + 1].in_ports.at(0).coord);
  }
}

TEST(Build, MacrosFoldUnlessExpanded) {
  TopologyBuilder t;
  const auto a = t.add(ComponentKind::input_pin, "a");
  const auto b = t.add(ComponentKind::input_pin, "b");
  const auto x = t.xorMacro({}, "x", a, b);
  const auto l = t.add(ComponentKind::led, "l");
  t.connect(x, l, kIn);

  const LayoutGrid folded = buildGrid(t.topology);
  ASSERT_EQ(folded.components.size(), 4u);  // a, b, l, box
  const auto& box = folded.components[3];
  EXPECT_EQ(box.kind.subcircuit, "xor");
  EXPECT_EQ(box.name, "x");
  EXPECT_EQ(std::tuple(box.x, box.width, box.height), std::tuple(10u, 9u, 5u));
  EXPECT_EQ(folded.components[2].x, 24u);  // the LED in the last column
  EXPECT_EQ(folded.wires.size(), 3u);

  const LayoutGrid expanded = buildGrid(t.topology, true);
  ASSERT_EQ(expanded.components.size(), 2u + 7u + 1u);
  for (std::size_t i = 1; i < expanded.components.size(); ++i) {
    EXPECT_LT(expanded.components[i - 1].id, expanded.components[i].id);
  }
  // 2 + 2 edges into the or's and nand's gates, 2 inside the or, 1 each
  // inside or and nand, 2 into the final gate, 1 to the LED.
  EXPECT_EQ(expanded.wires.size(), 4u + 2u + 2u + 2u + 1u);
}

// 2,000 gates, each reading two earlier signals (mostly recent ones, so the
// drawing is deep as well as wide), with the last ten driving LEDs.
full_format::FullTopology randomCircuit(std::uint32_t gates, std::uint32_t seed) {
  std::mt19937 rng(seed);
  TopologyBuilder t;
  std::vector<std::uint32_t> signals;
  for (int i = 0; i < 8; ++i) signals.push_back(t.add(ComponentKind::input_pin, numbered("in", i)));
  for (std::uint32_t g = 0; g < gates; ++g) {
    const auto pick = [&] {
      const std::size_t span = std::min<std::size_t>(signals.size(), 12);
      return signals[signals.size() - 1 - rng() % span];
    };
    if (rng() % 3 == 0) {
      const auto n = t.add(ComponentKind::not_gate, numbered("n", g));
      t.connect(pick(), n, kIn);
      signals.push_back(n);
    } else {
      const auto n = t.add(ComponentKind::and_gate, numbered("g", g));
      t.connect(pick(), n, kA);
      t.connect(pick(), n, kB);
      signals.push_back(n);
    }
  }
  for (int i = 0; i < 10; ++i) {
    const auto led = t.add(ComponentKind::led, numbered("l", i));
    t.connect(signals[signals.size() - 1 - i], led, kIn);
  }
  return std::move(t.topology);
}

TEST(Build, TwoThousandGates) {
  const auto topology = randomCircuit(2000, 5);
  const LayoutGrid grid = buildGrid(topology);
  EXPECT_EQ(grid.components.size(), 2018u);
  EXPECT_GT(grid.wires.size(), 2000u);
}

}  // namespace
}  // namespace vorn::orchestrator
