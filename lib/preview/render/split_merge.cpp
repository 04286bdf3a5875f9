#include "preview/render/split_merge.hpp"

#include <algorithm>
#include <tuple>

namespace vorn::split_merge {

namespace {

using layout::PortCoord;

constexpr std::uint64_t kSourceGroup = 0;
constexpr std::uint64_t kDestinationGroup = 1;

// One net end: a node's port, and the slot on a box with pin slots. The
// slot and the port share the low 31 bits; a box has far fewer than 2^23
// pins (the source limit allows no more), and any beyond would only share
// one key.
std::uint64_t groupKey(std::uint64_t side, std::uint32_t id, std::uint8_t port, std::uint32_t slot) {
  constexpr std::uint64_t kLastSlot = (std::uint64_t{1} << 23) - 2;
  const std::uint64_t slot_key = slot == layout::kNoSlot ? 0 : std::min<std::uint64_t>(slot, kLastSlot) + 1;
  return (side << 63) | (std::uint64_t{id} << 31) | (slot_key << 8) | port;
}

std::uint64_t sourceGroup(const layout::RoutedWire& w) {
  return groupKey(kSourceGroup, w.src_id, w.src_port, w.src_slot);
}
std::uint64_t destinationGroup(const layout::RoutedWire& w) {
  return groupKey(kDestinationGroup, w.dst_id, w.dst_port, w.dst_slot);
}

}  // namespace

bool wirePassesThrough(const layout::RoutedWire& wire, PortCoord p) {
  for (const layout::Segment& s : wire.segments) {
    const auto [x_lo, x_hi] = std::minmax(s.from.x, s.to.x);
    const auto [y_lo, y_hi] = std::minmax(s.from.y, s.to.y);
    if (x_lo <= p.x && p.x <= x_hi && y_lo <= p.y && p.y <= y_hi) return true;
  }
  return false;
}

SplitMergeIndex::SplitMergeIndex(const std::vector<layout::RoutedWire>& wires) : wires_(wires) {
  fileRuns();
  markSiblings();
  bucketRuns();
}

void SplitMergeIndex::fileRuns() {
  for (std::size_t w = 0; w < wires_.size(); ++w) {
    const layout::RoutedWire& wire = wires_[w];
    const std::uint64_t groups[2] = {sourceGroup(wire), destinationGroup(wire)};
    for (const layout::Segment& s : wire.segments) {
      const auto [x_lo, x_hi] = std::minmax(s.from.x, s.to.x);
      const auto [y_lo, y_hi] = std::minmax(s.from.y, s.to.y);
      for (std::uint64_t group : groups) {
        Entry entry;
        entry.group = group;
        entry.wire = static_cast<std::uint32_t>(w);
        if (y_lo == y_hi) {
          entry.axis = 0;
          entry.coord = y_lo;
          entry.lo = x_lo;
          entry.hi = x_hi;
        } else if (x_lo == x_hi) {
          entry.axis = 1;
          entry.coord = x_lo;
          entry.lo = y_lo;
          entry.hi = y_hi;
        } else {
          diagonals_.push_back(
              Box{.group = group, .lo = PortCoord{x_lo, y_lo}, .hi = PortCoord{x_hi, y_hi}, .wire = entry.wire});
          continue;
        }
        entries_.push_back(entry);
      }
    }
  }
  std::sort(entries_.begin(), entries_.end(), [](const Entry& a, const Entry& b) {
    return std::tie(a.group, a.axis, a.coord, a.lo) < std::tie(b.group, b.axis, b.coord, b.lo);
  });
}

void SplitMergeIndex::markSiblings() {
  for (std::uint64_t side : {kSourceGroup, kDestinationGroup}) {
    std::vector<std::pair<std::uint64_t, std::uint32_t>> members;  // group, wire
    for (std::size_t w = 0; w < wires_.size(); ++w) {
      const layout::RoutedWire& wire = wires_[w];
      const std::uint64_t group = side == kSourceGroup ? sourceGroup(wire) : destinationGroup(wire);
      members.emplace_back(group, static_cast<std::uint32_t>(w));
    }
    std::sort(members.begin(), members.end());
    std::vector<bool>& shared = has_sibling_[side];
    shared.assign(wires_.size(), false);
    for (std::size_t i = 0; i < members.size();) {
      std::size_t end = i;
      std::size_t drawn = 0;  // wires of the group with segments
      for (; end < members.size() && members[end].first == members[i].first; ++end) {
        drawn += wires_[members[end].second].segments.empty() ? 0 : 1;
      }
      for (std::size_t k = i; k < end; ++k) {
        shared[members[k].second] = drawn > (wires_[members[k].second].segments.empty() ? 0u : 1u);
      }
      i = end;
    }
  }
}

void SplitMergeIndex::bucketRuns() {
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    Entry& entry = entries_[i];
    const bool starts = buckets_.empty() || buckets_.back().group != entry.group ||
                        buckets_.back().axis != entry.axis || buckets_.back().coord != entry.coord;
    Best first;
    Best second;
    if (starts) {
      buckets_.push_back(Bucket{.group = entry.group, .axis = entry.axis, .coord = entry.coord, .begin = i, .end = i});
    } else {
      first = entries_[i - 1].first;
      second = entries_[i - 1].second;
    }
    buckets_.back().end = i + 1;
    // Keep the largest end overall and the largest end of any other wire.
    if (entry.wire == first.wire) {
      first.hi = std::max(first.hi, entry.hi);
    } else if (first.wire == kNoWire || entry.hi > first.hi) {
      second = first;
      first = Best{entry.hi, entry.wire};
    } else if (entry.wire == second.wire) {
      second.hi = std::max(second.hi, entry.hi);
    } else if (second.wire == kNoWire || entry.hi > second.hi) {
      second = Best{entry.hi, entry.wire};
    }
    entry.first = first;
    entry.second = second;
  }
}

