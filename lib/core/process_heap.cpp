#include "core/process_heap.hpp"

#ifndef __wasi__

#include <cstdint>
#include <cstdlib>
#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

namespace vorn {

// Faulting 100 MiB in 4 KiB pages cost more kernel time than parsing it.
void reserveHugePageHeap() {
  constexpr std::size_t kReserve = 256u * 1024u * 1024u;
  constexpr std::uintptr_t kHugePage = 2u * 1024u * 1024u;
  mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
  mallopt(M_TRIM_THRESHOLD, static_cast<int>(kReserve));
  mallopt(M_TOP_PAD, static_cast<int>(kReserve));
  auto begin = (reinterpret_cast<std::uintptr_t>(sbrk(0)) + kHugePage - 1) & ~(kHugePage - 1);
  // Larger than the heap's initial top, so this one allocation grows it.
  void* grow = std::malloc(4u * 1024u * 1024u);
  if (grow == nullptr) return;
  auto end = reinterpret_cast<std::uintptr_t>(sbrk(0)) & ~(kHugePage - 1);
  if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
  std::free(grow);
}

}  // namespace vorn

#endif
