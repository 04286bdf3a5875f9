#include <gtest/gtest.h>

#include <random>

#include "preview/layout/route_boxes.hpp"
#include "preview/layout/route_crossings.hpp"
#include "preview/layout/route_detour.hpp"
#include "testing/layout_test_support.hpp"
#include "testing/preview_test_support.hpp"

namespace vorn::route {
namespace {

using namespace preview_test;

bool insideAny(const std::vector<PlacedComponent>& boxes, std::uint64_t x, std::uint64_t y) {
  for (const PlacedComponent& c : boxes) {
    if (c.x <= x && x < std::uint64_t{c.x} + c.width && c.y <= y && y < std::uint64_t{c.y} + c.height) return true;
  }
  return false;
}

TEST(BoxIndex, AgreesWithTestingEveryBoxForEveryCell) {
  std::mt19937 rng(7);
  for (int round = 0; round < 40; ++round) {
    std::vector<PlacedComponent> boxes;
    const int count = 1 + static_cast<int>(rng() % 12);
    for (int i = 0; i < count; ++i) {
      // Overlapping boxes, zero sizes and ports in odd places all allowed.
      PlacedComponent c = inputPin(static_cast<std::uint32_t>(i), "", rng() % 30, rng() % 30);
      c.width = rng() % 7;
      c.height = rng() % 6;
      c.in_ports = {{"in", {static_cast<std::uint32_t>(rng() % 32), static_cast<std::uint32_t>(rng() % 32)}}};
      boxes.push_back(c);
    }
    const BoxIndex index(boxes);
    for (int q = 0; q < 300; ++q) {
      const std::uint64_t a = rng() % 40, b = rng() % 40, fixed = rng() % 40;
      bool h = false, v = false;
      for (std::uint64_t i = std::min(a, b); i <= std::max(a, b); ++i) {
        h = h || insideAny(boxes, i, fixed);
        v = v || insideAny(boxes, fixed, i);
      }
      ASSERT_EQ(index.isHSegBlocked(a, b, fixed), h) << round << " " << a << " " << b << " " << fixed;
      ASSERT_EQ(index.isVSegBlocked(fixed, a, b), v);
      ASSERT_EQ(index.isCellBlocked(a, fixed), insideAny(boxes, a, fixed));
      const std::uint64_t lo = std::min(a, b), hi = std::max(a, b);
      bool column = false, port = false;
      for (const PlacedComponent& c : boxes) {
        const std::uint64_t bottom = std::uint64_t{c.y} + (c.height > 0 ? c.height - 1 : 0);
        column = column || (c.x <= fixed && fixed < std::uint64_t{c.x} + c.width && c.y <= hi && lo <= bottom);
        port = port || (c.in_ports[0].coord.x == fixed && lo <= c.in_ports[0].coord.y && c.in_ports[0].coord.y <= hi);
      }
      ASSERT_EQ(index.bboxBlocksColumn(fixed, lo, hi), column);
      ASSERT_EQ(index.portApproachInRange(fixed, lo, hi), port);
    }
  }
}

TEST(BoxIndex, HugeBoxesAreStillObstacles) {
  PlacedComponent tall = inputPin(0, "", 10, 0);
  tall.width = 2;
  tall.height = 100000;
  PlacedComponent wide = inputPin(1, "", 0, 200000);
  wide.width = 3000000;
  wide.height = 1;
  const BoxIndex index({tall, wide});
  EXPECT_TRUE(index.isCellBlocked(11, 99999));
  EXPECT_FALSE(index.isCellBlocked(11, 100000));
  EXPECT_TRUE(index.isVSegBlocked(2999999, 0, 200000));
  EXPECT_TRUE(index.isHSegBlocked(0, 9, 200000));
  EXPECT_TRUE(index.bboxBlocksColumn(10, 5, 6));
}

// Rows 0-12, a box on row 5 in the middle of the run 10..20.
struct DetourFixture {
  std::vector<PlacedComponent> boxes;
  HUsage usage;
  DetourQuery query{/*self_src_id=*/1, /*x_lo=*/10, /*x_hi=*/20, /*tx=*/10,
                    /*tx_dst=*/20,     /*sy=*/5,    /*dy=*/5};

  DetourFixture() { boxes.push_back(blockAt(14, 5, 3, 1)); }

