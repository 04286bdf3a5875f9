#include "preview/render/split_merge.hpp"

#include <algorithm>
#include <tuple>

namespace vorn::split_merge {

namespace {

using layout::PortCoord;

constexpr std::uint64_t kSourceGroup = 0;
constexpr std::uint64_t kDestinationGroup = 1;

std::uint64_t groupKey(std::uint64_t side, std::uint32_t id, std::uint8_t port) {
  return (side << 40) | (std::uint64_t{id} << 8) | port;
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
  for (std::size_t w = 0; w < wires.size(); ++w) {
    const layout::RoutedWire& wire = wires[w];
    const std::uint64_t groups[2] = {groupKey(kSourceGroup, wire.src_id, wire.src_port),
                                     groupKey(kDestinationGroup, wire.dst_id, wire.dst_port)};
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
          diagonals_.push_back(Box{group, PortCoord{x_lo, y_lo}, PortCoord{x_hi, y_hi}, entry.wire});
          continue;
        }
        entries_.push_back(entry);
      }
    }
  }
  std::sort(entries_.begin(), entries_.end(), [](const Entry& a, const Entry& b) {
    return std::tie(a.group, a.axis, a.coord, a.lo) < std::tie(b.group, b.axis, b.coord, b.lo);
  });
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    Entry& entry = entries_[i];
    if (buckets_.empty() || buckets_.back().group != entry.group || buckets_.back().axis != entry.axis ||
        buckets_.back().coord != entry.coord) {
      bucket_of_.emplace(BucketKey{entry.group, entry.axis, entry.coord}, buckets_.size());
    }
    const bool starts = buckets_.empty() || buckets_.back().group != entry.group ||
                        buckets_.back().axis != entry.axis || buckets_.back().coord != entry.coord;
    Best first;
    Best second;
    if (starts) {
      buckets_.push_back(Bucket{entry.group, entry.axis, entry.coord, i, i});
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

std::size_t SplitMergeIndex::BucketKeyHash::operator()(const BucketKey& k) const {
  const std::uint64_t mixed = k.group * 0x9e3779b97f4a7c15ULL ^ (std::uint64_t{k.axis} << 63) ^
                              (std::uint64_t{k.coord} * 0xc2b2ae3d27d4eb4fULL);
  return std::hash<std::uint64_t>{}(mixed ^ (mixed >> 29));
}

bool SplitMergeIndex::bucketHasOther(std::uint64_t group, std::uint32_t axis, std::uint32_t coord,
                                     std::uint32_t point, std::uint32_t wire) const {
  const auto found = bucket_of_.find(BucketKey{group, axis, coord});
  if (found == bucket_of_.end()) return false;
  const Bucket* bucket = &buckets_[found->second];
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

bool SplitMergeIndex::isSplitPoint(std::size_t wire, PortCoord p) const {
  const layout::RoutedWire& w = wires_[wire];
  return othersPass(groupKey(kSourceGroup, w.src_id, w.src_port), wire, p);
}

bool SplitMergeIndex::isMergePoint(std::size_t wire, PortCoord p) const {
  const layout::RoutedWire& w = wires_[wire];
  return othersPass(groupKey(kDestinationGroup, w.dst_id, w.dst_port), wire, p);
}

}  // namespace vorn::split_merge
