#include "circuit/circuit.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testing/captured_log.hpp"

namespace vorn::circuit {
namespace {

using testing::CapturedLog;

class CircuitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    log::setSink(nullptr, nullptr);
    ASSERT_EQ(circuit.init(), Status::ok);
  }
  void TearDown() override { circuit.deinit(); }

  Component* make(ComponentType type) {
    Component* component = circuit.createComponent(type);
    EXPECT_NE(component, nullptr);
    return component;
  }
  void link(Component* from, Component* to, PortName port) { ASSERT_EQ(circuit.connect(from, to, port), Status::ok); }

  Circuit circuit;
};

TEST(StateTest, ConversionsAndNames) {
  EXPECT_EQ(flip(State::low), State::high);
  EXPECT_EQ(flip(State::high), State::low);
  EXPECT_EQ(flip(State::undefined), State::undefined);
  EXPECT_EQ(toInt(State::low), 0u);
  EXPECT_EQ(toInt(State::high), 1u);
  EXPECT_EQ(toInt(State::undefined), 2u);
  EXPECT_EQ(fromInt(0), State::low);
  EXPECT_EQ(fromInt(1), State::high);
  EXPECT_EQ(fromInt(2), State::undefined);
  EXPECT_EQ(fromInt(0xFFFFFFFFu), State::undefined);
  EXPECT_STREQ(stateName(State::undefined), "undefined");
  EXPECT_STREQ(typeName(ComponentType::input_pin_gate), "input_pin_gate");
  EXPECT_STREQ(typeName(ComponentType::output_pin), "output_pin");
}

TEST_F(CircuitTest, CreateAssignsIdsAndOutPort) {
  Component* first = make(ComponentType::and_gate);
  Component* second = make(ComponentType::led);
  EXPECT_EQ(first->id, 0u);
  EXPECT_EQ(second->id, 1u);
  EXPECT_EQ(circuit.next_id, 2u);
  ASSERT_EQ(circuit.nodes.size(), 2u);
  EXPECT_EQ(circuit.nodes[1], second);
  EXPECT_EQ(first->output_state, State::undefined);
  EXPECT_EQ(second->kind.state, State::undefined);
  ASSERT_EQ(first->outputs.size(), 1u);
  EXPECT_NE(first->outputs.find(PortName("out")), nullptr);
  EXPECT_EQ(first->kind.inputs.size(), 0u);
}

TEST_F(CircuitTest, ConnectKeepsOrderDuplicatesAndUnknownPorts) {
  Component* x = make(ComponentType::input_pin_gate);
  Component* y = make(ComponentType::input_pin_gate);
  Component* gate = make(ComponentType::not_gate);
  link(y, gate, "in");
  link(x, gate, "in");
  link(x, gate, "in");
  link(x, gate, std::string_view("sideways"));
  const PortEntry* in = gate->kind.inputs.find(PortName("in"));
  ASSERT_NE(in, nullptr);
  ASSERT_EQ(in->components.size(), 3u);
  EXPECT_EQ(in->components[0], y);
  EXPECT_EQ(in->components[1], x);
  EXPECT_EQ(in->components[2], x);
  const PortEntry* odd = gate->kind.inputs.find(PortName("sideways"));
  ASSERT_NE(odd, nullptr);
  EXPECT_EQ(odd->components.size(), 1u);
  EXPECT_EQ(x->outputs.find(PortName("out"))->components.size(), 3u);

  // The last driver (x, still undefined) decides unless one is high; the
  // unread port takes no part.
  ASSERT_EQ(circuit.propagateEvent(y, State::low), Status::ok);
  EXPECT_EQ(gate->output_state, State::undefined);
  ASSERT_EQ(circuit.propagateEvent(x, State::low), Status::ok);
  EXPECT_EQ(gate->output_state, State::high);
  ASSERT_EQ(circuit.propagateEvent(y, State::high), Status::ok);
  EXPECT_EQ(gate->output_state, State::low);
}

