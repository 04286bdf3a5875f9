#include "preview/layout/route_boxes.hpp"

#include <algorithm>
#include <tuple>
#include <type_traits>

namespace vorn::route {

namespace {

// A sub-circuit box is two rows per pin tall; boxes are filed row by row up
// to far more pins than any real one has, so queries stay binary searches.
constexpr std::uint64_t kMaxFiledHeight = 1u << 20;
constexpr std::uint64_t kMaxFiledWidth = 1u << 20;

bool meets(std::uint64_t a_lo, std::uint64_t a_hi, std::uint64_t b_lo, std::uint64_t b_hi) {
  return a_lo <= b_hi && b_lo <= a_hi;
}

}  // namespace

void IntervalBuckets::add(std::uint64_t key, std::uint64_t lo, std::uint64_t hi, std::uint64_t tag) {
  entries_.push_back(Entry{.key = key, .lo = lo, .hi = hi, .tag = tag, .reach = hi, .reach_tag = tag});
}

void IntervalBuckets::finish() {
  std::sort(entries_.begin(), entries_.end(),
            [](const Entry& a, const Entry& b) { return std::tie(a.key, a.lo) < std::tie(b.key, b.lo); });
  for (std::size_t i = 1; i < entries_.size(); ++i) {
    const Entry& previous = entries_[i - 1];
    if (entries_[i].key == previous.key && previous.reach > entries_[i].hi) {
      entries_[i].reach = previous.reach;
      entries_[i].reach_tag = previous.reach_tag;
    }
  }
  if (entries_.empty() || entries_.size() >= UINT32_MAX) return;
  const std::uint64_t largest_key = entries_.back().key;
  if (largest_key > 4 * entries_.size() + 1024) return;
  starts_.assign(largest_key + 2, 0);
  for (const Entry& e : entries_) ++starts_[e.key + 1];
  for (std::size_t k = 1; k < starts_.size(); ++k) starts_[k] += starts_[k - 1];
}

std::pair<IntervalBuckets::Iterator, IntervalBuckets::Iterator> IntervalBuckets::bucket(std::uint64_t key) const {
  if (!starts_.empty()) {
    if (key + 1 >= starts_.size()) return {entries_.end(), entries_.end()};
    return {entries_.begin() + starts_[key], entries_.begin() + starts_[key + 1]};
  }
  const auto by_key = std::equal_range(entries_.begin(), entries_.end(), key, [](const auto& a, const auto& b) {
    if constexpr (std::is_same_v<std::decay_t<decltype(a)>, Entry>) {
      return a.key < b;
    } else {
      return a < b.key;
    }
  });
  return {by_key.first, by_key.second};
}

std::optional<IntervalBuckets::Iterator> IntervalBuckets::lastStartingBy(std::uint64_t key, std::uint64_t at) const {
  const auto [first, last] = bucket(key);
  const auto after =
      std::upper_bound(first, last, at, [](std::uint64_t value, const Entry& e) { return value < e.lo; });
  if (after == first) return std::nullopt;
  return after - 1;
}

std::optional<std::uint64_t> IntervalBuckets::overlapping(std::uint64_t key, std::uint64_t lo, std::uint64_t hi) const {
  // The last interval starting at or before `hi`; its reach is the furthest
  // end of all intervals that start early enough to meet the range.
  const auto last = lastStartingBy(key, hi);
  if (!last || (*last)->reach < lo) return std::nullopt;
  return (*last)->reach_tag;
}

std::optional<std::uint64_t> IntervalBuckets::firstCoveredFrom(std::uint64_t key, std::uint64_t at) const {
  if (overlapping(key, at, at)) return at;
  const auto [first, last] = bucket(key);
  const auto next = std::upper_bound(first, last, at, [](std::uint64_t value, const Entry& e) { return value < e.lo; });
  if (next == last) return std::nullopt;
  return next->lo;
}

std::optional<std::uint64_t> IntervalBuckets::lastCoveredUpTo(std::uint64_t key, std::uint64_t at) const {
  // Intervals starting after `at` cannot cover anything up to it; of the
  // others, the furthest end is the reach of the last one.
  const auto last = lastStartingBy(key, at);
  if (!last) return std::nullopt;
  return std::min((*last)->reach, at);
}

BoxIndex::BoxIndex(const std::vector<layout::PlacedComponent>& placed) {
  for (const layout::PlacedComponent& c : placed) {
    for (const layout::PortSlot& slot : c.in_ports) ports_.add(slot.coord.x, slot.coord.y, slot.coord.y);
    if (c.width == 0) continue;
    const std::uint64_t x_lo = c.x;
    const std::uint64_t x_hi = x_lo + c.width - 1;
    const std::uint64_t y_lo = c.y;
    if (c.height == 0) {
      if (c.width > kMaxFiledWidth) {
        wide_flat_.push_back(Rect{.x_lo = x_lo, .x_hi = x_hi, .y_lo = y_lo, .y_hi = y_lo});
      } else {
        for (std::uint64_t x = x_lo; x <= x_hi; ++x) flat_columns_.add(x, y_lo, y_lo);
      }
      continue;
    }
    const std::uint64_t y_hi = y_lo + c.height - 1;
    if (c.height > kMaxFiledHeight) {
      tall_.push_back(Rect{.x_lo = x_lo, .x_hi = x_hi, .y_lo = y_lo, .y_hi = y_hi});
    } else {
      const std::uint64_t tag = spans_.size();
      spans_.push_back(RowSpan{y_lo, y_hi});
      for (std::uint64_t y = y_lo; y <= y_hi; ++y) rows_.add(y, x_lo, x_hi, tag);
    }
    if (c.width > kMaxFiledWidth) {
      wide_.push_back(Rect{.x_lo = x_lo, .x_hi = x_hi, .y_lo = y_lo, .y_hi = y_hi});
    } else {
      for (std::uint64_t x = x_lo; x <= x_hi; ++x) columns_.add(x, y_lo, y_hi);
    }
  }
  rows_.finish();
  columns_.finish();
  flat_columns_.finish();
  ports_.finish();
}

bool BoxIndex::isCellBlocked(std::uint64_t x, std::uint64_t y) const { return isHSegBlocked(x, x, y); }

std::optional<RowSpan> BoxIndex::blockingRows(std::uint64_t x_a, std::uint64_t x_b, std::uint64_t y) const {
  const auto [lo, hi] = std::minmax(x_a, x_b);
  if (const auto tag = rows_.overlapping(y, lo, hi)) return spans_[*tag];
  for (const Rect& r : tall_) {
    if (r.y_lo <= y && y <= r.y_hi && meets(r.x_lo, r.x_hi, lo, hi)) return RowSpan{r.y_lo, r.y_hi};
  }
  return std::nullopt;
}

bool BoxIndex::isVSegBlocked(std::uint64_t x, std::uint64_t y_a, std::uint64_t y_b) const {
  const auto [lo, hi] = std::minmax(y_a, y_b);
  if (columns_.overlaps(x, lo, hi)) return true;
  return std::any_of(wide_.begin(), wide_.end(),
                     [&](const Rect& r) { return r.x_lo <= x && x <= r.x_hi && meets(r.y_lo, r.y_hi, lo, hi); });
}

std::optional<std::uint64_t> BoxIndex::firstBlockedDown(std::uint64_t x, std::uint64_t y) const {
  std::optional<std::uint64_t> nearest = columns_.firstCoveredFrom(x, y);
  for (const Rect& r : wide_) {
    if (r.x_lo <= x && x <= r.x_hi && r.y_hi >= y)
      nearest = std::min(nearest.value_or(UINT64_MAX), std::max(r.y_lo, y));
  }
  return nearest;
}

std::optional<std::uint64_t> BoxIndex::firstBlockedUp(std::uint64_t x, std::uint64_t y) const {
  std::optional<std::uint64_t> nearest = columns_.lastCoveredUpTo(x, y);
  for (const Rect& r : wide_) {
    if (r.x_lo <= x && x <= r.x_hi && r.y_lo <= y) nearest = std::max(nearest.value_or(0), std::min(r.y_hi, y));
  }
  return nearest;
}

bool BoxIndex::bboxBlocksColumn(std::uint64_t x, std::uint64_t y_min, std::uint64_t y_max) const {
  if (isVSegBlocked(x, y_min, y_max) || flat_columns_.overlaps(x, y_min, y_max)) return true;
  return std::any_of(wide_flat_.begin(), wide_flat_.end(),
                     [&](const Rect& r) { return r.x_lo <= x && x <= r.x_hi && y_min <= r.y_lo && r.y_lo <= y_max; });
}

bool BoxIndex::portApproachInRange(std::uint64_t x, std::uint64_t y_min, std::uint64_t y_max) const {
  return ports_.overlaps(x, y_min, y_max);
}

}  // namespace vorn::route
