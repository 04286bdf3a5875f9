#pragma once

#include <bit>
#include <cstdint>
#include <vector>

// A fixed-size set of small integers, for the cover search.
namespace vorn::analysis {

class Bits {
 public:
  Bits() = default;
  explicit Bits(std::size_t size) : words_((size + 63) / 64, 0) {}

  void set(std::size_t i) { words_[i >> 6] |= 1ull << (i & 63); }
  void reset(std::size_t i) { words_[i >> 6] &= ~(1ull << (i & 63)); }
  bool test(std::size_t i) const { return (words_[i >> 6] >> (i & 63)) & 1; }

  bool any() const {
    for (std::uint64_t word : words_) {
      if (word) return true;
    }
    return false;
  }
  std::size_t count() const {
    std::size_t total = 0;
    for (std::uint64_t word : words_) total += std::popcount(word);
    return total;
  }
  // |this ∩ other|
  std::size_t countAnd(const Bits& other) const {
    std::size_t total = 0;
    for (std::size_t w = 0; w < words_.size(); ++w) total += std::popcount(words_[w] & other.words_[w]);
    return total;
  }
  bool intersects(const Bits& other) const {
    for (std::size_t w = 0; w < words_.size(); ++w) {
      if (words_[w] & other.words_[w]) return true;
    }
    return false;
  }
  // this ∩ mask ⊆ other
  bool subsetWithin(const Bits& other, const Bits& mask) const {
    for (std::size_t w = 0; w < words_.size(); ++w) {
      if (words_[w] & mask.words_[w] & ~other.words_[w]) return false;
    }
    return true;
  }
  void andNot(const Bits& other) {
    for (std::size_t w = 0; w < words_.size(); ++w) words_[w] &= ~other.words_[w];
  }
  void orWith(const Bits& other) {
    for (std::size_t w = 0; w < words_.size(); ++w) words_[w] |= other.words_[w];
  }

  template <typename Visit>
  void forEach(Visit&& visit) const {
    for (std::size_t w = 0; w < words_.size(); ++w) {
      for (std::uint64_t word = words_[w]; word != 0; word &= word - 1) {
        visit(w * 64 + static_cast<std::size_t>(std::countr_zero(word)));
      }
    }
  }

 private:
  std::vector<std::uint64_t> words_;
};

}  // namespace vorn::analysis
