#pragma once

#include <cstdint>
#include <optional>
#include <unordered_map>
#include <vector>

#include "preview/layout/route_boxes.hpp"

// The detour search: a free row on which a blocked wire can pass its obstacle.
namespace vorn::route {

// A horizontal run already drawn, inclusive.
struct HSeg {
  std::uint32_t src_id = 0;
  std::uint32_t x_min = 0;
  std::uint32_t x_max = 0;
  std::uint32_t src_slot = layout::kNoSlot;  // with src_id, the net that drew it
};

// The horizontal runs drawn so far, by row, and by row and stretch of
// columns so that a query near one end of a wide drawing does not read every
// run of its row.
class HUsage {
 public:
  void add(std::uint32_t row, HSeg seg);
  // A run of another source meets x_lo..x_hi on `row`. Runs of the same
  // source (the same output slot of a box with pin slots) never block each other.
  bool rowOverlap(std::uint32_t self_src_id, std::uint64_t row, std::uint32_t x_lo, std::uint32_t x_hi,
                  std::uint32_t self_src_slot = layout::kNoSlot) const;

 private:
  static constexpr unsigned kBlockBits = 7;  // stretches of 128 columns

  static void append(std::vector<HSeg>& list, HSeg seg);
  static bool anyOther(const std::vector<HSeg>& list, std::uint32_t self_src_id, std::uint32_t self_src_slot,
                       std::uint32_t x_lo, std::uint32_t x_hi);

  std::unordered_map<std::uint32_t, std::vector<HSeg>> rows_;
  std::unordered_map<std::uint64_t, std::vector<HSeg>> blocks_;  // (row << 32 | x >> kBlockBits) -> runs
};

// One wire's detour: along a row from its track column `tx` to `tx_dst`
// (the column before its destination port), leaving the source row `sy` and
// reaching the destination row `dy` vertically.
struct DetourQuery {
  std::uint32_t self_src_id = 0;
  std::uint32_t x_lo = 0;
  std::uint32_t x_hi = 0;
  std::uint32_t tx = 0;
  std::uint32_t tx_dst = 0;
  std::uint32_t sy = 0;
  std::uint32_t dy = 0;
  std::uint32_t self_src_slot = layout::kNoSlot;
};

// Pass 0 wants a one-row margin to other sources' runs, pass 1 only a free
// row, pass 2 ignores other wires; boxes are always avoided.
bool detourYIsClear(const BoxIndex& boxes, const HUsage& usage, const DetourQuery& q, std::uint64_t candidate,
                    int pass);

// The nearest clear row to `sy`, below before above at equal distance, no
// further down than `bound`; each pass is tried in full before the next.
std::optional<std::uint32_t> findFreeY(const BoxIndex& boxes, const HUsage& usage, const DetourQuery& q,
                                       std::uint64_t bound);

}  // namespace vorn::route
