#include "preview/layout/route.hpp"

#include <gtest/gtest.h>

#include "preview/layout/route_tracks.hpp"
#include "testing/preview_test_support.hpp"

namespace vorn::route {
namespace {

using namespace preview_test;
using Segments = std::vector<Segment>;

struct Edge {
  std::uint32_t src;
  std::uint32_t dst;
  std::uint8_t dst_port;
};

// Nodes for the placed components, in their order, with the given edges.
std::vector<layout::VirtualNode> nodesFor(const std::vector<PlacedComponent>& placed, const std::vector<Edge>& edges) {
  std::vector<layout::VirtualNode> nodes;
  for (const PlacedComponent& c : placed) {
    layout::VirtualNode node;
    node.kind = c.kind;
    node.name = c.name;
    node.id = c.id;
    for (const Edge& e : edges) {
      if (e.src == c.id) node.outputs.push_back(layout::OutputEdge{e.dst, 3, e.dst_port});
    }
    nodes.push_back(std::move(node));
  }
  return nodes;
}

RouteResult routeOf(const std::vector<PlacedComponent>& placed, const std::vector<Edge>& edges) {
  auto routed = route(nodesFor(placed, edges), placed);
  EXPECT_TRUE(routed.has_value());
  return routed ? std::move(*routed) : RouteResult{};
}

PlacedComponent block(std::uint32_t id, std::uint32_t x, std::uint32_t y, std::uint32_t w, std::uint32_t h) {
  PlacedComponent c = inputPin(id, "", x, y);
  c.width = w;
  c.height = h;
  return c;
}

TEST(Route, WorkedExampleUsesTheCellAfterEachOutputAsTrack) {
  const std::vector<PlacedComponent> placed = {inputPin(0, "a", 0, 0), oneInput(ComponentKind::not_gate, 1, "n", 10, 0),
                                               oneInput(ComponentKind::output_pin, 2, "y", 20, 0)};
  const RouteResult r = routeOf(placed, {{0, 1, 0}, {1, 2, 0}});
  ASSERT_EQ(r.wires.size(), 2u);
  EXPECT_EQ(r.wires[0].segments, (Segments{{{5, 1}, {6, 1}}, {{6, 1}, {9, 1}}}));
  EXPECT_EQ(r.wires[1].segments, (Segments{{{15, 1}, {16, 1}}, {{16, 1}, {19, 1}}}));
  EXPECT_TRUE(r.crossings.empty());
  EXPECT_EQ(r.wires[1].src_id, 1u);
  EXPECT_EQ(r.wires[1].dst_id, 2u);
  EXPECT_EQ(r.wires[1].src_port, 3);
  EXPECT_EQ(r.width, 25u);
  EXPECT_EQ(r.height, 3u);
}

TEST(Route, PortTwoCellsRightOnTheSameRowIsOneStraightSegment) {
  const RouteResult r = routeOf({inputPin(0, "a", 0, 0), oneInput(ComponentKind::led, 1, "l", 8, 0)}, {{0, 1, 0}});
  ASSERT_EQ(r.wires.size(), 1u);
  EXPECT_EQ(r.wires[0].segments, (Segments{{{5, 1}, {7, 1}}}));
}

TEST(Route, FanOutSharesOneTrackAndReportsTheBranchPoints) {
  const RouteResult r = routeOf({inputPin(0, "a", 0, 0), oneInput(ComponentKind::led, 1, "l", 10, 0),
                                 oneInput(ComponentKind::led, 2, "m", 10, 4)},
                                {{0, 1, 0}, {0, 2, 0}});
  ASSERT_EQ(r.wires.size(), 2u);
  EXPECT_EQ(r.wires[0].segments, (Segments{{{5, 1}, {6, 1}}, {{6, 1}, {9, 1}}}));
  EXPECT_EQ(r.wires[1].segments, (Segments{{{5, 1}, {6, 1}}, {{6, 1}, {6, 5}}, {{6, 5}, {9, 5}}}));
  // Both horizontals of wire 0 touch wire 1's vertical at its top: one cell.
  EXPECT_EQ(r.crossings, (std::vector<layout::Crossing>{{{6, 1}, 0}}));
}

TEST(Route, OverlappingRangesOfOneColumnTakeSeparateTracksAndCross) {
  const RouteResult r =
      routeOf({inputPin(0, "a", 0, 0), inputPin(1, "b", 0, 4), oneInput(ComponentKind::led, 2, "l", 20, 0),
               oneInput(ComponentKind::led, 3, "m", 20, 4)},
              {{0, 3, 0}, {1, 2, 0}});
  ASSERT_EQ(r.wires.size(), 2u);
  EXPECT_EQ(r.wires[0].segments, (Segments{{{5, 1}, {6, 1}}, {{6, 1}, {6, 5}}, {{6, 5}, {19, 5}}}));
  EXPECT_EQ(r.wires[1].segments, (Segments{{{5, 5}, {7, 5}}, {{7, 5}, {7, 1}}, {{7, 1}, {19, 1}}}));
  EXPECT_EQ(r.crossings, (std::vector<layout::Crossing>{{{6, 5}, 0}, {{7, 5}, 0}}));
}

TEST(Route, TrackSkipsInputPortColumnsAndBoxesInItsRows) {
  // The LED above the source has its port at (6, 1) and its box on columns
  // 7-11, rows 0-2, all within the trunk's rows 1-3.
  const RouteResult r = routeOf(
      {inputPin(0, "a", 0, 2), oneInput(ComponentKind::led, 1, "l", 7, 0), oneInput(ComponentKind::led, 2, "m", 20, 0)},
      {{0, 2, 0}});
  ASSERT_EQ(r.wires.size(), 1u);
  EXPECT_EQ(r.wires[0].segments, (Segments{{{5, 3}, {12, 3}}, {{12, 3}, {12, 1}}, {{12, 1}, {19, 1}}}));
}

TEST(Route, ApproachShapeTurnsInTheColumnBeforeTheDestination) {
  // The box on columns 10-12, rows 6-8 sits on the destination row between
  // the track (6) and the port, but not on the source row.
  const RouteResult r = routeOf(
      {inputPin(0, "a", 0, 0), block(9, 10, 6, 3, 3), oneInput(ComponentKind::led, 2, "l", 20, 6)}, {{0, 2, 0}});
  ASSERT_EQ(r.wires.size(), 1u);
  EXPECT_EQ(r.wires[0].segments, (Segments{{{5, 1}, {18, 1}}, {{18, 1}, {18, 7}}, {{18, 7}, {19, 7}}}));
}

TEST(Route, DetourTakesTheNearestFreeRowBelowFirst) {
  // The box in the middle column blocks rows 2-4 between source and destination.
  std::vector<PlacedComponent> placed = {inputPin(0, "a", 0, 2), oneInput(ComponentKind::led, 1, "l", 10, 2),
                                         oneInput(ComponentKind::led, 2, "m", 20, 2)};
  RouteResult r = routeOf(placed, {{0, 2, 0}});
  ASSERT_EQ(r.wires.size(), 1u);
  EXPECT_EQ(r.wires[0].segments,
            (Segments{{{5, 3}, {6, 3}}, {{6, 3}, {6, 5}}, {{6, 5}, {18, 5}}, {{18, 5}, {18, 3}}, {{18, 3}, {19, 3}}}));
  EXPECT_EQ(r.height, 6u) << "the detour row below the boxes widens the canvas";

  // With row 5 taken by another box, row 1 (as far above) is next.
  placed.push_back(block(9, 12, 5, 2, 1));
  r = routeOf(placed, {{0, 2, 0}});
  EXPECT_EQ(r.wires[0].segments,
            (Segments{{{5, 3}, {6, 3}}, {{6, 3}, {6, 1}}, {{6, 1}, {18, 1}}, {{18, 1}, {18, 3}}, {{18, 3}, {19, 3}}}));
}

TEST(Route, WithoutAnyDetourRowTheTrackShapeRunsThroughTheBox) {
  // One-column boxes above and below the source row at the track column
  // stop every detour from leaving row 3, which the middle box blocks.
  const RouteResult r =
      routeOf({inputPin(0, "a", 0, 2), block(7, 6, 0, 1, 3), block(8, 6, 4, 1, 3),
               oneInput(ComponentKind::led, 1, "l", 10, 2), oneInput(ComponentKind::led, 2, "m", 20, 2)},
              {{0, 2, 0}});
  ASSERT_EQ(r.wires.size(), 1u);
  EXPECT_EQ(r.wires[0].segments, (Segments{{{5, 3}, {6, 3}}, {{6, 3}, {19, 3}}}));
}

TEST(Route, UnnamedPortLandsOnTheTopLeftCornerAndMissingNodesAreSkipped) {
  const RouteResult r =
      routeOf({inputPin(0, "a", 0, 0), oneInput(ComponentKind::led, 1, "l", 10, 0)}, {{0, 1, 3}, {0, 42, 0}});
  ASSERT_EQ(r.wires.size(), 1u);
  EXPECT_EQ(r.wires[0].segments.back().to, (PortCoord{10, 0}));
  EXPECT_EQ(r.wires[0].dst_port, 3);

  const RouteResult empty = routeOf({}, {});
  EXPECT_TRUE(empty.wires.empty());
  EXPECT_EQ(empty.width, 0u);
  EXPECT_EQ(empty.height, 0u);
}

TEST(Route, PortNames) {
  EXPECT_EQ(portByteOf("in"), 0);
  EXPECT_EQ(portByteOf("a"), 1);
  EXPECT_EQ(portByteOf("b"), 2);
  EXPECT_EQ(portByteOf("out"), 3);
  EXPECT_EQ(portByteOf("c"), std::nullopt);
  EXPECT_EQ(portByteOf(""), std::nullopt);
  const PlacedComponent gate = andGate(4, 10, 6);
  EXPECT_EQ(portCoordOf(gate, 2), (PortCoord{9, 9}));
  EXPECT_EQ(portCoordOf(gate, 0), (PortCoord{10, 6}));
}

// Trunks with the given (y_min, y_max, sy), all leaving column 5.
std::vector<Trunk> trunksOf(const std::vector<std::array<std::uint32_t, 3>>& ranges) {
  std::vector<Trunk> trunks;
  for (const auto& [lo, hi, sy] : ranges) {
    Trunk t;
    t.sx = 5;
    t.sy = sy;
    t.y_min = lo;
    t.y_max = hi;
    trunks.push_back(t);
  }
  return trunks;
}

std::vector<std::vector<std::uint32_t>> membersOf(const std::vector<SuperTrunk>& supers) {
  std::vector<std::vector<std::uint32_t>> members;
  for (const SuperTrunk& st : supers) members.push_back(st.members);
  return members;
}

TEST(Tracks, TrunksChainWhenTheNextStartsOnTheLastRowOrJustBelow) {
  using Groups = std::vector<std::vector<std::uint32_t>>;
  EXPECT_EQ(membersOf(formSuperTrunks(trunksOf({{0, 2, 0}, {2, 4, 2}}), {0, 1})), (Groups{{0, 1}}));
  EXPECT_EQ(membersOf(formSuperTrunks(trunksOf({{0, 2, 0}, {3, 5, 3}}), {0, 1})), (Groups{{0, 1}}));
  EXPECT_EQ(membersOf(formSuperTrunks(trunksOf({{0, 2, 0}, {4, 6, 4}}), {0, 1})), (Groups{{0}, {1}}));
  EXPECT_EQ(membersOf(formSuperTrunks(trunksOf({{0, 3, 0}, {2, 5, 2}}), {0, 1})), (Groups{{0}, {1}}));
  // Sorted by y_min first, then index; the chain's end grows with each member.
  const auto supers = formSuperTrunks(trunksOf({{6, 9, 6}, {0, 4, 0}, {4, 6, 4}, {4, 5, 5}}), {0, 1, 2, 3});
  // 3 overlaps [0, 6] and starts its own; 0 then chains onto 3, the last one.
  EXPECT_EQ(membersOf(supers), (Groups{{1, 2}, {3, 0}}));
  EXPECT_EQ(supers[0].y_max, 6u);
  EXPECT_EQ(supers[1].y_max, 9u);
}

TEST(Tracks, TwoOutputSlotsOfOneBoxNeverShareATrack) {
  using Groups = std::vector<std::vector<std::uint32_t>>;
  // Slots 0 and 1 of box 4 chain by rows but stay apart; box 5 joins either.
  std::vector<Trunk> trunks = trunksOf({{0, 2, 0}, {2, 4, 2}, {4, 6, 4}, {6, 8, 6}});
  const std::uint32_t box[] = {4, 4, 5, 4};
  const std::uint32_t slot[] = {0, 1, 0, 2};
  for (std::size_t i = 0; i < trunks.size(); ++i) {
    trunks[i].src_id = box[i];
    trunks[i].src_slot = slot[i];
  }
  EXPECT_EQ(membersOf(formSuperTrunks(trunks, {0, 1, 2, 3})), (Groups{{0}, {1, 2}, {3}}));
}

TEST(Tracks, BilateralSuperTrunksComeFirstThenNarrowerThenOlder) {
  const std::vector<Trunk> trunks = trunksOf({{0, 9, 0}, {10, 12, 10}, {14, 15, 14}, {20, 30, 25}});
  std::vector<SuperTrunk> supers = formSuperTrunks(trunks, {0, 1, 2, 3});
  ASSERT_EQ(supers.size(), 3u);  // {0, 1} chain (10 <= 9 + 1), {2}, {3}
  EXPECT_FALSE(isSuperTrunkBilateral(supers[0], trunks));
  EXPECT_TRUE(isSuperTrunkBilateral(supers[2], trunks));
  sortSuperTrunks(supers, trunks);
  EXPECT_EQ(membersOf(supers), (std::vector<std::vector<std::uint32_t>>{{3}, {2}, {0, 1}}));
}

TEST(Tracks, EachGroupHasItsOwnUsedColumns) {
  // Two sources in column 0 overlap (separate tracks); a third source in
  // another column starts again from its own sx + 1.
  std::vector<PlacedComponent> placed = {inputPin(0, "a", 0, 0), inputPin(1, "b", 0, 4), inputPin(2, "cc", 0, 8),
                                         oneInput(ComponentKind::led, 3, "l", 20, 0),
                                         oneInput(ComponentKind::led, 4, "m", 20, 4)};
  const RouteResult r = routeOf(placed, {{0, 4, 0}, {1, 3, 0}, {2, 3, 0}});
  ASSERT_EQ(r.wires.size(), 3u);
  EXPECT_EQ(r.wires[0].segments[0].to.x, 6u);
  EXPECT_EQ(r.wires[1].segments[0].to.x, 7u);
  EXPECT_EQ(r.wires[2].segments[0].to.x, 7u) << "sx 6, a group of its own";
}

}  // namespace
}  // namespace vorn::route
