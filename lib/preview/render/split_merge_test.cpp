#include "preview/render/split_merge.hpp"

#include <gtest/gtest.h>

#include <random>

namespace vorn::split_merge {
namespace {

bool bruteSplit(const std::vector<layout::RoutedWire>& wires, std::size_t i, layout::PortCoord p, bool by_source) {
  for (std::size_t j = 0; j < wires.size(); ++j) {
    if (j == i || wires[j].segments.empty()) continue;
    const bool same = by_source ? (wires[j].src_id == wires[i].src_id && wires[j].src_port == wires[i].src_port)
                                : (wires[j].dst_id == wires[i].dst_id && wires[j].dst_port == wires[i].dst_port);
    if (same && wirePassesThrough(wires[j], p)) return true;
  }
  return false;
}

TEST(SplitMerge, IndexAgreesWithScanningTheOtherWires) {
  std::mt19937 rng(5);
  for (int round = 0; round < 150; ++round) {
    std::vector<layout::RoutedWire> wires(1 + rng() % 10);
    for (layout::RoutedWire& w : wires) {
      w.src_id = rng() % 3;
      w.dst_id = rng() % 3;
      w.dst_port = static_cast<std::uint8_t>(rng() % 2);
      const int count = static_cast<int>(rng() % 4);
      for (int s = 0; s < count; ++s) {
        layout::PortCoord a{static_cast<std::uint32_t>(rng() % 10), static_cast<std::uint32_t>(rng() % 10)};
        layout::PortCoord b = a;
        const unsigned shape = rng() % 5;
        if (shape < 2) b.x = static_cast<std::uint32_t>(rng() % 10);
        else if (shape < 4) b.y = static_cast<std::uint32_t>(rng() % 10);
        else b = {static_cast<std::uint32_t>(rng() % 10), static_cast<std::uint32_t>(rng() % 10)};
        w.segments.push_back({a, b});
      }
    }
    const SplitMergeIndex index(wires);
    std::vector<SplitMergeIndex::Probe> probes;
    std::vector<bool> expected;
    for (std::size_t i = 0; i < wires.size(); ++i) {
      for (std::uint32_t x = 0; x < 11; ++x) {
        for (std::uint32_t y = 0; y < 11; ++y) {
          const bool split = bruteSplit(wires, i, {x, y}, true);
          const bool merge = bruteSplit(wires, i, {x, y}, false);
          ASSERT_EQ(index.isSplitPoint(i, {x, y}), split) << round << " " << i;
          ASSERT_EQ(index.isMergePoint(i, {x, y}), merge) << round << " " << i;
          // The batch answers whether the point is either.
          if (rng() % 3 == 0) {
            probes.push_back({static_cast<std::uint32_t>(i), {x, y}});
            expected.push_back(split || merge);
          }
        }
      }
    }
    ASSERT_EQ(index.splitsOrMerges(probes), expected) << round;
  }
}

TEST(SplitMerge, PassingThroughUsesTheInclusiveRangeOfEachSegment) {
  layout::RoutedWire w;
  w.segments = {{{2, 1}, {6, 1}}, {{6, 1}, {6, 4}}};
  EXPECT_TRUE(wirePassesThrough(w, {2, 1}));
  EXPECT_TRUE(wirePassesThrough(w, {6, 4}));
  EXPECT_FALSE(wirePassesThrough(w, {5, 2}));
  EXPECT_FALSE(wirePassesThrough(w, {7, 1}));
  EXPECT_FALSE(wirePassesThrough(layout::RoutedWire{}, {0, 0}));
}

}  // namespace
}  // namespace vorn::split_merge