TEST_F(CircuitTest, NotGateTimingAndTraceText) {
  Component* pin = make(ComponentType::input_pin_gate);
  Component* wire = make(ComponentType::wire);
  Component* gate = make(ComponentType::not_gate);
  link(pin, wire, "in");
  link(wire, gate, "in");
  CapturedLog log;
  ASSERT_EQ(circuit.propagateEvent(pin, State::low), Status::ok);
  EXPECT_EQ(pin->output_state, State::low);
  EXPECT_EQ(wire->output_state, State::low);
  EXPECT_EQ(gate->output_state, State::high);
  EXPECT_EQ(circuit.current_time, 11u);
  EXPECT_EQ(log.text(),
            "info(log): [Time: 5] Updating component id=0 to low\n"
            "info(log):   -> Notifying downstream component id=1\n"
            "info(log):  - Component (id=1, type=wire) output changed from undefined -> low. "
            "Scheduling new event.\n"
            "info(log): [Time: 6] Updating component id=1 to low\n"
            "info(log):   -> Notifying downstream component id=2\n"
            "info(log):  - Component (id=2, type=not_gate) output changed from undefined -> high. "
            "Scheduling new event.\n"
            "info(log): [Time: 11] Updating component id=2 to high\n");

  // Time keeps running between drives; the next drive starts at 11 + 5.
  log.clear();
  ASSERT_EQ(circuit.propagateEvent(pin, State::high), Status::ok);
  EXPECT_EQ(gate->output_state, State::low);
  EXPECT_EQ(circuit.current_time, 22u);
  EXPECT_TRUE(log.text().ends_with("info(log): [Time: 22] Updating component id=2 to low\n"));
}

TEST_F(CircuitTest, LedLineAndUserIds) {
  Component* pin = make(ComponentType::input_pin_gate);
  Component* led = make(ComponentType::led);
  Component* out = make(ComponentType::output_pin);
  led->id = 4000000000u;
  link(pin, led, "in");
  link(led, out, "in");
  CapturedLog log;
  ASSERT_EQ(circuit.propagateEvent(pin, State::high), Status::ok);
  EXPECT_EQ(out->output_state, State::high);
  EXPECT_EQ(led->kind.state, State::undefined);
  EXPECT_EQ(log.text(),
            "info(log): [Time: 5] Updating component id=0 to high\n"
            "info(log):   -> Notifying downstream component id=4000000000\n"
            "info(log): \xF0\x9F\x92\xA1 LED (id=4000000000) state will be high\n"
            "info(log):  - Component (id=4000000000, type=led) output changed from undefined -> "
            "high. Scheduling new event.\n"
            "info(log): [Time: 6] Updating component id=4000000000 to high\n"
            "info(log):   -> Notifying downstream component id=2\n"
            "info(log):  - Component (id=2, type=output_pin) output changed from undefined -> "
            "high. Scheduling new event.\n"
            "info(log): [Time: 7] Updating component id=2 to high\n");
}

TEST_F(CircuitTest, EventForCurrentStateIsDropped) {
  Component* pin = make(ComponentType::input_pin_gate);
  Component* gate = make(ComponentType::not_gate);
  link(pin, gate, "in");
  int notified = 0;
  circuit.setListener([](void* count, Component*, State) { ++*static_cast<int*>(count); }, &notified);
  ASSERT_EQ(circuit.propagateEvent(pin, State::high), Status::ok);
  EXPECT_EQ(notified, 1);
  CapturedLog log;
  ASSERT_EQ(circuit.propagateEvent(pin, State::high), Status::ok);
  EXPECT_EQ(log.text(), "");
  EXPECT_EQ(notified, 1);
  EXPECT_EQ(circuit.current_time, 15u);
}

TEST_F(CircuitTest, TwoChangesAtOneTimeNotifyTwice) {
  Component* pin = make(ComponentType::input_pin_gate);
  Component* gate = make(ComponentType::not_gate);
  link(pin, gate, "in");
  int notified = 0;
  circuit.setListener([](void* count, Component*, State) { ++*static_cast<int*>(count); }, &notified);
  ASSERT_TRUE(circuit.schedule({5, pin, State::high}));
  ASSERT_TRUE(circuit.schedule({5, pin, State::low}));
  CapturedLog log;
  ASSERT_EQ(circuit.propagate(), Status::ok);
  // Both recalculations see the final state `low` and schedule `high`
  // twice; the second of these equal events is dropped when applied.
  EXPECT_EQ(notified, 2);
  EXPECT_EQ(gate->output_state, State::high);
  EXPECT_EQ(log.text(),
            "info(log): [Time: 5] Updating component id=0 to high\n"
            "info(log): [Time: 5] Updating component id=0 to low\n"
            "info(log):   -> Notifying downstream component id=1\n"
            "info(log):  - Component (id=1, type=not_gate) output changed from undefined -> high. "
            "Scheduling new event.\n"
            "info(log):   -> Notifying downstream component id=1\n"
            "info(log):  - Component (id=1, type=not_gate) output changed from undefined -> high. "
            "Scheduling new event.\n"
            "info(log): [Time: 10] Updating component id=1 to high\n");
}

