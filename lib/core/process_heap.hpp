// Heap settings for the native programs, which hold a 10^5-component input's
// trees (near 100 MiB) at once. Not built for WASI, whose host owns memory.
#pragma once

namespace vorn {

#ifndef __wasi__
// Keeps large blocks on the brk heap, never hands freed memory back (later
// stages, and the next edit in a server, reuse the same pages), grows the heap
// in one large step and asks the kernel to back it with huge pages as it is
// touched; untouched reserve costs only address space. Call once, first
// thing in main, before any large allocation.
void reserveHugePageHeap();
#endif

}  // namespace vorn
