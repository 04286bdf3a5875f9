// The router against a direct transcription of the routing rules that scans
// every box for every cell and every pair of segments, on layouts that the
// real placement makes from random circuits.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <optional>
#include <random>

#include "testing/layout_test_support.hpp"
#include "preview/layout/orchestrator.hpp"
#include "preview/layout/route.hpp"
#include "preview/layout/route_crossings.hpp"
#include "preview/layout/route_tracks.hpp"

namespace vorn::route {
namespace {

using layout::PlacedComponent;
using layout::PortCoord;
using layout::Segment;
using U64 = std::uint64_t;

struct Reference {
  const std::vector<PlacedComponent>& placed;
  // Row -> runs drawn on it, each with its net (source id and slot).
  std::map<std::uint32_t,
           std::vector<std::pair<std::pair<std::uint32_t, std::uint32_t>, std::pair<std::uint32_t, std::uint32_t>>>>
      h_usage;

  bool cell(U64 x, U64 y) const {
    for (const PlacedComponent& c : placed) {
      if (c.x <= x && x < U64{c.x} + c.width && c.y <= y && y < U64{c.y} + c.height) return true;
    }
    return false;
  }
  bool hseg(U64 a, U64 b, U64 y) const {
    for (U64 x = std::min(a, b); x <= std::max(a, b); ++x) {
      if (cell(x, y)) return true;
    }
    return false;
  }
  bool vseg(U64 x, U64 a, U64 b) const {
    for (U64 y = std::min(a, b); y <= std::max(a, b); ++y) {
      if (cell(x, y)) return true;
    }
    return false;
  }
  bool overlap(std::pair<std::uint32_t, std::uint32_t> self, U64 row, std::uint32_t lo, std::uint32_t hi) const {
    auto found = h_usage.find(static_cast<std::uint32_t>(row));
    if (found == h_usage.end()) return false;
    for (const auto& [net, range] : found->second) {
      if (net != self && range.second >= lo && hi >= range.first) return true;
    }
    return false;
  }
};

struct ReferenceResult {
  std::vector<layout::RoutedWire> wires;
  std::vector<std::vector<PortCoord>> crossings;  // per wire, in the order of the pairwise test
};

ReferenceResult referenceRoute(const std::vector<layout::VirtualNode>& nodes,
                               const std::vector<PlacedComponent>& placed) {
  auto find = [&](std::uint32_t id) -> const PlacedComponent* {
    const PlacedComponent* last = nullptr;
    for (const PlacedComponent& c : placed) {
      if (c.id == id) last = &c;
    }
    return last;
  };
  std::vector<PendingWire> wires;
  for (const layout::VirtualNode& n : nodes) {
    const PlacedComponent* s = find(n.id);
    for (const layout::OutputEdge& e : n.outputs) {
      const PlacedComponent* d = find(e.dst_id);
      if (!s || !d) continue;
      // A box with pin slots: the slot's own cell on either side.
      const PortCoord p = e.dst_slot < d->in_ports.size() ? d->in_ports[e.dst_slot].coord : portCoordOf(*d, e.dst_port);
      const PortCoord o = e.src_slot < s->out_ports.size() ? s->out_ports[e.src_slot].coord : s->out_port;
      wires.push_back(PendingWire{{}, n.id, e.dst_id, o.x, o.y, p.x, p.y, 0, 3, e.dst_port, e.src_slot, e.dst_slot});
    }
  }
  // Trunks and their order are shared with the router; the column search
  // tests every box and port.
  std::vector<Trunk> trunks = buildTrunks(wires);
  std::vector<std::uint32_t> sxs;
  for (const Trunk& t : trunks) {
    if (std::find(sxs.begin(), sxs.end(), t.sx) == sxs.end()) sxs.push_back(t.sx);
  }
  Reference ref{placed, {}};
  for (std::uint32_t sx : sxs) {
    std::vector<std::uint32_t> group;
    for (std::uint32_t t = 0; t < trunks.size(); ++t) {
      if (trunks[t].sx == sx) group.push_back(t);
    }
    std::vector<SuperTrunk> supers = formSuperTrunks(trunks, group);
    sortSuperTrunks(supers, trunks);
    std::vector<U64> used;
    for (const SuperTrunk& s : supers) {
      U64 x = U64{sx} + 1;
      for (;;) {
        bool blocked = std::find(used.begin(), used.end(), x) != used.end();
        for (const PlacedComponent& c : placed) {
          const U64 bottom = U64{c.y} + (c.height > 0 ? c.height - 1 : 0);
          blocked = blocked || (c.x <= x && x < U64{c.x} + c.width && c.y <= s.y_max && s.y_min <= bottom);
          for (const layout::PortSlot& slot : c.in_ports) {
            blocked = blocked || (slot.coord.x == x && s.y_min <= slot.coord.y && slot.coord.y <= s.y_max);
          }
        }
        if (!blocked) break;
        ++x;
      }
      used.push_back(x);
      for (std::uint32_t t : s.members) {
        for (std::uint32_t w : trunks[t].wires) wires[w].track_x = static_cast<std::uint32_t>(x);
      }
    }
  }
  U64 max_y = 0;
  for (const PlacedComponent& c : placed) max_y = std::max(max_y, U64{c.y} + c.height);
  const U64 bound = max_y + 16;
  for (PendingWire& w : wires) {
    auto add = [&](U64 a, U64 b, U64 c, U64 d) {
      w.segments.push_back({{static_cast<std::uint32_t>(a), static_cast<std::uint32_t>(b)},
                            {static_cast<std::uint32_t>(c), static_cast<std::uint32_t>(d)}});
    };
    auto three = [&](U64 col) {
      add(w.sx, w.sy, col, w.sy);
      if (w.sy != w.dy) add(col, w.sy, col, w.dy);
      add(col, w.dy, w.dx, w.dy);
    };
    auto clear = [&](U64 col) {
      return !ref.hseg(w.sx, col, w.sy) && !ref.vseg(col, w.sy, w.dy) && !ref.hseg(col, w.dx, w.dy);
    };
    const U64 tx = w.track_x, ax = w.dx > 0 ? w.dx - 1 : 0;
    std::optional<U64> row;
    if (w.sy == w.dy && tx == U64{w.sx} + 1 && w.dx == tx + 1) {
      add(w.sx, w.sy, w.dx, w.dy);
    } else if (w.dx > w.sx && clear(tx)) {
      three(tx);
    } else if (ax != tx && w.dx > w.sx && ax > w.sx && clear(ax)) {
      three(ax);
    } else {
      if (w.dx != 0) {
        const U64 lo = std::min<U64>(tx, w.dx - 1), hi = std::max<U64>(tx, w.dx - 1);
        auto ok = [&](U64 c, int pass) {
          if (ref.hseg(lo, hi, c) || ref.vseg(tx, w.sy, c) || ref.vseg(w.dx - 1, c, w.dy)) return false;
          auto o = [&](U64 r) {
            return ref.overlap({w.src_id, w.src_slot}, r, static_cast<std::uint32_t>(lo),
                               static_cast<std::uint32_t>(hi));
          };
          if (pass == 0) return !((c > 0 && o(c - 1)) || o(c) || o(c + 1));
          if (pass == 1) return !o(c);
          return true;
        };
        for (int pass = 0; pass < 3 && !row; ++pass) {
          if (ok(w.sy, pass)) {
            row = w.sy;
            break;
          }
          for (U64 d = 1; d <= bound && !row; ++d) {
            if (w.sy + d <= bound && ok(w.sy + d, pass)) row = w.sy + d;
            else if (d <= w.sy && ok(w.sy - d, pass)) row = w.sy - d;
          }
        }
      }
      if (row) {
        add(w.sx, w.sy, tx, w.sy);
        if (*row != w.sy) add(tx, w.sy, tx, *row);
        if (ax != tx) add(tx, *row, ax, *row);
        if (*row != w.dy) add(ax, *row, ax, w.dy);
        if (ax != w.dx) add(ax, w.dy, w.dx, w.dy);
      } else {
        three(tx);
      }
    }
    for (const Segment& s : w.segments) {
      if (s.from.y == s.to.y) ref.h_usage[s.from.y].push_back({{w.src_id, w.src_slot}, std::minmax(s.from.x, s.to.x)});
    }
  }
  ReferenceResult result;
  std::vector<layout::RoutedWire>& out = result.wires;
  out.resize(wires.size());
  result.crossings.resize(wires.size());
  for (std::size_t w = 0; w < wires.size(); ++w) {
    out[w].segments = wires[w].segments;
    out[w].src_id = wires[w].src_id;
    out[w].dst_id = wires[w].dst_id;
    out[w].dst_port = wires[w].dst_port;
  }
  for (std::size_t i = 0; i < out.size(); ++i) {
    for (std::size_t j = i + 1; j < out.size(); ++j) {
      for (const Segment& a : out[i].segments) {
        for (const Segment& b : out[j].segments) {
          if (auto p = segmentCross(a, b)) {
            result.crossings[i].push_back(*p);
            result.crossings[j].push_back(*p);
          }
        }
      }
    }
  }
  return result;
}

TEST(RouteReference, SameWiresAndCrossingsAsScanningEverything) {
  std::mt19937 rng(2024);
  std::size_t shapes[6] = {};
  std::size_t crossings = 0;
  std::size_t widest_fan_out = 0;
  std::size_t slotted_wires = 0;
  for (int round = 0; round < 84 + 40; ++round) {
    // Mostly mixed circuits; every fourth round a wide fan-out or a bus;
    // then circuits of sub-circuit boxes with pin slots.
    using layout_test::Shape;
    const Shape shape = round >= 84      ? Shape::boxes
                        : round % 4 != 3 ? Shape::mixed
                                         : (round % 8 == 3 ? Shape::fan_out : Shape::bus);
    const int gates = shape == Shape::mixed || shape == Shape::boxes ? 2 + static_cast<int>(rng() % 40)
                                                                     : 20 + static_cast<int>(rng() % 41);
    const full_format::FullTopology topology = layout_test::randomCircuit(rng, gates, shape);
    layout::LayoutOptions options;
    if (shape == Shape::boxes) options.pin_slot_files = {layout_test::kBoxFile};
    auto grid = orchestrator::build(topology, options);
    ASSERT_TRUE(grid.has_value());
    // The grid's wires come out node by node, each node's edges in order, so
    // grouping them by source gives back the edges the router saw.
    std::vector<layout::VirtualNode> nodes;
    for (const PlacedComponent& c : grid->components) {
      layout::VirtualNode n;
      n.id = c.id;
      for (const layout::RoutedWire& w : grid->wires) {
        if (w.src_id == c.id) n.outputs.push_back(layout::OutputEdge{w.dst_id, 3, w.dst_port, w.src_slot, w.dst_slot});
        if (w.src_id == c.id && w.src_slot != layout::kNoSlot) ++slotted_wires;
      }
      widest_fan_out = std::max(widest_fan_out, n.outputs.size());
      nodes.push_back(std::move(n));
    }
    const ReferenceResult expected = referenceRoute(nodes, grid->components);
    ASSERT_EQ(grid->wires.size(), expected.wires.size());
    for (std::size_t w = 0; w < expected.wires.size(); ++w) {
      shapes[std::min<std::size_t>(expected.wires[w].segments.size(), 5)]++;
      crossings += expected.crossings[w].size();
      ASSERT_EQ(grid->wires[w].segments, expected.wires[w].segments) << "round " << round << " wire " << w;
    }
    ASSERT_EQ(grid->crossings, layout_test::firstWirePerPoint(expected.crossings)) << "round " << round;
  }
  // The random layouts must reach every shape: straight runs, track and
  // approach shapes (2-3 segments) and detours (4-5), and nets of dozens of wires.
  EXPECT_GT(shapes[2] + shapes[3], 0u);
  EXPECT_GT(shapes[4] + shapes[5], 0u);
  EXPECT_GT(crossings, 0u);
  EXPECT_GE(widest_fan_out, 20u);
  EXPECT_GT(slotted_wires, 100u);
}

}  // namespace
}  // namespace vorn::route
