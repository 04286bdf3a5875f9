#pragma once

// Discrete-event, gate-level simulator of three-valued logic. Shared by the
// compiler (truth tables) and the freestanding wasm32 runtime, so it uses no
// exceptions, no RTTI and no standard library: failures are Status values.
#include <stddef.h>
#include <stdint.h>

#include "core/primitive_kinds.hpp"
#include "memory/vector.hpp"

#if !VORN_FREESTANDING
#include <string_view>
#endif

namespace vorn::circuit {

enum class State : uint8_t { undefined = 0, low = 1, high = 2 };

// low <-> high; undefined stays undefined.
State flip(State state);
// Host integers: low 0, high 1, undefined 2.
uint32_t toInt(State state);
// 0 low, 1 high, anything else undefined.
State fromInt(uint32_t value);
// "undefined", "low", "high".
const char* stateName(State state);

enum class ComponentType : uint8_t {
  input_pin_gate = 0,
  not_gate = 1,
  led = 2,
  and_gate = 3,
  wire = 4,
  output_pin = 5,
};

// The types in the order of core/primitive_kinds.def.
inline constexpr ComponentType kComponentTypes[] = {
#define VORN_PRIMITIVE(keyword, ir, topology, engine, ...) ComponentType::engine,
#include "core/primitive_kinds.def"
};
static_assert(primitive_kinds::isPermutation(kComponentTypes), "primitive_kinds.def names every ComponentType once");

// The enumerator's own name, e.g. "and_gate".
const char* typeName(ComponentType type);

inline constexpr uint64_t PROPAGATION_DELAY = 5;
inline constexpr uint64_t WIRE_PROPAGATION_DELAY = 1;

// The delay after which a component's own change takes effect.
uint64_t delayOf(ComponentType type);

inline constexpr char IN_PORT_NAME[] = "in";
inline constexpr char OUT_PORT_NAME[] = "out";
inline constexpr char OUTPUT_PIN_IN_PORT_NAME[] = "in";
inline constexpr char OUTPUT_PIN_OUT_PORT_NAME[] = "out";

// A loop through gates may oscillate for ever, so in a circuit with a cycle
// one propagate applies at most SETTLE_BASE_CHANGES +
// SETTLE_CHANGES_PER_COMPONENT * components state changes of the components
// on a cycle or driven by one. Every other component always settles (a
// component changes at most once per time step, and no time step lies beyond
// its longest path from a change), however many glitches its reconverging
// paths make, so its changes count toward no budget, and a circuit without a
// cycle runs without one.
inline constexpr uint64_t SETTLE_BASE_CHANGES = 100000;
inline constexpr uint64_t SETTLE_CHANGES_PER_COMPONENT = 64;

enum class Status : uint8_t {
  ok = 0,
  out_of_memory,
  // connect: the source has no "out" entry in its outputs.
  missing_output_port,
  // recalculation: an AND gate without "a"/"b", or an LED/wire without "in".
  missing_input_port,
  // propagate: a circuit with a cycle kept changing past the settling
  // budget (a loop through gates that oscillates). The pending events stay
  // queued.
  did_not_settle,
};

inline bool isOk(Status status) { return status == Status::ok; }
// "ok", "out_of_memory", ...
const char* statusName(Status status);

// A port name as bytes (not necessarily NUL-terminated).
struct PortName {
  const char* data = nullptr;
  size_t size = 0;

  constexpr PortName() = default;
  constexpr PortName(const char* bytes, size_t length) : data(bytes), size(length) {}
  template <size_t N>
  constexpr PortName(const char (&text)[N]) : data(text), size(N - 1) {}
#if !VORN_FREESTANDING
  constexpr PortName(std::string_view text) : data(text.data()), size(text.size()) {}
#endif
};

struct Component;

// Components driving one port, or fed by one port, in connection order.
using ComponentList = memory::Vector<Component*>;

// One entry of a port map. Names are interned into a code so the hot loop
// compares bytes instead of strings; names other than the four known ones
// keep their bytes (stored and never read by the engine).
struct PortEntry {
  enum Code : uint8_t { in = 0, a = 1, b = 2, out = 3, other = 4 };

  uint8_t code = other;
  const char* name = nullptr;  // the bytes of an `other` name (arena copy)
  uint32_t name_size = 0;
  ComponentList components;
};

// A small map from port name to component list, in insertion order.
class PortMap {
 public:
  // The entry for `name`, or null.
  PortEntry* find(PortName name);
  PortEntry* find(PortEntry::Code code);
  const PortEntry* find(PortEntry::Code code) const;
  // The entry for `name`, created empty if absent; null when out of memory.
  PortEntry* findOrAdd(PortName name);
  // Removes the entry (used by tests to build broken structures).
  void remove(PortName name);