  static PlacedComponent blockAt(std::uint32_t x, std::uint32_t y, std::uint32_t w, std::uint32_t h) {
    PlacedComponent c = inputPin(9, "", x, y);
    c.width = w;
    c.height = h;
    return c;
  }
  std::optional<std::uint32_t> find(std::uint64_t bound = 12) const {
    return findFreeY(BoxIndex(boxes), usage, query, bound);
  }
};

TEST(Detour, NearestRowBelowBeforeAboveAndBoxesOnTheWayCount) {
  DetourFixture f;
  EXPECT_EQ(f.find(), 6u);
  f.boxes.push_back(DetourFixture::blockAt(12, 6, 2, 1));
  EXPECT_EQ(f.find(), 4u);
  // A box on column tx between sy and the candidate rules the candidate out.
  f.boxes.push_back(DetourFixture::blockAt(10, 3, 1, 2));
  EXPECT_EQ(f.find(), 7u);

  // So does one on column tx_dst between the candidate and dy: row 7 is
  // free itself but its way back up to row 5 passes (20, 6).
  DetourFixture g;
  g.boxes.push_back(DetourFixture::blockAt(20, 6, 1, 1));
  g.boxes.push_back(DetourFixture::blockAt(11, 4, 1, 1));
  EXPECT_EQ(g.find(), 3u);
}

TEST(Detour, MarginFirstThenFreeRowThenIgnoringOtherWires) {
  DetourFixture f;
  f.usage.add(7, HSeg{2, 15, 30});  // another source: row 6 loses its margin
  EXPECT_EQ(f.find(), 4u);
  f.usage.add(3, HSeg{1, 0, 40});  // the same source never blocks
  EXPECT_EQ(f.find(), 4u);
  f.usage.add(3, HSeg{3, 20, 20});  // now row 4 loses its margin too
  EXPECT_EQ(f.find(), 9u);
  f.usage.add(1, HSeg{3, 0, 40});
  EXPECT_EQ(f.find(8), 6u) << "no margin row up to 8: pass 1 takes the nearest free row";
  f.usage.add(6, HSeg{4, 0, 10});
  f.usage.add(4, HSeg{4, 0, 10});
  EXPECT_EQ(f.find(8), 8u);
  f.usage.add(8, HSeg{4, 0, 10});
  for (std::uint32_t row : {0u, 1u, 2u, 3u, 7u}) f.usage.add(row, HSeg{5, 10, 10});
  EXPECT_EQ(f.find(8), 6u) << "pass 2 ignores other wires";
}

TEST(Detour, NoRowWhenBoxesSurroundTheTrack) {
  DetourFixture f;
  f.boxes.push_back(DetourFixture::blockAt(10, 0, 1, 5));
  f.boxes.push_back(DetourFixture::blockAt(10, 6, 1, 20));
  EXPECT_EQ(f.find(), std::nullopt);
}

std::vector<std::vector<PortCoord>> pairwiseCrossings(const std::vector<layout::RoutedWire>& wires) {
  std::vector<std::vector<PortCoord>> out(wires.size());
  for (std::size_t i = 0; i < wires.size(); ++i) {
    for (std::size_t j = i + 1; j < wires.size(); ++j) {
      for (const Segment& a : wires[i].segments) {
        for (const Segment& b : wires[j].segments) {
          if (auto p = segmentCross(a, b)) {
            out[i].push_back(*p);
            out[j].push_back(*p);
          }
        }
      }
    }
  }
  return out;
}

TEST(Crossings, SegmentCrossNeedsOneHorizontalAndOneVertical) {
  EXPECT_EQ(segmentCross({{0, 2}, {9, 2}}, {{4, 0}, {4, 5}}), (PortCoord{4, 2}));
  EXPECT_EQ(segmentCross({{4, 5}, {4, 0}}, {{9, 2}, {0, 2}}), (PortCoord{4, 2}));
  EXPECT_EQ(segmentCross({{0, 2}, {4, 2}}, {{4, 2}, {4, 5}}), (PortCoord{4, 2})) << "touching ends count";
  EXPECT_EQ(segmentCross({{4, 3}, {4, 3}}, {{4, 0}, {4, 5}}), (PortCoord{4, 3})) << "a point is horizontal";
  EXPECT_EQ(segmentCross({{0, 2}, {9, 2}}, {{0, 2}, {9, 2}}), std::nullopt);
  EXPECT_EQ(segmentCross({{4, 0}, {4, 5}}, {{4, 0}, {4, 5}}), std::nullopt);
  EXPECT_EQ(segmentCross({{0, 2}, {3, 2}}, {{4, 0}, {4, 5}}), std::nullopt);
  EXPECT_EQ(segmentCross({{0, 6}, {9, 6}}, {{4, 0}, {4, 5}}), std::nullopt);
}

TEST(Crossings, SweepFindsEveryPointOfThePairwiseTestWithItsFirstWire) {
  std::mt19937 rng(11);
  for (int round = 0; round < 200; ++round) {
    // Every fourth round is crowded: many wires, half of them leaving along
    // the previous wire's first run, as the wires of one net do.
    const bool crowded = round % 4 == 0;
    std::vector<layout::RoutedWire> wires(1 + rng() % (crowded ? 48 : 9));
    for (std::size_t k = 0; k < wires.size(); ++k) {
      layout::RoutedWire& w = wires[k];
      PortCoord at{static_cast<std::uint32_t>(rng() % 12), static_cast<std::uint32_t>(rng() % 12)};
      if (crowded && k > 0 && !wires[k - 1].segments.empty() && rng() % 2) {
        w.segments.push_back(wires[k - 1].segments.front());
        at = w.segments.back().to;
      }
      const int count = static_cast<int>(rng() % 5);
      for (int s = 0; s < count; ++s) {
        PortCoord next = at;
        if (rng() % 2) next.x = static_cast<std::uint32_t>(rng() % 12);
        else next.y = static_cast<std::uint32_t>(rng() % 12);
        w.segments.push_back({at, next});
        at = next;
      }
    }
    ASSERT_EQ(findCrossings(wires), layout_test::firstWirePerPoint(pairwiseCrossings(wires))) << round;
  }
}

}  // namespace
}  // namespace vorn::route