TEST_F(CircuitTest, HostEventsCountAsScheduled) {
  // A relay pin driven both from a gate and straight by the host.
  Component* source = make(ComponentType::input_pin_gate);
  Component* relay = make(ComponentType::input_pin_gate);
  Component* out = make(ComponentType::output_pin);
  link(source, relay, "in");
  link(relay, out, "in");
  ASSERT_EQ(circuit.propagateEvent(source, State::low), Status::ok);
  ASSERT_EQ(circuit.propagateEvent(relay, State::high), Status::ok);
  EXPECT_EQ(out->output_state, State::high);
  // The relay already is, and will stay, high: nothing to schedule. A record
  // left at the earlier `low` would add an event here.
  CapturedLog log;
  ASSERT_EQ(circuit.propagateEvent(source, State::high), Status::ok);
  EXPECT_EQ(log.text(),
            "info(log): [Time: 22] Updating component id=0 to high\n"
            "info(log):   -> Notifying downstream component id=1\n");
  ASSERT_EQ(circuit.propagateEvent(source, State::low), Status::ok);
  EXPECT_EQ(out->output_state, State::low);
}

TEST_F(CircuitTest, AndGateWithUndefinedInput) {
  Component* a = make(ComponentType::input_pin_gate);
  Component* never = make(ComponentType::input_pin_gate);
  Component* gate = make(ComponentType::and_gate);
  link(a, gate, "a");
  link(never, gate, "b");
  ASSERT_EQ(circuit.propagateEvent(a, State::high), Status::ok);
  EXPECT_EQ(gate->output_state, State::undefined);
  ASSERT_EQ(circuit.propagateEvent(a, State::low), Status::ok);
  EXPECT_EQ(gate->output_state, State::low);
  ASSERT_EQ(circuit.propagateEvent(never, State::high), Status::ok);
  ASSERT_EQ(circuit.propagateEvent(a, State::high), Status::ok);
  EXPECT_EQ(gate->output_state, State::high);
}

TEST_F(CircuitTest, DominantStateOfSeveralDrivers) {
  Component* low = make(ComponentType::input_pin_gate);
  Component* high = make(ComponentType::input_pin_gate);
  Component* never = make(ComponentType::input_pin_gate);
  Component* both = make(ComponentType::wire);
  Component* trailing_undefined = make(ComponentType::wire);
  link(high, both, "in");
  link(low, both, "in");
  link(low, trailing_undefined, "in");
  link(never, trailing_undefined, "in");
  ASSERT_EQ(circuit.propagateEvent(low, State::low), Status::ok);
  EXPECT_EQ(both->output_state, State::low);
  EXPECT_EQ(trailing_undefined->output_state, State::undefined);
  ASSERT_EQ(circuit.propagateEvent(high, State::high), Status::ok);
  EXPECT_EQ(both->output_state, State::high);

  ComponentList empty;
  EXPECT_EQ(calculateDominantState(empty), State::undefined);
}

TEST_F(CircuitTest, BrokenStructuresFail) {
  Component* pin = make(ComponentType::input_pin_gate);
  Component* gate = make(ComponentType::and_gate);
  Component* pin_only = make(ComponentType::input_pin_gate);
  link(pin, gate, "a");
  EXPECT_EQ(circuit.propagateEvent(pin, State::low), Status::missing_input_port);
  // The failed run stopped with the event applied and nothing scheduled.
  EXPECT_EQ(pin->output_state, State::low);
  EXPECT_TRUE(circuit.event_queue.empty());

  Component* wire = make(ComponentType::wire);
  link(pin_only, wire, "sideways");
  EXPECT_EQ(circuit.propagateEvent(pin_only, State::high), Status::missing_input_port);

  pin->outputs.remove(PortName("out"));
  EXPECT_EQ(circuit.connect(pin, wire, "in"), Status::missing_output_port);
  EXPECT_EQ(wire->kind.inputs.find(PortName("in")), nullptr);
}

TEST_F(CircuitTest, UnconnectedPinsAndOutputsStayQuiet) {
  Component* pin = make(ComponentType::input_pin_gate);
  Component* relay = make(ComponentType::input_pin_gate);
  Component* dangling = make(ComponentType::output_pin);
  Component* gate = make(ComponentType::not_gate);
  link(pin, dangling, "x");
  link(pin, relay, "y");
  link(pin, gate, "z");
  CapturedLog log;
  ASSERT_EQ(circuit.propagateEvent(pin, State::low), Status::ok);
  EXPECT_EQ(dangling->output_state, State::undefined);
  EXPECT_EQ(relay->output_state, State::undefined);
  // A NOT gate without "in" computes undefined, its current state.
  EXPECT_EQ(gate->output_state, State::undefined);
  EXPECT_EQ(log.lines(), 4);
}

