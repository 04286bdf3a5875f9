#include "circuit/circuit.hpp"

namespace vorn::circuit {

bool EventQueue::add(const Event& event) {
  if (!heap.push(event)) return false;
  Event* items = heap.data();
  uint32_t index = heap.size() - 1;
  // Sift up only past strictly later parents, so equal timestamps keep the
  // order the heap gives them.
  while (index > 0) {
    uint32_t parent = (index - 1) / 2;
    if (!(event.timestamp < items[parent].timestamp)) break;
    items[index] = items[parent];
    index = parent;
  }
  items[index] = event;
  return true;
}

Event EventQueue::pop() {
  Event* items = heap.data();
  Event root = items[0];
  Event moving = items[heap.size() - 1];
  heap.popBack();
  uint32_t count = heap.size();
  if (count == 0) return root;
  // Sift down: an element stops only before a strictly later child, so
  // equal timestamps keep sinking.
  uint32_t index = 0;
  for (;;) {
    uint32_t child = 2 * index + 1;
    if (child >= count) break;
    uint32_t right = child + 1;
    if (right < count && items[right].timestamp < items[child].timestamp) child = right;
    if (moving.timestamp < items[child].timestamp) break;
    items[index] = items[child];
    index = child;
  }
  items[index] = moving;
  return root;
}

}  // namespace vorn::circuit
