#include "preview/layout/route_tracks.hpp"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

namespace vorn::route {

namespace {

struct TrunkKey {
  std::uint32_t sx;
  std::uint32_t src_id;
  std::uint8_t src_port;
  std::uint32_t src_slot;
  friend bool operator==(const TrunkKey&, const TrunkKey&) = default;
};

struct TrunkKeyHash {
  std::size_t operator()(const TrunkKey& k) const {
    const std::uint64_t packed = (std::uint64_t{k.sx} << 32) | k.src_id;
    return std::hash<std::uint64_t>{}(packed) ^
           ((k.src_port + (std::uint64_t{k.src_slot} << 8)) * 0x9e3779b97f4a7c15ull);
  }
};

// Columns given to earlier super trunks of one group. Every taken column
// points at the next one, with paths shortened as they are walked, so that a
// group of n super trunks does not walk over up to n taken columns each.
class TakenColumns {
 public:
  std::uint64_t firstFreeFrom(std::uint64_t x) {
    std::uint64_t free = x;
    for (auto it = next_.find(free); it != next_.end(); it = next_.find(free)) free = it->second;
    while (x != free) {
      auto it = next_.find(x);
      x = it->second;
      it->second = free;
    }
    return free;
  }
  void take(std::uint64_t x) { next_[x] = x + 1; }

 private:
  std::unordered_map<std::uint64_t, std::uint64_t> next_;
};

}  // namespace

std::vector<Trunk> buildTrunks(const std::vector<PendingWire>& wires) {
  std::vector<Trunk> trunks;
  std::unordered_map<TrunkKey, std::uint32_t, TrunkKeyHash> index;
  for (std::uint32_t w = 0; w < wires.size(); ++w) {
    const PendingWire& wire = wires[w];
    const auto [lo, hi] = std::minmax(wire.sy, wire.dy);
    const TrunkKey key{.sx = wire.sx, .src_id = wire.src_id, .src_port = wire.src_port, .src_slot = wire.src_slot};
    auto [found, inserted] = index.try_emplace(key, static_cast<std::uint32_t>(trunks.size()));
    if (inserted) {
      Trunk trunk;
      trunk.wires.push_back(w);
      trunk.sx = wire.sx;
      trunk.sy = wire.sy;
      trunk.src_id = wire.src_id;
      trunk.y_min = lo;
      trunk.y_max = hi;
      trunk.src_port = wire.src_port;
      trunk.src_slot = wire.src_slot;
      trunks.push_back(std::move(trunk));
    } else {
      Trunk& trunk = trunks[found->second];
      trunk.y_min = std::min(trunk.y_min, lo);
      trunk.y_max = std::max(trunk.y_max, hi);
      trunk.wires.push_back(w);
    }
  }
  return trunks;
}

std::vector<SuperTrunk> formSuperTrunks(const std::vector<Trunk>& trunks, std::vector<std::uint32_t> group) {
  std::sort(group.begin(), group.end(), [&](std::uint32_t a, std::uint32_t b) {
    if (trunks[a].y_min != trunks[b].y_min) return trunks[a].y_min < trunks[b].y_min;
    return a < b;
  });
  std::vector<SuperTrunk> supers;
  // The boxes with an output slot in the last super trunk. Two output slots
  // of one box are two nets leaving side by side: sharing a track would
  // draw them joined.
  std::unordered_set<std::uint32_t> last_boxes;
  const auto takesBox = [&](const Trunk& trunk) {
    return trunk.src_slot == layout::kNoSlot || last_boxes.insert(trunk.src_id).second;
  };
  for (std::uint32_t t : group) {
    const Trunk& trunk = trunks[t];
    if (!supers.empty()) {
      SuperTrunk& last = supers.back();
      if (last.y_max <= trunk.y_min && std::uint64_t{trunk.y_min} <= std::uint64_t{last.y_max} + 1 && takesBox(trunk)) {
        last.members.push_back(t);
        last.y_max = std::max(last.y_max, trunk.y_max);
        continue;
      }
    }
    supers.push_back(SuperTrunk{{t}, trunk.y_min, trunk.y_max});
    last_boxes.clear();
    takesBox(trunk);
  }
  return supers;
}

bool isSuperTrunkBilateral(const SuperTrunk& st, const std::vector<Trunk>& trunks) {
  if (st.members.empty()) return false;
  std::uint32_t lo = trunks[st.members.front()].sy;
  std::uint32_t hi = lo;
  for (std::uint32_t t : st.members) {
    lo = std::min(lo, trunks[t].sy);
    hi = std::max(hi, trunks[t].sy);
  }
  return st.y_min < lo && st.y_max > hi;
}

void sortSuperTrunks(std::vector<SuperTrunk>& supers, const std::vector<Trunk>& trunks) {
  struct Keyed {
    bool bilateral;
    std::uint32_t span;
    std::uint32_t index;
  };
  std::vector<Keyed> keys;
  keys.reserve(supers.size());
  for (std::uint32_t i = 0; i < supers.size(); ++i) {
    keys.push_back(Keyed{isSuperTrunkBilateral(supers[i], trunks), supers[i].y_max - supers[i].y_min, i});
  }
  std::sort(keys.begin(), keys.end(), [](const Keyed& a, const Keyed& b) {
    if (a.bilateral != b.bilateral) return a.bilateral;
    if (a.span != b.span) return a.span < b.span;
    return a.index < b.index;
  });
  std::vector<SuperTrunk> sorted;
  sorted.reserve(supers.size());
  for (const Keyed& k : keys) sorted.push_back(std::move(supers[k.index]));
  supers = std::move(sorted);
}

void assignTrackColumns(std::vector<PendingWire>& wires, const std::vector<Trunk>& trunks, const BoxIndex& boxes) {
  // Groups by sx, in order of first appearance; groups are independent.
  std::unordered_map<std::uint32_t, std::uint32_t> group_of;
  std::vector<std::vector<std::uint32_t>> groups;
  for (std::uint32_t t = 0; t < trunks.size(); ++t) {
    auto [found, inserted] = group_of.try_emplace(trunks[t].sx, static_cast<std::uint32_t>(groups.size()));
    if (inserted) groups.emplace_back();
    groups[found->second].push_back(t);
  }
  for (std::vector<std::uint32_t>& group : groups) {
    std::vector<SuperTrunk> supers = formSuperTrunks(trunks, std::move(group));
    sortSuperTrunks(supers, trunks);
    TakenColumns taken;
    for (const SuperTrunk& st : supers) {
      std::uint64_t x = taken.firstFreeFrom(std::uint64_t{trunks[st.members.front()].sx} + 1);
      while (boxes.bboxBlocksColumn(x, st.y_min, st.y_max) || boxes.portApproachInRange(x, st.y_min, st.y_max)) {
        x = taken.firstFreeFrom(x + 1);
      }
      taken.take(x);
      const auto track = static_cast<std::uint32_t>(std::min<std::uint64_t>(x, UINT32_MAX));
      for (std::uint32_t t : st.members) {
        for (std::uint32_t w : trunks[t].wires) wires[w].track_x = track;
      }
    }
  }
}

}  // namespace vorn::route