bool SplitMergeIndex::bucketHasOther(std::uint64_t group, std::uint32_t axis, std::uint32_t coord, std::uint32_t point,
                                     std::uint32_t wire) const {
  auto bucket =
      std::lower_bound(buckets_.begin(), buckets_.end(), std::tie(group, axis, coord),
                       [](const Bucket& b, const auto& key) { return std::tie(b.group, b.axis, b.coord) < key; });
  if (bucket == buckets_.end() || bucket->group != group || bucket->axis != axis || bucket->coord != coord) {
    return false;
  }
  // The last entry starting at or before `point` carries the best ends of
  // every entry before it.
  auto first = entries_.begin() + static_cast<std::ptrdiff_t>(bucket->begin);
  auto last = entries_.begin() + static_cast<std::ptrdiff_t>(bucket->end);
  auto after = std::upper_bound(first, last, point, [](std::uint32_t value, const Entry& e) { return value < e.lo; });
  if (after == first) return false;
  const Entry& prefix = *(after - 1);
  if (prefix.first.wire != wire) return prefix.first.hi >= point;
  return prefix.second.wire != kNoWire && prefix.second.hi >= point;
}

bool SplitMergeIndex::othersPass(std::uint64_t group, std::size_t wire, PortCoord p) const {
  const auto self = static_cast<std::uint32_t>(wire);
  if (bucketHasOther(group, 0, p.y, p.x, self) || bucketHasOther(group, 1, p.x, p.y, self)) return true;
  for (const Box& box : diagonals_) {
    if (box.group == group && box.wire != self && box.lo.x <= p.x && p.x <= box.hi.x && box.lo.y <= p.y &&
        p.y <= box.hi.y) {
      return true;
    }
  }
  return false;
}

std::vector<bool> SplitMergeIndex::splitsOrMerges(const std::vector<Probe>& probes) const {
  std::vector<bool> answers(probes.size(), false);
  // Each probe asks four buckets (its source and its destination group, a
  // row run and a column run through the point).
  struct Query {
    std::uint64_t group;
    std::uint32_t axis, coord, point, wire;
    std::size_t probe;
  };
  std::vector<Query> queries;
  queries.reserve(probes.size() * 4);
  for (std::size_t i = 0; i < probes.size(); ++i) {
    const Probe& probe = probes[i];
    const layout::RoutedWire& w = wires_[probe.wire];
    const PortCoord p = probe.point;
    for (const std::uint64_t side : {kSourceGroup, kDestinationGroup}) {
      if (!has_sibling_[side][probe.wire]) continue;
      const std::uint64_t group = side == kSourceGroup ? sourceGroup(w) : destinationGroup(w);
      queries.push_back(Query{.group = group, .axis = 0, .coord = p.y, .point = p.x, .wire = probe.wire, .probe = i});
      queries.push_back(Query{.group = group, .axis = 1, .coord = p.x, .point = p.y, .wire = probe.wire, .probe = i});
      if (!diagonals_.empty() && !answers[i]) answers[i] = othersPass(group, probe.wire, p);
    }
  }
  std::sort(queries.begin(), queries.end(), [](const Query& a, const Query& b) {
    return std::tie(a.group, a.axis, a.coord, a.point) < std::tie(b.group, b.axis, b.coord, b.point);
  });
  // Buckets and queries in the same order; inside a bucket the entry that
  // starts last at or before the point only moves forward.
  std::size_t bucket = 0;
  std::size_t entry = 0;
  for (const Query& q : queries) {
    if (answers[q.probe]) continue;
    const auto key = std::tie(q.group, q.axis, q.coord);
    if (bucket < buckets_.size() &&
        std::tie(buckets_[bucket].group, buckets_[bucket].axis, buckets_[bucket].coord) != key) {
      while (bucket < buckets_.size() &&
             std::tie(buckets_[bucket].group, buckets_[bucket].axis, buckets_[bucket].coord) < key) {
        ++bucket;
      }
      if (bucket < buckets_.size()) entry = buckets_[bucket].begin;
    }
    if (bucket >= buckets_.size()) break;
    const Bucket& b = buckets_[bucket];
    if (std::tie(b.group, b.axis, b.coord) != key) continue;
    entry = std::max(entry, b.begin);
    while (entry + 1 < b.end && entries_[entry + 1].lo <= q.point) ++entry;
    const Entry& prefix = entries_[entry];
    if (prefix.lo > q.point) continue;
    const bool other = prefix.first.wire != q.wire ? prefix.first.hi >= q.point
                                                   : prefix.second.wire != kNoWire && prefix.second.hi >= q.point;
    if (other) answers[q.probe] = true;
  }
  return answers;
}

bool SplitMergeIndex::isSplitPoint(std::size_t wire, PortCoord p) const {
  const layout::RoutedWire& w = wires_[wire];
  return othersPass(sourceGroup(w), wire, p);
}

bool SplitMergeIndex::isMergePoint(std::size_t wire, PortCoord p) const {
  const layout::RoutedWire& w = wires_[wire];
  return othersPass(destinationGroup(w), wire, p);
}

}  // namespace vorn::split_merge