TEST_F(CircuitTest, OscillatingLoopStopsAtTheSettlingBudget) {
  // en AND (NOT of itself): once en is high the loop toggles for ever.
  Component* enable = make(ComponentType::input_pin_gate);
  Component* gate = make(ComponentType::and_gate);
  Component* inverter = make(ComponentType::not_gate);
  link(enable, gate, "a");
  link(inverter, gate, "b");
  link(gate, inverter, "in");
  int changes = 0;
  circuit.setListener([](void* count, Component*, State) { ++*static_cast<int*>(count); }, &changes);
  ASSERT_EQ(circuit.propagateEvent(enable, State::low), Status::ok);
  EXPECT_EQ(inverter->output_state, State::high);

  changes = 0;
  EXPECT_EQ(circuit.propagateEvent(enable, State::high), Status::did_not_settle);
  // Every applied change notifies at most two downstream components.
  const uint64_t budget = SETTLE_BASE_CHANGES + SETTLE_CHANGES_PER_COMPONENT * 3;
  EXPECT_GE(uint64_t(changes), budget / 2);
  EXPECT_LE(uint64_t(changes), 2 * budget + 4);
  EXPECT_FALSE(circuit.event_queue.empty());

  // The pending events stay queued: a later run picks the loop up again, and
  // driving en low breaks it.
  uint64_t time = circuit.current_time;
  EXPECT_EQ(circuit.propagate(), Status::did_not_settle);
  EXPECT_GT(circuit.current_time, time);
  EXPECT_EQ(circuit.propagateEvent(enable, State::low), Status::ok);
  EXPECT_EQ(gate->output_state, State::low);
  EXPECT_EQ(inverter->output_state, State::high);
  EXPECT_STREQ(statusName(Status::did_not_settle), "did_not_settle");
}

TEST_F(CircuitTest, CyclesAreFoundThroughAnyPortAndAfterEveryChange) {
  Component* pin = make(ComponentType::input_pin_gate);
  Component* gate = make(ComponentType::and_gate);
  Component* wire = make(ComponentType::wire);
  link(pin, gate, "a");
  link(pin, gate, "b");
  link(gate, wire, "in");
  EXPECT_FALSE(circuit.hasCycle());
  // Back into a port the AND gate never reads: still a cycle.
  link(wire, gate, "c");
  EXPECT_TRUE(circuit.hasCycle());

  circuit.deinit();
  ASSERT_EQ(circuit.init(), Status::ok);
  EXPECT_FALSE(circuit.hasCycle());
  Component* first = make(ComponentType::not_gate);
  Component* second = make(ComponentType::not_gate);
  link(first, second, "in");
  EXPECT_FALSE(circuit.hasCycle());
  link(second, first, "in");
  EXPECT_TRUE(circuit.hasCycle());
  // A component made later, hanging off the ring, leaves the answer alone.
  link(second, make(ComponentType::led), "in");
  EXPECT_TRUE(circuit.hasCycle());
}

