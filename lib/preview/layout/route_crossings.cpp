#include "preview/layout/route_crossings.hpp"

#include <algorithm>
#include <functional>
#include <map>
#include <queue>
#include <tuple>

namespace vorn::route {

namespace {

using layout::PortCoord;
using layout::Segment;

bool isHorizontal(const Segment& s) { return s.from.y == s.to.y; }

struct HRun {
  std::uint32_t y, x_lo, x_hi, wire, seg;
};

struct VRun {
  std::uint32_t x, y_lo, y_hi, wire, seg;
};

struct Event {
  std::uint32_t i, j, a, b;
  PortCoord point;
};

}  // namespace

std::optional<PortCoord> segmentCross(const Segment& a, const Segment& b) {
  if (isHorizontal(a) == isHorizontal(b)) return std::nullopt;
  const Segment& h = isHorizontal(a) ? a : b;
  const Segment& v = isHorizontal(a) ? b : a;
  const auto [x_lo, x_hi] = std::minmax(h.from.x, h.to.x);
  const auto [y_lo, y_hi] = std::minmax(v.from.y, v.to.y);
  const std::uint32_t x = v.from.x;
  const std::uint32_t y = h.from.y;
  if (x_lo <= x && x <= x_hi && y_lo <= y && y <= y_hi) return PortCoord{x, y};
  return std::nullopt;
}

void addCrossings(std::vector<layout::RoutedWire>& wires) {
  std::vector<HRun> hruns;
  std::vector<VRun> vruns;
  for (std::uint32_t w = 0; w < wires.size(); ++w) {
    const std::vector<Segment>& segments = wires[w].segments;
    for (std::uint32_t s = 0; s < segments.size(); ++s) {
      const Segment& seg = segments[s];
      if (isHorizontal(seg)) {
        const auto [lo, hi] = std::minmax(seg.from.x, seg.to.x);
        hruns.push_back(HRun{seg.from.y, lo, hi, w, s});
      } else {
        const auto [lo, hi] = std::minmax(seg.from.y, seg.to.y);
        vruns.push_back(VRun{seg.from.x, lo, hi, w, s});
      }
    }
  }
  if (hruns.empty() || vruns.empty()) return;
  std::sort(hruns.begin(), hruns.end(), [](const HRun& a, const HRun& b) { return a.y < b.y; });
  std::sort(vruns.begin(), vruns.end(), [](const VRun& a, const VRun& b) { return a.y_lo < b.y_lo; });

  // Sweep the rows that hold horizontal runs downwards, keeping the vertical
  // runs that cover the current row ordered by column.
  using Active = std::multimap<std::uint32_t, std::uint32_t>;  // x -> vrun index
  Active active;
  using Ending = std::pair<std::uint32_t, Active::iterator>;  // y_hi, entry
  auto later = [](const Ending& a, const Ending& b) { return a.first > b.first; };
  std::priority_queue<Ending, std::vector<Ending>, decltype(later)> endings(later);
  std::vector<Event> events;
  std::size_t next_v = 0;
  for (std::size_t h = 0; h < hruns.size();) {
    const std::uint32_t y = hruns[h].y;
    while (next_v < vruns.size() && vruns[next_v].y_lo <= y) {
      auto entry = active.emplace(vruns[next_v].x, static_cast<std::uint32_t>(next_v));
      endings.emplace(vruns[next_v].y_hi, entry);
      ++next_v;
    }
    while (!endings.empty() && endings.top().first < y) {
      active.erase(endings.top().second);
      endings.pop();
    }
    for (; h < hruns.size() && hruns[h].y == y; ++h) {
      const HRun& run = hruns[h];
      for (auto it = active.lower_bound(run.x_lo); it != active.end() && it->first <= run.x_hi; ++it) {
        const VRun& v = vruns[it->second];
        if (v.wire == run.wire) continue;
        const PortCoord point{v.x, y};
        if (run.wire < v.wire) {
          events.push_back(Event{run.wire, v.wire, run.seg, v.seg, point});
        } else {
          events.push_back(Event{v.wire, run.wire, v.seg, run.seg, point});
        }
      }
    }
  }
  // The order of the pairwise test: wire pairs i < j, then segments of i,
  // then segments of j. Events are bucketed by i (counting sort), and each
  // bucket is sorted by (j, a, b).
  std::vector<std::size_t> starts(wires.size() + 1, 0);
  for (const Event& e : events) ++starts[e.i + 1];
  for (std::size_t w = 0; w < wires.size(); ++w) starts[w + 1] += starts[w];
  std::vector<Event> ordered(events.size());
  {
    std::vector<std::size_t> next(starts.begin(), starts.end() - 1);
    for (const Event& e : events) ordered[next[e.i]++] = e;
  }
  events.clear();
  events.shrink_to_fit();
  for (std::size_t w = 0; w < wires.size(); ++w) {
    std::sort(ordered.begin() + static_cast<std::ptrdiff_t>(starts[w]),
              ordered.begin() + static_cast<std::ptrdiff_t>(starts[w + 1]), [](const Event& x, const Event& y) {
                return std::tie(x.j, x.a, x.b) < std::tie(y.j, y.a, y.b);
              });
  }
  std::vector<std::size_t> counts(wires.size(), 0);
  for (const Event& e : ordered) {
    ++counts[e.i];
    ++counts[e.j];
  }
  for (std::size_t w = 0; w < wires.size(); ++w) wires[w].crossings.reserve(wires[w].crossings.size() + counts[w]);
  for (const Event& e : ordered) {
    wires[e.i].crossings.push_back(e.point);
    wires[e.j].crossings.push_back(e.point);
  }
}

}  // namespace vorn::route
