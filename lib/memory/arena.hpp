#pragma once

// The engine's allocator. It compiles both natively and for the freestanding
// wasm32 runtime, so it uses no standard library beyond <stddef.h>/<stdint.h>.
#include <stddef.h>
#include <stdint.h>

#if VORN_FREESTANDING
// Placement new, which <new> would provide natively.
inline void* operator new(size_t, void* place) noexcept { return place; }
#else
#include <new>
#endif

namespace vorn::memory {

// A bump allocator over large blocks taken from the operating system (malloc
// natively, memory.grow in WebAssembly). It is never reset during a run;
// `release` gives back only the most recent allocation, and `tryExtend` grows
// the most recent allocation in place, which keeps growing arrays cheap.
class Arena {
 public:
  // Null when the system refuses more memory.
  void* allocate(size_t size, size_t alignment);
  // True when `ptr` (of `old_size` bytes) was the latest allocation and could
  // be grown to `new_size` bytes where it stands.
  bool tryExtend(void* ptr, size_t old_size, size_t new_size);
  void release(void* ptr, size_t size);

  // Bytes handed out so far (for tests and diagnostics).
  size_t used() const { return used_; }

#if !VORN_FREESTANDING
  constexpr Arena() = default;
  Arena(const Arena&) = delete;
  Arena& operator=(const Arena&) = delete;
  ~Arena() { reset(); }

  // Gives every block back to the system; everything allocated so far becomes
  // invalid. For native hosts that run many unrelated circuits in one process.
  void reset();
#endif

 private:
  bool newBlock(size_t minimum);

  uint8_t* cursor_ = nullptr;
  uint8_t* end_ = nullptr;
  uint8_t* last_ = nullptr;
  size_t used_ = 0;
#if !VORN_FREESTANDING
  void* newest_block_ = nullptr;  // the chain of malloc'd blocks
#endif
};

// The process-wide engine arena.
Arena& arena();

// Constructs a T in the engine arena; null when out of memory.
template <typename T>
T* create() {
  void* place = arena().allocate(sizeof(T), alignof(T));
  return place == nullptr ? nullptr : new (place) T();
}

template <typename T>
void destroy(T* object) {
  if (object != nullptr) arena().release(object, sizeof(T));
}

}  // namespace vorn::memory
