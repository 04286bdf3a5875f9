#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "preview/layout/layout.hpp"

// Where a crossing mark is really a branch of one net: another wire of the
// same source (a split) or into the same destination port (a merge) runs
// through the cell. Answered from an index instead of scanning every wire.
namespace vorn::split_merge {

// True when `p` lies inside the inclusive bounding range of one of the
// wire's segments.
bool wirePassesThrough(const layout::RoutedWire& wire, layout::PortCoord p);

class SplitMergeIndex {
 public:
  explicit SplitMergeIndex(const std::vector<layout::RoutedWire>& wires);

  // Some wire other than `wire` with the same source id, port and slot runs through `p`.
  bool isSplitPoint(std::size_t wire, layout::PortCoord p) const;
  // Some wire other than `wire` with the same destination id, port and slot runs through `p`.
  bool isMergePoint(std::size_t wire, layout::PortCoord p) const;

  struct Probe {
    std::uint32_t wire = 0;
    layout::PortCoord point;
  };
  // For each probe, isSplitPoint || isMergePoint, answered in one ordered
  // walk over the index rather than one search per probe.
  std::vector<bool> splitsOrMerges(const std::vector<Probe>& probes) const;

 private:
  static constexpr std::uint32_t kNoWire = UINT32_MAX;

  // The two largest interval ends among a prefix of a bucket, from two
  // different wires, so that one wire can be excluded from a query.
  struct Best {
    std::uint32_t hi = 0;
    std::uint32_t wire = kNoWire;
  };
  struct Entry {
    std::uint64_t group = 0;
    std::uint32_t axis = 0;  // 0: a row run, 1: a column run
    std::uint32_t coord = 0;
    std::uint32_t lo = 0;
    std::uint32_t hi = 0;
    std::uint32_t wire = 0;
    Best first;
    Best second;
  };
  struct Bucket {
    std::uint64_t group = 0;
    std::uint32_t axis = 0;
    std::uint32_t coord = 0;
    std::size_t begin = 0;
    std::size_t end = 0;
  };
  struct Box {
    std::uint64_t group = 0;
    layout::PortCoord lo;
    layout::PortCoord hi;
    std::uint32_t wire = 0;
  };

  // Construction, in this order: every run filed under both of its wire's
  // groups; which wires share a group with another drawn wire; the sorted
  // runs cut into buckets with their running reach.
  void fileRuns();
  void markSiblings();
  void bucketRuns();

  bool othersPass(std::uint64_t group, std::size_t wire, layout::PortCoord p) const;
  bool bucketHasOther(std::uint64_t group, std::uint32_t axis, std::uint32_t coord, std::uint32_t point,
                      std::uint32_t wire) const;

  const std::vector<layout::RoutedWire>& wires_;
  std::vector<Entry> entries_;
  std::vector<Bucket> buckets_;
  std::vector<Box> diagonals_;  // never produced by the router; kept correct anyway
  // Per wire and side (source, destination): some other wire with segments
  // shares its group. Most destination ports have one wire, and a wire alone
  // in its group needs no search.
  std::vector<bool> has_sibling_[2];
};

}  // namespace vorn::split_merge
