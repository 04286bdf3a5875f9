#include <algorithm>
#include <limits>

#include "analysis/bits.hpp"
#include "analysis/minimise.hpp"

namespace vorn::analysis {

namespace {

// Dominance checks cost the square of the sizes; past this they are skipped
// (the search stays exact, only slower).
constexpr std::size_t kDominanceLimit = 1024;

class CoverSearch {
 public:
  CoverSearch(const std::vector<std::vector<std::uint32_t>>& rows, const std::vector<std::uint64_t>& cost,
              std::uint64_t budget)
      : cost_(cost), budget_(budget) {
    row_cols_.assign(rows.size(), Bits(cost.size()));
    col_rows_.assign(cost.size(), Bits(rows.size()));
    for (std::size_t r = 0; r < rows.size(); ++r) {
      for (std::uint32_t c : rows[r]) {
        row_cols_[r].set(c);
        col_rows_[c].set(r);
      }
    }
  }

  CoverChoice solve() {
    Bits rows(row_cols_.size()), cols(cost_.size());
    for (std::size_t r = 0; r < row_cols_.size(); ++r) rows.set(r);
    for (std::size_t c = 0; c < cost_.size(); ++c) cols.set(c);
    greedy(rows, cols);
    std::vector<std::uint32_t> chosen;
    search(rows, cols, chosen, 0);
    return CoverChoice{best_, exact_};
  }

 private:
  // A first cover, so that the search can prune from the start and a search
  // cut short still has an answer.
  void greedy(Bits rows, const Bits& cols) {
    std::vector<std::uint32_t> chosen;
    std::uint64_t total = 0;
    while (rows.any()) {
      double best_ratio = -1;
      std::uint32_t pick = 0;
      cols.forEach([&](std::size_t c) {
        double ratio = static_cast<double>(col_rows_[c].countAnd(rows)) / static_cast<double>(cost_[c]);
        if (ratio > best_ratio) best_ratio = ratio, pick = static_cast<std::uint32_t>(c);
      });
      if (best_ratio <= 0) return;  // a row no column covers: nothing to return
      chosen.push_back(pick);
      total += cost_[pick];
      rows.andNot(col_rows_[pick]);
    }
    best_ = chosen;
    best_cost_ = total;
  }

  void take(std::uint32_t c, Bits& rows, Bits& cols, std::vector<std::uint32_t>& chosen, std::uint64_t& total) {
    chosen.push_back(c);
    total += cost_[c];
    rows.andNot(col_rows_[c]);
    cols.reset(c);
  }

  // Essential columns, dominated columns and dominating rows, until nothing
  // changes. False when some row can no longer be covered.
  bool reduce(Bits& rows, Bits& cols, std::vector<std::uint32_t>& chosen, std::uint64_t& total) {
    for (bool changed = true; changed;) {
      changed = false;
      bool feasible = true;
      rows.forEach([&](std::size_t r) {
        if (!feasible || !rows.test(r)) return;
        std::size_t count = row_cols_[r].countAnd(cols);
        if (count == 0) feasible = false;
        if (count != 1) return;
        std::uint32_t only = 0;
        cols.forEach([&](std::size_t c) {
          if (row_cols_[r].test(c)) only = static_cast<std::uint32_t>(c);
        });
        take(only, rows, cols, chosen, total);
        changed = true;
      });
      if (!feasible) return false;
      if (!rows.any()) return true;
      changed = dropDominatedColumns(rows, cols) || changed;
      changed = dropDominatingRows(rows, cols) || changed;
    }
    return true;
  }

  bool dropDominatedColumns(const Bits& rows, Bits& cols) {
    std::vector<std::uint32_t> list;
    bool changed = false;
    cols.forEach([&](std::size_t c) {
      if (col_rows_[c].intersects(rows)) {
        list.push_back(static_cast<std::uint32_t>(c));
      } else {
        cols.reset(c);
        changed = true;
      }
    });
    if (list.size() > kDominanceLimit) return changed;
    work_ += list.size() * list.size() * (row_cols_.size() / 64 + 1);
    for (std::uint32_t i : list) {
      for (std::uint32_t j : list) {
        if (i == j || !cols.test(j) || cost_[j] > cost_[i]) continue;
        if (!col_rows_[i].subsetWithin(col_rows_[j], rows)) continue;
        bool same = cost_[j] == cost_[i] && col_rows_[j].subsetWithin(col_rows_[i], rows);
        if (same && j > i) continue;
        cols.reset(i);
        changed = true;
        break;
      }
    }
    return changed;
  }