  uint32_t size() const { return entries_.size(); }
  PortEntry* begin() { return entries_.begin(); }
  PortEntry* end() { return entries_.end(); }
  const PortEntry* begin() const { return entries_.begin(); }
  const PortEntry* end() const { return entries_.end(); }
  void release();

 private:
  memory::Vector<PortEntry> entries_;
};

// Tagged union over ComponentType: every variant has `inputs`; the LED's
// `state` is set to undefined at creation and never changed.
struct Kind {
  ComponentType type = ComponentType::input_pin_gate;
  PortMap inputs;
  State state = State::undefined;  // only meaningful for led
};

struct Component {
  Kind kind;
  PortMap outputs;
  // Set from the circuit's next_id; users may overwrite it (only logs use it).
  uint32_t id = 0;
  State output_state = State::undefined;
  // The state of this component's latest pending event, and its time: the
  // state it will have once its queue entries are applied (output_state when
  // none is pending). A recalculation that agrees with output_state must
  // still schedule while a pending event would leave another state.
  State scheduled_state = State::undefined;
  uint64_t scheduled_time = 0;
  // Scratch of the cycle check: connections from components not yet ordered.
  uint32_t unordered_drivers = 0;
  // Set by the cycle check: the component lies on a cycle or is driven by
  // one, so its changes count toward the settling budget.
  bool behind_cycle = false;
};

struct Event {
  uint64_t timestamp = 0;
  Component* component = nullptr;
  State new_state = State::undefined;

  static bool lessThan(const Event& a, const Event& b) { return a.timestamp < b.timestamp; }
};

// Binary min-heap on timestamps. The sift rules fix the order of events with
// equal timestamps, and with it the order of the trace lines.
class EventQueue {
 public:
  bool add(const Event& event);  // false when out of memory
  const Event& peek() const { return heap[0]; }
  Event pop();
  bool empty() const { return heap.empty(); }
  uint32_t size() const { return heap.size(); }
  void release() { heap.release(); }

  memory::Vector<Event> heap;
};

// Called after every downstream recalculation when set.
using Listener = void (*)(void* context, Component* component, State state);

// Called as each event is applied, with the time and the component's new
// output: the moment an Updating trace line is written. A recorder of value
// changes hooks in here, and costs nothing when unset.
using ChangeObserver = void (*)(void* context, uint64_t time, const Component* component, State state);

class Circuit {
 public:
  // Empty circuit, time 0, no listener, next_id 0.
  Status init();
  // Null when out of memory. The component gets id = next_id, an "out" output
  // entry with no components and output_state undefined; it is appended to
  // `nodes`.
  Component* createComponent(ComponentType type);
  // From the "out" port of `from` to port `port` of `to`. The port name is not
  // checked against the kind.
  Status connect(Component* from, Component* to, PortName port);
  // Schedules (current_time + PROPAGATION_DELAY, component, state), then
  // propagates until no event is left (or the settling budget is spent).
  Status propagateEvent(Component* component, State state);
  // Queues an event and keeps the component's scheduled_state up to date.
  // Hosts add events through this (or propagateEvent), never straight into
  // event_queue. False when out of memory.
  bool schedule(const Event& event);
  // Processes the queue until it is empty, or, in a circuit with a cycle,
  // fails with did_not_settle once the settling budget is spent.
  Status propagate();
  // Whether some component feeds back into itself through its connections
  // (any port). Found once after the circuit last changed shape, with every
  // component's behind_cycle.
  bool hasCycle();
  void notifyStateChange(Component* component);
  void setListener(Listener callback, void* context) {
    listener = callback;
    listener_context = context;
  }
  void setChangeObserver(ChangeObserver callback, void* context) {
    change_observer = callback;
    change_context = context;
  }
  // Releases components, their maps and lists, the node list and the queue.
  void deinit();

  memory::Vector<Component*> nodes;
  EventQueue event_queue;
  uint64_t current_time = 0;
  Listener listener = nullptr;
  void* listener_context = nullptr;
  ChangeObserver change_observer = nullptr;
  void* change_context = nullptr;
  uint32_t next_id = 0;

 private:
  Status recalculateAndReschedule(Component* component);
  bool findCycle();

  // Scratch list of propagate (and of the cycle check), kept between calls
  // to avoid reallocating.
  memory::Vector<Component*> changed_;
  // Set by createComponent and connect: has_cycle_ must be found again.
  bool shape_changed_ = true;
  bool has_cycle_ = false;
};

// `high` if any driver is high, else the state of the last driver; undefined
// for an empty list.
State calculateDominantState(const ComponentList& drivers);

}  // namespace vorn::circuit
