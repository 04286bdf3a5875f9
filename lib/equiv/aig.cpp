#include "equiv/aig.hpp"

#include <utility>

namespace vorn::equiv {

Aig::Aig() {
  // Node 0 is the constant: literal 0 is false, literal 1 true.
  fanin0_.push_back(kNoFanin);
  fanin1_.push_back(kNoFanin);
}

Lit Aig::addInput() {
  auto node = static_cast<std::uint32_t>(fanin0_.size());
  fanin0_.push_back(kNoFanin);
  fanin1_.push_back(kNoFanin);
  inputs_.push_back(node);
  return node * 2;
}

Lit Aig::makeAnd(Lit a, Lit b) {
  if (a > b) std::swap(a, b);
  if (a == kFalse || a == negate(b)) return kFalse;
  if (a == kTrue || a == b) return b;
  std::uint64_t key = (std::uint64_t{a} << 32) | b;
  auto [it, added] = table_.try_emplace(key, static_cast<std::uint32_t>(fanin0_.size()));
  if (added) {
    fanin0_.push_back(a);
    fanin1_.push_back(b);
  }
  return it->second * 2;
}

std::vector<std::uint64_t> Aig::simulate(std::span<const std::uint64_t> input_words) const {
  std::vector<std::uint64_t> words(fanin0_.size(), 0);
  for (std::size_t i = 0; i < inputs_.size(); ++i) words[inputs_[i]] = input_words[i];
  for (std::uint32_t node = 1; node < fanin0_.size(); ++node) {
    if (!isAnd(node)) continue;
    words[node] = wordOf(words, fanin0_[node]) & wordOf(words, fanin1_[node]);
  }
  return words;
}

}  // namespace vorn::equiv