TEST_F(CircuitTest, LoopFreeCircuitsRunPastTheSettlingBudget) {
  // xor x0(a=a, b=a), xor x1(a=x0, b=a), ... flattened as the compiler does:
  // each built-in gate is its and/not body between its own input and output
  // pins. The unequal path delays make each stage pass on more pulses than
  // it gets, so one drive applies more changes than a looping circuit may.
  constexpr int kStages = 303;
  Component* pin = make(ComponentType::input_pin_gate);
  auto unary = [&](ComponentType type, Component* in) {
    Component* component = make(type);
    link(in, component, "in");
    return component;
  };
  auto both = [&](Component* a, Component* b) {
    Component* gate = make(ComponentType::and_gate);
    link(a, gate, "a");
    link(b, gate, "b");
    return gate;
  };
  // body(input pin a, input pin b) -> output pin
  auto instance = [&](Component* a, Component* b, auto body) {
    return unary(ComponentType::output_pin,
                 body(unary(ComponentType::input_pin_gate, a), unary(ComponentType::input_pin_gate, b)));
  };
  auto orBody = [&](Component* a, Component* b) {
    return unary(ComponentType::not_gate, both(unary(ComponentType::not_gate, a), unary(ComponentType::not_gate, b)));
  };
  auto nandBody = [&](Component* a, Component* b) { return unary(ComponentType::not_gate, both(a, b)); };
  auto xorBody = [&](Component* a, Component* b) { return both(instance(a, b, orBody), instance(a, b, nandBody)); };
  Component* previous = pin;
  for (int i = 0; i < kStages; ++i) previous = instance(previous, pin, xorBody);
  ASSERT_EQ(circuit.propagateEvent(pin, State::low), Status::ok);
  uint64_t applied = 0;
  log::setSink(
      [](void* count, const char* text, size_t length) {
        // A piece may hold several lines.
        std::string_view lines(text, length);
        for (size_t at = lines.find("] Updating component"); at != std::string_view::npos;
             at = lines.find("] Updating component", at + 1)) {
          ++*static_cast<uint64_t*>(count);
        }
      },
      &applied);
  Status high = circuit.propagateEvent(pin, State::high);
  log::setSink(nullptr, nullptr);
  ASSERT_EQ(high, Status::ok);
  EXPECT_GT(applied, SETTLE_BASE_CHANGES + SETTLE_CHANGES_PER_COMPONENT * circuit.nodes.size());
  EXPECT_FALSE(circuit.hasCycle());
  EXPECT_TRUE(circuit.event_queue.empty());
  // x0 = a xor a = 0, x1 = a, x2 = 0, ...: the last stage (x302) is low.
  EXPECT_EQ(previous->output_state, State::low);
  ASSERT_EQ(circuit.propagateEvent(pin, State::low), Status::ok);
  EXPECT_EQ(previous->output_state, State::low);
  EXPECT_EQ(circuit.propagateEvent(pin, State::high), Status::ok);
  EXPECT_EQ(previous->output_state, State::low);

  // Beside it, unconnected, a latch and an oscillator: only their changes
  // count toward the budget, so the chain still settles alone and the
  // oscillator is still stopped.
  Component* set = make(ComponentType::input_pin_gate);
  Component* q = make(ComponentType::not_gate);
  Component* and_q = both(set, q);
  link(and_q, q, "in");
  Component* enable = make(ComponentType::input_pin_gate);
  Component* ring_and = make(ComponentType::and_gate);
  Component* ring_not = unary(ComponentType::not_gate, ring_and);
  link(enable, ring_and, "a");
  link(ring_not, ring_and, "b");
  ASSERT_TRUE(circuit.hasCycle());
  ASSERT_EQ(circuit.propagateEvent(set, State::low), Status::ok);
  ASSERT_EQ(circuit.propagateEvent(enable, State::low), Status::ok);
  for (State state : {State::low, State::high, State::low, State::high}) {
    ASSERT_EQ(circuit.propagateEvent(pin, state), Status::ok);
    EXPECT_EQ(previous->output_state, State::low);
  }
  EXPECT_EQ(circuit.propagateEvent(enable, State::high), Status::did_not_settle);
}

TEST_F(CircuitTest, LongChainsAndLatchesSettleWithinTheBudget) {
  // One drive changing more components than the fixed part of the budget.
  constexpr int kLength = 150000;
  Component* pin = make(ComponentType::input_pin_gate);
  Component* previous = pin;
  for (int i = 0; i < kLength; ++i) {
    Component* next = make(i % 2 ? ComponentType::wire : ComponentType::not_gate);
    link(previous, next, "in");
    previous = next;
  }
  ASSERT_EQ(circuit.propagateEvent(pin, State::high), Status::ok);
  EXPECT_EQ(previous->output_state, State::high);
  ASSERT_EQ(circuit.propagateEvent(pin, State::low), Status::ok);
  EXPECT_EQ(previous->output_state, State::low);

  // A NAND latch (AND then NOT) settles in either state.
  Component* set = make(ComponentType::input_pin_gate);
  Component* reset = make(ComponentType::input_pin_gate);
  Component* and_q = make(ComponentType::and_gate);
  Component* q = make(ComponentType::not_gate);
  Component* and_nq = make(ComponentType::and_gate);
  Component* nq = make(ComponentType::not_gate);
  link(set, and_q, "a");
  link(nq, and_q, "b");
  link(and_q, q, "in");
  link(reset, and_nq, "a");
  link(q, and_nq, "b");
  link(and_nq, nq, "in");
  ASSERT_EQ(circuit.propagateEvent(set, State::low), Status::ok);
  ASSERT_EQ(circuit.propagateEvent(reset, State::high), Status::ok);
  EXPECT_EQ(q->output_state, State::high);
  EXPECT_EQ(nq->output_state, State::low);
  ASSERT_EQ(circuit.propagateEvent(set, State::high), Status::ok);
  EXPECT_EQ(q->output_state, State::high);
  ASSERT_EQ(circuit.propagateEvent(reset, State::low), Status::ok);
  EXPECT_EQ(q->output_state, State::low);
  EXPECT_EQ(nq->output_state, State::high);
}

}  // namespace
}  // namespace vorn::circuit
