#include "equiv/prove.hpp"

#include <bit>

#include "core/check.hpp"

namespace vorn::equiv {

namespace {

// Input i < 6 alternates within a word the way bit i of the row number does.
constexpr std::uint64_t kLowInputWords[6] = {0xAAAAAAAAAAAAAAAAull, 0xCCCCCCCCCCCCCCCCull, 0xF0F0F0F0F0F0F0F0ull,
                                             0xFF00FF00FF00FF00ull, 0xFFFF0000FFFF0000ull, 0xFFFFFFFF00000000ull};

Witness rowBits(std::uint64_t row, std::size_t count) {
  Witness bits(count);
  for (std::size_t i = 0; i < count; ++i) bits[i] = static_cast<std::uint8_t>((row >> i) & 1);
  return bits;
}

}  // namespace

std::uint64_t rowOf(const Witness& witness) {
  std::uint64_t row = 0;
  for (std::size_t i = 0; i < witness.size() && i < 64; ++i) row |= std::uint64_t{witness[i]} << i;
  return row;
}

std::vector<std::optional<Witness>> enumerate(const Aig& aig, std::span<const Lit> targets) {
  const std::size_t count = aig.inputs().size();
  VORN_CHECK(count <= kMaxEnumeratedInputs);
  std::vector<std::optional<Witness>> found(targets.size());
  std::size_t open = targets.size();
  const std::uint64_t rows = std::uint64_t{1} << count;
  // With fewer than six inputs a word repeats rows; only the first `rows` patterns count.
  const std::uint64_t valid = rows >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << rows) - 1;
  std::vector<std::uint64_t> input_words(count);
  for (std::uint64_t first = 0; first < rows && open > 0; first += 64) {
    for (std::size_t i = 0; i < count; ++i) {
      input_words[i] = rowsWord(first, i);
    }
    const std::vector<std::uint64_t> words = aig.simulate(input_words);
    for (std::size_t t = 0; t < targets.size(); ++t) {
      if (found[t]) continue;
      std::uint64_t hits = Aig::wordOf(words, targets[t]) & valid;
      if (hits == 0) continue;
      found[t] = rowBits(first + static_cast<std::uint64_t>(std::countr_zero(hits)), count);
      --open;
    }
  }
  return found;
}

}  // namespace vorn::equiv
