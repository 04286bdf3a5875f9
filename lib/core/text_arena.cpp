#include "core/text_arena.hpp"

#include <cstring>

namespace vorn {

char* TextArena::allocate(std::size_t size) {
  if (size > remaining_) {
    // Large requests get a block of their own so the current block keeps its tail.
    if (size > kBlockSize / 4) {
      blocks_.push_back(std::make_unique<char[]>(size == 0 ? 1 : size));
      return blocks_.back().get();
    }
    blocks_.push_back(std::make_unique<char[]>(kBlockSize));
    cursor_ = blocks_.back().get();
    remaining_ = kBlockSize;
  }
  char* result = cursor_;
  cursor_ += size;
  remaining_ -= size;
  return result;
}

std::string_view TextArena::store(std::string_view text) {
  if (text.empty()) return {};
  char* copy = allocate(text.size());
  std::memcpy(copy, text.data(), text.size());
  return {copy, text.size()};
}

}  // namespace vorn
