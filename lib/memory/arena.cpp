#include "memory/arena.hpp"

#if VORN_FREESTANDING
extern "C" unsigned char __heap_base;
#else
#include <cstdlib>
#endif

namespace vorn::memory {
namespace {

constexpr size_t kMinimumBlock = size_t(1) << 20;

uintptr_t alignUp(uintptr_t value, size_t alignment) { return (value + (alignment - 1)) & ~uintptr_t(alignment - 1); }

#if !VORN_FREESTANDING
// Every native block starts with a link to the previous one, so that all
// blocks stay reachable from the arena (leak checkers see them as live).
struct BlockHeader {
  BlockHeader* previous;
};
#endif

}  // namespace

bool Arena::newBlock(size_t minimum) {
#if VORN_FREESTANDING
  constexpr size_t kPage = 65536;
  if (cursor_ == nullptr) {
    // First use: the rest of the initial memory after the static data.
    cursor_ = &__heap_base;
    end_ = reinterpret_cast<uint8_t*>(__builtin_wasm_memory_size(0) * kPage);
    if (size_t(end_ - cursor_) >= minimum) return true;
  }
  size_t wanted = minimum < kMinimumBlock ? kMinimumBlock : minimum;
  size_t pages = wanted / kPage + 1;
  // Stay below 4 GiB so that the end of the block is still an address.
  if (uint64_t(__builtin_wasm_memory_size(0)) + pages >= 65536) return false;
  size_t old_pages = __builtin_wasm_memory_grow(0, pages);
  if (old_pages == SIZE_MAX) return false;
  uint8_t* start = reinterpret_cast<uint8_t*>(old_pages * kPage);
  // Nothing else grows memory, so the new pages usually continue the block.
  if (start != end_) cursor_ = start;
  end_ = start + pages * kPage;
  return true;
#else
  if (minimum > SIZE_MAX / 2) return false;
  size_t size = minimum + sizeof(BlockHeader) + 64;
  if (size < kMinimumBlock) size = kMinimumBlock;
  auto* header = static_cast<BlockHeader*>(std::malloc(size));
  if (header == nullptr) return false;
  header->previous = static_cast<BlockHeader*>(newest_block_);
  newest_block_ = header;
  cursor_ = reinterpret_cast<uint8_t*>(header + 1);
  end_ = reinterpret_cast<uint8_t*>(header) + size;
  return true;
#endif
}

void* Arena::allocate(size_t size, size_t alignment) {
  if (size > SIZE_MAX / 4 || alignment > 4096) return nullptr;
  if (size == 0) size = 1;
  // Compare remaining room rather than end addresses, which could wrap.
  auto fits = [&](uintptr_t start) {
    uintptr_t cursor = reinterpret_cast<uintptr_t>(cursor_);
    uintptr_t end = reinterpret_cast<uintptr_t>(end_);
    return cursor_ != nullptr && start >= cursor && start <= end && size <= end - start;
  };
  uintptr_t start = alignUp(reinterpret_cast<uintptr_t>(cursor_), alignment);
  if (!fits(start)) {
    if (!newBlock(size + alignment)) return nullptr;
    start = alignUp(reinterpret_cast<uintptr_t>(cursor_), alignment);
    if (!fits(start)) return nullptr;
  }
  auto* result = reinterpret_cast<uint8_t*>(start);
  cursor_ = result + size;
  last_ = result;
  used_ += size;
  return result;
}

bool Arena::tryExtend(void* ptr, size_t old_size, size_t new_size) {
  auto* bytes = static_cast<uint8_t*>(ptr);
  if (bytes == nullptr || bytes != last_ || bytes + old_size != cursor_) return false;
  if (new_size > size_t(end_ - bytes)) return false;
  cursor_ = bytes + new_size;
  used_ = used_ - old_size + new_size;
  return true;
}

void Arena::release(void* ptr, size_t size) {
  auto* bytes = static_cast<uint8_t*>(ptr);
  if (bytes == nullptr || bytes != last_ || bytes + size != cursor_) return;
  cursor_ = bytes;
  last_ = nullptr;
  used_ -= size;
}

#if !VORN_FREESTANDING
void Arena::reset() {
  auto* block = static_cast<BlockHeader*>(newest_block_);
  while (block != nullptr) {
    BlockHeader* previous = block->previous;
    std::free(block);
    block = previous;
  }
  newest_block_ = nullptr;
  cursor_ = end_ = last_ = nullptr;
  used_ = 0;
}
#endif

namespace {
constinit Arena engine_arena;
}

Arena& arena() { return engine_arena; }

}  // namespace vorn::memory
