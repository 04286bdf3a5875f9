#pragma once

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

#include "preview/layout/layout.hpp"

// Obstacle queries for the router. Every box (and every input port) is
// indexed by row and by column, so a run of cells is tested with a binary
// search instead of a scan over all components.
namespace vorn::route {

// Intervals filed under a key (a row or a column), each with a tag; answers
// whether any interval under a key meets a given inclusive range, and names
// one that does.
class IntervalBuckets {
 public:
  void add(std::uint64_t key, std::uint64_t lo, std::uint64_t hi, std::uint64_t tag = 0);
  // Must run after the last `add` and before the first query.
  void finish();
  bool overlaps(std::uint64_t key, std::uint64_t lo, std::uint64_t hi) const {
    return overlapping(key, lo, hi).has_value();
  }
  // The tag of an interval under `key` that meets the range.
  std::optional<std::uint64_t> overlapping(std::uint64_t key, std::uint64_t lo, std::uint64_t hi) const;
  // The smallest point at or after `at`, and the largest at or before it,
  // inside an interval under `key`.
  std::optional<std::uint64_t> firstCoveredFrom(std::uint64_t key, std::uint64_t at) const;
  std::optional<std::uint64_t> lastCoveredUpTo(std::uint64_t key, std::uint64_t at) const;

 private:
  struct Entry {
    std::uint64_t key = 0;
    std::uint64_t lo = 0;
    std::uint64_t hi = 0;
    std::uint64_t tag = 0;
    std::uint64_t reach = 0;      // largest `hi` among the entries of this key up to here
    std::uint64_t reach_tag = 0;  // the tag of the entry that reaches that far
  };
  using Iterator = std::vector<Entry>::const_iterator;
  // The entries filed under `key`, sorted by `lo`.
  std::pair<Iterator, Iterator> bucket(std::uint64_t key) const;
  // The last entry of the bucket starting at or before `at`, if any.
  std::optional<Iterator> lastStartingBy(std::uint64_t key, std::uint64_t at) const;

  std::vector<Entry> entries_;
  // When keys are small (rows and columns of a drawing), where each key's
  // entries start, so that a query searches one bucket and not all entries.
  std::vector<std::uint32_t> starts_;
};

// Rows [lo, hi] of a box.
struct RowSpan {
  std::uint64_t lo = 0;
  std::uint64_t hi = 0;
};

// A cell is inside a box when x <= cell x < x + width and y <= cell y < y + height.
class BoxIndex {
 public:
  explicit BoxIndex(const std::vector<layout::PlacedComponent>& placed);

  bool isCellBlocked(std::uint64_t x, std::uint64_t y) const;
  // Any cell of the inclusive run, in either direction, inside a box.
  bool isHSegBlocked(std::uint64_t x_a, std::uint64_t x_b, std::uint64_t y) const {
    return blockingRows(x_a, x_b, y).has_value();
  }
  // The rows of a box that the run on row y cuts through: every row of that
  // span is blocked for the same run.
  std::optional<RowSpan> blockingRows(std::uint64_t x_a, std::uint64_t x_b, std::uint64_t y) const;
  bool isVSegBlocked(std::uint64_t x, std::uint64_t y_a, std::uint64_t y_b) const;
  // The nearest row at or below (at or above) y whose cell in column x is
  // inside a box: a vertical run from y is clear up to the row before it.
  std::optional<std::uint64_t> firstBlockedDown(std::uint64_t x, std::uint64_t y) const;
  std::optional<std::uint64_t> firstBlockedUp(std::uint64_t x, std::uint64_t y) const;
  // Some box spans column x and its rows [y, y + max(height - 1, 0)] meet the range.
  bool bboxBlocksColumn(std::uint64_t x, std::uint64_t y_min, std::uint64_t y_max) const;
  // Some input port lies in column x within the rows.
  bool portApproachInRange(std::uint64_t x, std::uint64_t y_min, std::uint64_t y_max) const;

 private:
  // Boxes too tall or too wide to file row by row or column by column are
  // tested one by one; placement never makes them.
  struct Rect {
    std::uint64_t x_lo, x_hi, y_lo, y_hi;
  };

  std::vector<RowSpan> spans_;    // rows of each box filed in rows_, by tag
  IntervalBuckets rows_;          // row -> x ranges of boxes, tagged with their span
  IntervalBuckets columns_;       // column -> y ranges of boxes
  IntervalBuckets flat_columns_;  // column -> top row of boxes with height 0
  IntervalBuckets ports_;         // column -> rows of input ports
  std::vector<Rect> tall_;        // not in rows_
  std::vector<Rect> wide_;        // not in columns_ / flat_columns_ (y_hi is the bbox row end)
  std::vector<Rect> wide_flat_;
};

}  // namespace vorn::route
