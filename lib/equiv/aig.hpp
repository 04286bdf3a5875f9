#pragma once

#include <cstdint>
#include <span>
#include <unordered_map>
#include <vector>

// An and-inverter graph with structural hashing: both circuits of a check
// are built into one graph, so identical subgraphs become one node and most
// equal outputs are equal literals before any search.
namespace vorn::equiv {

// A literal is a node index times two, plus one when complemented.
using Lit = std::uint32_t;
inline constexpr Lit kFalse = 0;
inline constexpr Lit kTrue = 1;

inline Lit negate(Lit lit) { return lit ^ 1u; }
inline std::uint32_t nodeOf(Lit lit) { return lit >> 1; }
inline bool isNegated(Lit lit) { return (lit & 1u) != 0; }

class Aig {
 public:
  Aig();

  Lit addInput();
  Lit makeAnd(Lit a, Lit b);
  Lit makeOr(Lit a, Lit b) { return negate(makeAnd(negate(a), negate(b))); }
  Lit makeXor(Lit a, Lit b) { return makeOr(makeAnd(a, negate(b)), makeAnd(negate(a), b)); }

  std::size_t size() const { return fanin0_.size(); }
  bool isAnd(std::uint32_t node) const { return node != 0 && fanin0_[node] != kNoFanin; }
  bool isInput(std::uint32_t node) const { return node != 0 && fanin0_[node] == kNoFanin; }
  Lit fanin0(std::uint32_t node) const { return fanin0_[node]; }
  Lit fanin1(std::uint32_t node) const { return fanin1_[node]; }
  std::span<const std::uint32_t> inputs() const { return inputs_; }

  // Sixty-four input patterns at once: `input_words[i]` holds input i's bit
  // in each pattern; returns one word per node (nodes are made in
  // topological order, so one pass suffices).
  std::vector<std::uint64_t> simulate(std::span<const std::uint64_t> input_words) const;

  static std::uint64_t wordOf(const std::vector<std::uint64_t>& words, Lit lit) {
    return isNegated(lit) ? ~words[nodeOf(lit)] : words[nodeOf(lit)];
  }

 private:
  static constexpr Lit kNoFanin = 0xFFFFFFFF;
  std::vector<Lit> fanin0_, fanin1_;
  std::vector<std::uint32_t> inputs_;
  std::unordered_map<std::uint64_t, std::uint32_t> table_;  // (fanin0, fanin1) to node
};

}  // namespace vorn::equiv
