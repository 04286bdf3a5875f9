#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "circuit/circuit.hpp"

namespace vorn::circuit {
namespace {

// Tags the events through distinct component addresses.
struct Tagged {
  Component components[8];
  Event at(uint64_t time, int tag) { return {time, &components[tag], State::low}; }
  int tagOf(const Event& event) const { return int(event.component - components); }
};

std::string drain(EventQueue& queue, const Tagged& tags) {
  std::string order;
  while (!queue.empty()) order += char('A' + tags.tagOf(queue.pop()));
  return order;
}

TEST(EventQueueTest, EqualTimestampsFollowTheHeap) {
  Tagged tags;
  EventQueue queue;
  for (int tag = 0; tag < 4; ++tag) ASSERT_TRUE(queue.add(tags.at(5, tag)));
  // After A leaves, D moves to the root and sinks past the equal B; a
  // stable queue would give ABCD.
  EXPECT_EQ(drain(queue, tags), "ABDC");
  queue.release();
}

TEST(EventQueueTest, MixedTimestamps) {
  Tagged tags;
  EventQueue queue;
  const uint64_t times[] = {7, 5, 5, 6, 5, 7};
  for (int tag = 0; tag < 6; ++tag) ASSERT_TRUE(queue.add(tags.at(times[tag], tag)));
  // Heap after inserts: [B5, E5, C5, A7, D6, F7] (worked by hand from the
  // sift rules).
  std::string order = drain(queue, tags);
  EXPECT_EQ(order, "BECDAF");
  queue.release();
}

TEST(EventQueueTest, ManyEventsComeOutSorted) {
  EventQueue queue;
  uint64_t seed = 12345;
  for (int i = 0; i < 10000; ++i) {
    seed = seed * 6364136223846793005ull + 1442695040888963407ull;
    ASSERT_TRUE(queue.add({seed >> 50, nullptr, State::low}));
  }
  uint64_t previous = 0;
  while (!queue.empty()) {
    Event event = queue.pop();
    ASSERT_GE(event.timestamp, previous);
    previous = event.timestamp;
  }
  queue.release();
}

}  // namespace
}  // namespace vorn::circuit
