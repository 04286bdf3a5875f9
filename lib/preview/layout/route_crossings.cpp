#include "preview/layout/route_crossings.hpp"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <queue>
#include <span>
#include <tuple>
#include <utility>

namespace vorn::route {

namespace {

using layout::PortCoord;
using layout::Segment;

constexpr std::uint32_t kNone = UINT32_MAX;

bool isHorizontal(const Segment& s) { return s.from.y == s.to.y; }

struct HRun {
  std::uint32_t y, x_lo, x_hi, wire;
};

struct VRun {
  std::uint32_t x, y_lo, y_hi, wire;
};

// The two lowest distinct wires among the runs through one cell.
struct Lowest {
  std::uint32_t first = kNone;
  std::uint32_t second = kNone;
};

// The lowest wire meeting a wire of the other orientation in a cell that
// runs of both orientations cover, if any: only one wire alone there meets
// nothing.
std::optional<std::uint32_t> firstMeeting(Lowest h, Lowest v) {
  if (h.first != v.first) return std::min(h.first, v.first);
  if (h.second != kNone || v.second != kNone) return h.first;
  return std::nullopt;
}

// Vertical runs covering the current row, counted per (column, wire).
class ActiveColumns {
 public:
  void add(const VRun& run) { ++counts_[{run.x, run.wire}]; }
  void remove(const VRun& run) {
    auto found = counts_.find({run.x, run.wire});
    if (--found->second == 0) counts_.erase(found);
  }
  // Calls visit(column, lowest) for every active column in [lo, hi], in order.
  template <typename Visit>
  void forEachIn(std::uint32_t lo, std::uint32_t hi, Visit visit) const {
    auto it = counts_.lower_bound({lo, 0});
    while (it != counts_.end() && it->first.first <= hi) {
      const std::uint32_t column = it->first.first;
      Lowest lowest{it->first.second, kNone};
      if (++it != counts_.end() && it->first.first == column) lowest.second = it->first.second;
      visit(column, lowest);
      if (column == UINT32_MAX) return;
      it = counts_.lower_bound({column + 1, 0});
    }
  }

 private:
  std::map<std::pair<std::uint32_t, std::uint32_t>, std::uint32_t> counts_;
};

// The horizontal runs of one row covering a column that only moves right.
class RowCover {
 public:
  explicit RowCover(std::span<const HRun> runs) : runs_(runs) {}

  Lowest at(std::uint32_t column) {
    for (; next_ < runs_.size() && runs_[next_].x_lo <= column; ++next_) {
      ++counts_[runs_[next_].wire];
      ends_.emplace(runs_[next_].x_hi, runs_[next_].wire);
    }
    while (!ends_.empty() && ends_.top().first < column) {
      auto found = counts_.find(ends_.top().second);
      if (--found->second == 0) counts_.erase(found);
      ends_.pop();
    }
    Lowest lowest;
    auto it = counts_.begin();
    if (it == counts_.end()) return lowest;
    lowest.first = it->first;
    if (++it != counts_.end()) lowest.second = it->first;
    return lowest;
  }

 private:
  using End = std::pair<std::uint32_t, std::uint32_t>;  // x_hi, wire
  std::span<const HRun> runs_;
  std::size_t next_ = 0;
  std::map<std::uint32_t, std::uint32_t> counts_;  // wire -> runs covering the column
  std::priority_queue<End, std::vector<End>, std::greater<End>> ends_;
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

std::vector<layout::Crossing> findCrossings(const std::vector<layout::RoutedWire>& wires) {
  std::vector<HRun> hruns;
  std::vector<VRun> vruns;
  for (std::uint32_t w = 0; w < wires.size(); ++w) {
    for (const Segment& seg : wires[w].segments) {
      if (isHorizontal(seg)) {
        const auto [lo, hi] = std::minmax(seg.from.x, seg.to.x);
        hruns.push_back(HRun{.y = seg.from.y, .x_lo = lo, .x_hi = hi, .wire = w});
      } else {
        const auto [lo, hi] = std::minmax(seg.from.y, seg.to.y);
        vruns.push_back(VRun{.x = seg.from.x, .y_lo = lo, .y_hi = hi, .wire = w});
      }
    }
  }
  std::vector<layout::Crossing> crossings;
  if (hruns.empty() || vruns.empty()) return crossings;
  std::sort(hruns.begin(), hruns.end(),
            [](const HRun& a, const HRun& b) { return std::tie(a.y, a.x_lo) < std::tie(b.y, b.x_lo); });
  std::vector<VRun> by_end = vruns;
  std::sort(vruns.begin(), vruns.end(), [](const VRun& a, const VRun& b) { return a.y_lo < b.y_lo; });
  std::sort(by_end.begin(), by_end.end(), [](const VRun& a, const VRun& b) { return a.y_hi < b.y_hi; });

  // Down the rows that hold horizontal runs, keeping the vertical runs that
  // cover the row; along each row, the active columns inside the union of
  // its runs are exactly the cells both orientations cover.
  ActiveColumns active;
  std::size_t next_start = 0;
  std::size_t next_end = 0;
  for (std::size_t h = 0; h < hruns.size();) {
    const std::uint32_t y = hruns[h].y;
    std::size_t row_end = h;
    while (row_end < hruns.size() && hruns[row_end].y == y) ++row_end;
    for (; next_start < vruns.size() && vruns[next_start].y_lo <= y; ++next_start) active.add(vruns[next_start]);
    for (; next_end < by_end.size() && by_end[next_end].y_hi < y; ++next_end) active.remove(by_end[next_end]);

    const std::span<const HRun> row(hruns.data() + h, row_end - h);
    RowCover cover(row);
    for (std::size_t r = 0; r < row.size();) {
      // One stretch of overlapping runs.
      const std::uint32_t lo = row[r].x_lo;
      std::uint32_t hi = row[r].x_hi;
      for (++r; r < row.size() && row[r].x_lo <= hi; ++r) hi = std::max(hi, row[r].x_hi);
      active.forEachIn(lo, hi, [&](std::uint32_t x, Lowest vertical) {
        if (const auto first = firstMeeting(cover.at(x), vertical)) {
          crossings.push_back(layout::Crossing{PortCoord{x, y}, *first});
        }
      });
    }
    h = row_end;
  }
  return crossings;
}

}  // namespace vorn::route
