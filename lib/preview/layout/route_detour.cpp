#include "preview/layout/route_detour.hpp"

#include <algorithm>

namespace vorn::route {

void HUsage::add(std::uint32_t row, HSeg seg) { rows_[row].push_back(seg); }

bool HUsage::rowOverlap(std::uint32_t self_src_id, std::uint64_t row, std::uint32_t x_lo, std::uint32_t x_hi) const {
  if (row > UINT32_MAX) return false;
  auto found = rows_.find(static_cast<std::uint32_t>(row));
  if (found == rows_.end()) return false;
  for (const HSeg& seg : found->second) {
    if (seg.src_id != self_src_id && seg.x_max >= x_lo && x_hi >= seg.x_min) return true;
  }
  return false;
}

bool detourYIsClear(const BoxIndex& boxes, const HUsage& usage, const DetourQuery& q, std::uint64_t candidate,
                    int pass) {
  if (boxes.isHSegBlocked(q.x_lo, q.x_hi, candidate) || boxes.isVSegBlocked(q.tx, q.sy, candidate) ||
      boxes.isVSegBlocked(q.tx_dst, candidate, q.dy)) {
    return false;
  }
  auto overlaps = [&](std::uint64_t row) { return usage.rowOverlap(q.self_src_id, row, q.x_lo, q.x_hi); };
  if (pass == 0) return !((candidate > 0 && overlaps(candidate - 1)) || overlaps(candidate) || overlaps(candidate + 1));
  if (pass == 1) return !overlaps(candidate);
  return true;
}

std::optional<std::uint32_t> findFreeY(const BoxIndex& boxes, const HUsage& usage, const DetourQuery& q,
                                       std::uint64_t bound) {
  for (int pass = 0; pass < 3; ++pass) {
    if (detourYIsClear(boxes, usage, q, q.sy, pass)) return q.sy;
    // Past both the bound below and row 0 above no candidate is left.
    const std::uint64_t reach = std::min(bound, std::max(bound > q.sy ? bound - q.sy : 0, std::uint64_t{q.sy}));
    for (std::uint64_t d = 1; d <= reach; ++d) {
      const std::uint64_t below = std::uint64_t{q.sy} + d;
      if (below <= bound && detourYIsClear(boxes, usage, q, below, pass)) return static_cast<std::uint32_t>(below);
      if (d <= q.sy && detourYIsClear(boxes, usage, q, q.sy - d, pass)) return static_cast<std::uint32_t>(q.sy - d);
    }
  }
  return std::nullopt;
}

}  // namespace vorn::route