  // A row whose columns include all of another row's is covered whenever
  // that one is.
  bool dropDominatingRows(Bits& rows, const Bits& cols) {
    std::vector<std::uint32_t> list;
    rows.forEach([&](std::size_t r) { list.push_back(static_cast<std::uint32_t>(r)); });
    if (list.size() > kDominanceLimit) return false;
    work_ += list.size() * list.size() * (cost_.size() / 64 + 1);
    bool changed = false;
    for (std::uint32_t i : list) {
      for (std::uint32_t j : list) {
        if (i == j || !rows.test(j)) continue;
        if (!row_cols_[j].subsetWithin(row_cols_[i], cols)) continue;
        bool same = row_cols_[i].subsetWithin(row_cols_[j], cols);
        if (same && j > i) continue;
        rows.reset(i);
        changed = true;
        break;
      }
    }
    return changed;
  }

  // Rows that share no column each need a column of their own.
  std::uint64_t lowerBound(const Bits& rows, const Bits& cols) const {
    std::vector<std::pair<std::size_t, std::uint32_t>> by_choices;
    rows.forEach(
        [&](std::size_t r) { by_choices.emplace_back(row_cols_[r].countAnd(cols), static_cast<std::uint32_t>(r)); });
    std::sort(by_choices.begin(), by_choices.end());
    Bits used(cost_.size());
    std::uint64_t bound = 0;
    for (const auto& [choices, r] : by_choices) {
      if (row_cols_[r].intersects(used)) continue;
      std::uint64_t cheapest = std::numeric_limits<std::uint64_t>::max();
      cols.forEach([&](std::size_t c) {
        if (row_cols_[r].test(c)) cheapest = std::min(cheapest, cost_[c]);
      });
      bound += cheapest;
      Bits mine = row_cols_[r];
      used.orWith(mine);
    }
    return bound;
  }

  void search(Bits rows, Bits cols, std::vector<std::uint32_t>& chosen, std::uint64_t total) {
    if (work_ > budget_) {
      exact_ = false;
      return;
    }
    // Each pass over the rows scans a column set, and the other way round.
    work_ += 4 * (row_cols_.size() * (cost_.size() / 64 + 1) + cost_.size() * (row_cols_.size() / 64 + 1));
    const std::size_t depth = chosen.size();
    if (reduce(rows, cols, chosen, total) && total < best_cost_) {
      if (!rows.any()) {
        best_ = chosen;
        best_cost_ = total;
      } else if (total + lowerBound(rows, cols) < best_cost_) {
        branch(rows, cols, chosen, total);
      }
    }
    chosen.resize(depth);
  }

  // On the row with the fewest columns: each of its columns in turn, the
  // ones tried before left out of the later branches.
  void branch(const Bits& rows, Bits cols, std::vector<std::uint32_t>& chosen, std::uint64_t total) {
    std::size_t fewest = std::numeric_limits<std::size_t>::max();
    std::uint32_t row = 0;
    rows.forEach([&](std::size_t r) {
      std::size_t count = row_cols_[r].countAnd(cols);
      if (count < fewest) fewest = count, row = static_cast<std::uint32_t>(r);
    });
    std::vector<std::pair<std::size_t, std::uint32_t>> options;
    cols.forEach([&](std::size_t c) {
      if (row_cols_[row].test(c)) options.emplace_back(col_rows_[c].countAnd(rows), static_cast<std::uint32_t>(c));
    });
    std::sort(options.begin(), options.end(), [](const auto& x, const auto& y) {
      return x.first != y.first ? x.first > y.first : x.second < y.second;
    });
    for (const auto& [gain, c] : options) {
      Bits next_rows = rows;
      Bits next_cols = cols;
      next_rows.andNot(col_rows_[c]);
      next_cols.reset(c);
      chosen.push_back(c);
      search(next_rows, next_cols, chosen, total + cost_[c]);
      chosen.pop_back();
      cols.reset(c);
      if (!exact_) return;
    }
  }

  const std::vector<std::uint64_t>& cost_;
  std::vector<Bits> row_cols_, col_rows_;
  std::uint64_t budget_;
  std::uint64_t work_ = 0;  // pairs compared and sets scanned, roughly
  std::vector<std::uint32_t> best_;
  std::uint64_t best_cost_ = std::numeric_limits<std::uint64_t>::max();
  bool exact_ = true;
};

}  // namespace

CoverChoice solveCover(const std::vector<std::vector<std::uint32_t>>& rows, const std::vector<std::uint64_t>& cost,
                       std::uint64_t work_budget) {
  return CoverSearch(rows, cost, work_budget).solve();
}

}  // namespace vorn::analysis
