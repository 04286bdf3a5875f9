#include "preview/layout/route_detour.hpp"

#include <algorithm>

namespace vorn::route {

// The wires of one output leave along the same run; one copy answers for all.
void HUsage::append(std::vector<HSeg>& list, HSeg seg) {
  if (!list.empty()) {
    const HSeg& last = list.back();
    if (last.src_id == seg.src_id && last.src_slot == seg.src_slot && last.x_min <= seg.x_min &&
        seg.x_max <= last.x_max)
      return;
  }
  list.push_back(seg);
}

bool HUsage::anyOther(const std::vector<HSeg>& list, std::uint32_t self_src_id, std::uint32_t self_src_slot,
                      std::uint32_t x_lo, std::uint32_t x_hi) {
  for (const HSeg& seg : list) {
    if ((seg.src_id != self_src_id || seg.src_slot != self_src_slot) && seg.x_max >= x_lo && x_hi >= seg.x_min)
      return true;
  }
  return false;
}

void HUsage::add(std::uint32_t row, HSeg seg) {
  append(rows_[row], seg);
  const std::uint64_t key = std::uint64_t{row} << 32;
  for (std::uint64_t block = seg.x_min >> kBlockBits; block <= seg.x_max >> kBlockBits; ++block) {
    append(blocks_[key | block], seg);
  }
}

bool HUsage::rowOverlap(std::uint32_t self_src_id, std::uint64_t row, std::uint32_t x_lo, std::uint32_t x_hi,
                        std::uint32_t self_src_slot) const {
  if (row > UINT32_MAX) return false;
  const auto whole = rows_.find(static_cast<std::uint32_t>(row));
  if (whole == rows_.end()) return false;
  const std::uint64_t first = x_lo >> kBlockBits;
  const std::uint64_t last = x_hi >> kBlockBits;
  // A wide query on a sparse row reads the row; otherwise only the stretches it covers.
  if (last - first + 1 >= whole->second.size()) return anyOther(whole->second, self_src_id, self_src_slot, x_lo, x_hi);
  const std::uint64_t key = row << 32;
  for (std::uint64_t block = first; block <= last; ++block) {
    const auto found = blocks_.find(key | block);
    if (found != blocks_.end() && anyOther(found->second, self_src_id, self_src_slot, x_lo, x_hi)) return true;
  }
  return false;
}

bool detourYIsClear(const BoxIndex& boxes, const HUsage& usage, const DetourQuery& q, std::uint64_t candidate,
                    int pass) {
  if (boxes.isHSegBlocked(q.x_lo, q.x_hi, candidate) || boxes.isVSegBlocked(q.tx, q.sy, candidate) ||
      boxes.isVSegBlocked(q.tx_dst, candidate, q.dy)) {
    return false;
  }
  auto overlaps = [&](std::uint64_t row) {
    return usage.rowOverlap(q.self_src_id, row, q.x_lo, q.x_hi, q.self_src_slot);
  };
  if (pass == 0) return !((candidate > 0 && overlaps(candidate - 1)) || overlaps(candidate) || overlaps(candidate + 1));
  if (pass == 1) return !overlaps(candidate);
  return true;
}

std::optional<std::uint32_t> findFreeY(const BoxIndex& boxes, const HUsage& usage, const DetourQuery& q,
                                       std::uint64_t bound) {
  // Rows whose column runs are clear of boxes: from sy on column tx, and to
  // dy on column tx_dst. A run only grows as its row moves away from where
  // it starts, so these rows form one stretch around both sy and dy.
  const std::uint64_t sy = q.sy;
  const std::uint64_t dy = q.dy;
  const auto tx_below = boxes.firstBlockedDown(q.tx, sy);
  const auto dst_below = boxes.firstBlockedDown(q.tx_dst, dy);
  if (tx_below == sy || dst_below == dy) return std::nullopt;
  const auto tx_above = boxes.firstBlockedUp(q.tx, sy);
  const auto dst_above = boxes.firstBlockedUp(q.tx_dst, dy);
  const std::uint64_t lo = std::max(tx_above ? *tx_above + 1 : 0, dst_above ? *dst_above + 1 : 0);
  const std::uint64_t hi =
      std::min({tx_below ? *tx_below - 1 : UINT64_MAX, dst_below ? *dst_below - 1 : UINT64_MAX, bound});

  // The three passes in one walk over the candidates: a row that passes a
  // stricter pass passes the looser ones, so the first row clear of boxes
  // and the first one also clear of other wires are noted on the way, and
  // the first row with its margins ends the walk. Only when no row has its
  // margins has the whole walk been made, and the notes answer then.
  std::optional<std::uint32_t> first_free;      // pass 1
  std::optional<std::uint32_t> first_box_free;  // pass 2
  auto overlaps = [&](std::uint64_t row) {
    return usage.rowOverlap(q.self_src_id, row, q.x_lo, q.x_hi, q.self_src_slot);
  };

  // The candidates still to try on each side of sy, nearest first; every
  // row of a box that the detour's run cuts is stepped over.
  std::uint64_t below = std::max(sy + 1, lo);
  std::uint64_t above_distance = sy > hi ? sy - hi : 1;  // the next row above is sy - above_distance
  bool above_open = true;

  // True when the row is the answer of pass 0.
  auto visit = [&](std::uint64_t candidate) {
    if (const auto span = boxes.blockingRows(q.x_lo, q.x_hi, candidate)) {
      if (candidate >= sy) below = std::max(below, span->hi + 1);
      if (candidate <= sy) {
        if (span->lo == 0) {
          above_open = false;
        } else {
          above_distance = std::max(above_distance, sy - (span->lo - 1));
        }
      }
      return false;
    }
    const auto row = static_cast<std::uint32_t>(candidate);
    if (!first_box_free) first_box_free = row;
    if (overlaps(candidate)) return false;
    if (!first_free) first_free = row;
    return !(candidate > 0 && overlaps(candidate - 1)) && !overlaps(candidate + 1);
  };

  if (lo <= sy && sy <= hi && visit(sy)) return q.sy;
  // Below before above at equal distance.
  for (;;) {
    const bool below_open = below <= hi;
    above_open = above_open && above_distance <= sy && sy - above_distance >= lo;
    if (!below_open && !above_open) break;
    if (below_open && (!above_open || below - sy <= above_distance)) {
      const std::uint64_t candidate = below++;
      if (visit(candidate)) return static_cast<std::uint32_t>(candidate);
    } else {
      const std::uint64_t candidate = sy - above_distance++;
      if (visit(candidate)) return static_cast<std::uint32_t>(candidate);
    }
  }
  if (first_free) return first_free;
  return first_box_free;
}

}  // namespace vorn::route
