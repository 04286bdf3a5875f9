#include "circuit/circuit.hpp"

#include "log/log.hpp"

namespace vorn::circuit {
namespace {

constexpr uint64_t kDelayColumn[] = {
#define VORN_PRIMITIVE(keyword, ir, topology, engine, delay, ...) delay,
#include "core/primitive_kinds.def"
};
constexpr auto kDelays = primitive_kinds::conversion(kComponentTypes, kDelayColumn);
template <ComponentType type>
constexpr uint64_t kDelayOf = kDelays.by_value[uint8_t(type)];
// recalculateAndReschedule applies PROPAGATION_DELAY to every type whose case
// sets no other delay.
static_assert(kDelayOf<ComponentType::input_pin_gate> == PROPAGATION_DELAY &&
                  kDelayOf<ComponentType::not_gate> == PROPAGATION_DELAY &&
                  kDelayOf<ComponentType::and_gate> == PROPAGATION_DELAY,
              "the default delay is the table's");

#if VORN_FREESTANDING
// The runtime module is part of every compiled .wasm file: its trace code
// stays exactly as it is.
struct Name {
  const char* text;
  size_t size;
};

constexpr Name kStateNames[] = {{"undefined", 9}, {"low", 3}, {"high", 4}};
constexpr uint8_t kStateCount = sizeof(kStateNames) / sizeof(kStateNames[0]);

constexpr Name kTypeNameColumn[] = {
#define VORN_PRIMITIVE(keyword, ir, topology, engine, ...) {#engine, sizeof(#engine) - 1},
#include "core/primitive_kinds.def"
};
// Aligned as the compilers align an array of this size, so that the runtime
// module's data keeps its layout.
alignas(16) constexpr auto kTypeNames = primitive_kinds::conversion(kComponentTypes, kTypeNameColumn);

const Name& nameOf(State state) {
  uint8_t value = uint8_t(state);
  return kStateNames[value < kStateCount ? value : 0];
}

const Name& nameOf(ComponentType type) {
  uint8_t value = uint8_t(type);
  return kTypeNames.by_value[value < primitive_kinds::kCount ? value : 0];
}

void logUpdating(uint64_t time, uint32_t id, State state) {
  if (!log::enabled()) return;
  const Name& name = nameOf(state);
  log::line()
      .begin()
      .append("[Time: ")
      .appendDecimal(time)
      .append("] Updating component id=")
      .appendDecimal(id)
      .append(" to ")
      .append(name.text, name.size)
      .finish();
}

void logNotifying(uint32_t id) {
  if (!log::enabled()) return;
  log::line().begin().append("  -> Notifying downstream component id=").appendDecimal(id).finish();
}

void logLed(uint32_t id, State state) {
  if (!log::enabled()) return;
  const Name& name = nameOf(state);
  log::line()
      .begin()
      .append("\xF0\x9F\x92\xA1 LED (id=")
      .appendDecimal(id)
      .append(") state will be ")
      .append(name.text, name.size)
      .finish();
}

void logScheduling(const Component& component, State new_state) {
  if (!log::enabled()) return;
  const Name& type = nameOf(component.kind.type);
  const Name& from = nameOf(component.output_state);
  const Name& to = nameOf(new_state);
  log::line()
      .begin()
      .append(" - Component (id=")
      .appendDecimal(component.id)
      .append(", type=")
      .append(type.text, type.size)
      .append(") output changed from ")
      .append(from.text, from.size)
      .append(" -> ")
      .append(to.text, to.size)
      .append(". Scheduling new event.")
      .finish();
}

#else
// Padded to the log's field width, so the trace copies names in fixed moves.
struct Name {
  char text[log::Line::kFieldBytes];
  size_t size;
};

constexpr Name kStateNames[] = {{"undefined", 9}, {"low", 3}, {"high", 4}};
constexpr uint8_t kStateCount = sizeof(kStateNames) / sizeof(kStateNames[0]);

constexpr Name kTypeNameColumn[] = {
#define VORN_PRIMITIVE(keyword, ir, topology, engine, ...) {#engine, sizeof(#engine) - 1},
#include "core/primitive_kinds.def"
};
constexpr auto kTypeNames = primitive_kinds::conversion(kComponentTypes, kTypeNameColumn);

const Name& nameOf(State state) {
  uint8_t value = uint8_t(state);
  return kStateNames[value < kStateCount ? value : 0];
}

const Name& nameOf(ComponentType type) {
  uint8_t value = uint8_t(type);
  return kTypeNames.by_value[value < primitive_kinds::kCount ? value : 0];
}

// Every trace line is a few fixed texts, numbers and names: well inside the
// line bound, so it is written with a Cursor.
void logUpdating(uint64_t time, uint32_t id, State state) {
  if (!log::enabled()) return;
  const Name& name = nameOf(state);
  log::Line& line = log::line();
  log::Cursor cursor = line.start();
  cursor.put("[Time: ")
      .putDecimal(time)
      .put("] Updating component id=")
      .putDecimal(id)
      .put(" to ")
      .putField(name.text, name.size);
  line.finish(cursor);
}

void logNotifying(uint32_t id) {
  if (!log::enabled()) return;
  log::Line& line = log::line();
  log::Cursor cursor = line.start();
  cursor.put("  -> Notifying downstream component id=").putDecimal(id);
  line.finish(cursor);
}

void logLed(uint32_t id, State state) {
  if (!log::enabled()) return;
  const Name& name = nameOf(state);
  log::Line& line = log::line();
  log::Cursor cursor = line.start();
  cursor.put("\xF0\x9F\x92\xA1 LED (id=").putDecimal(id).put(") state will be ").putField(name.text, name.size);
  line.finish(cursor);
}

void logScheduling(const Component& component, State new_state) {
  if (!log::enabled()) return;
  const Name& type = nameOf(component.kind.type);
  const Name& from = nameOf(component.output_state);
  const Name& to = nameOf(new_state);
  log::Line& line = log::line();
  log::Cursor cursor = line.start();
  cursor.put(" - Component (id=")
      .putDecimal(component.id)
      .put(", type=")
      .putField(type.text, type.size)
      .put(") output changed from ")
      .putField(from.text, from.size)
      .put(" -> ")
      .putField(to.text, to.size)
      .put(". Scheduling new event.");
  line.finish(cursor);
}

#endif

}  // namespace

const char* stateName(State state) { return nameOf(state).text; }

const char* typeName(ComponentType type) { return nameOf(type).text; }

uint64_t delayOf(ComponentType type) { return kDelays[type]; }

State calculateDominantState(const ComponentList& drivers) {
  State result = State::undefined;
  for (Component* driver : drivers) {
    if (driver->output_state == State::high) return State::high;
    result = driver->output_state;
  }
  return result;
}

Status Circuit::init() {
  nodes = {};
  event_queue = {};
  changed_ = {};
  current_time = 0;
  listener = nullptr;
  listener_context = nullptr;
  change_observer = nullptr;
  change_context = nullptr;
  next_id = 0;
  shape_changed_ = true;
  has_cycle_ = false;
  return Status::ok;
}

Component* Circuit::createComponent(ComponentType type) {
  Component* component = memory::create<Component>();
  if (component == nullptr) return nullptr;
  component->kind.type = type;
  component->id = next_id;
  PortEntry* out = component->outputs.findOrAdd(OUT_PORT_NAME);
  if (out == nullptr || !nodes.push(component)) {
    component->outputs.release();
    memory::destroy(component);
    return nullptr;
  }
  ++next_id;
  shape_changed_ = true;
  return component;
}

Status Circuit::connect(Component* from, Component* to, PortName port) {
  PortEntry* out = from->outputs.find(PortEntry::out);
  if (out == nullptr) return Status::missing_output_port;
  shape_changed_ = true;
  if (!out->components.push(to)) return Status::out_of_memory;
  PortEntry* input = to->kind.inputs.findOrAdd(port);
  if (input == nullptr || !input->components.push(from)) return Status::out_of_memory;
  return Status::ok;
}

bool Circuit::schedule(const Event& event) {
  if (!event_queue.add(event)) return false;
  Component* component = event.component;
  // Events apply in time order, so the latest one decides where the
  // component ends up; equal times come from one step and agree.
  if (event.timestamp >= component->scheduled_time) {
    component->scheduled_time = event.timestamp;
    component->scheduled_state = event.new_state;
  }
  return true;
}

Status Circuit::propagateEvent(Component* component, State state) {
  if (!schedule({current_time + PROPAGATION_DELAY, component, state})) return Status::out_of_memory;
  return propagate();
}

bool Circuit::hasCycle() {
  if (shape_changed_) {
    has_cycle_ = findCycle();
    shape_changed_ = false;
  }
  return has_cycle_;
}

// Kahn's ordering: repeatedly take a component none of whose drivers is left
// unordered; the components never taken are on or behind a cycle. Every
// downstream entry counts, whatever port it feeds, so a loop through a port
// the engine ignores still counts as one (it only keeps the budget).
bool Circuit::findCycle() {
  for (Component* component : nodes) {
    component->unordered_drivers = 0;
    component->behind_cycle = true;
  }
  for (Component* component : nodes) {
    for (PortEntry& entry : component->outputs) {
      for (Component* target : entry.components) ++target->unordered_drivers;
    }
  }
  changed_.clear();
  // Without room for the worklist the answer is unknown: every change counts.
  if (!changed_.reserve(nodes.size())) return true;
  for (Component* component : nodes) {
    if (component->unordered_drivers == 0) changed_.push(component);
  }
  uint32_t ordered = 0;
  for (; ordered < changed_.size(); ++ordered) {
    changed_[ordered]->behind_cycle = false;
    for (PortEntry& entry : changed_[ordered]->outputs) {
      for (Component* target : entry.components) {
        if (--target->unordered_drivers == 0) changed_.push(target);
      }
    }
  }
  changed_.clear();
  return ordered < nodes.size();
}

Status Circuit::propagate() {
  const bool bounded = hasCycle();
  changed_.clear();
  const uint64_t budget = SETTLE_BASE_CHANGES + SETTLE_CHANGES_PER_COMPONENT * uint64_t(nodes.size());
  uint64_t applied = 0;
  while (!event_queue.empty()) {
    // Checked between time steps, so a later propagate resumes exactly here.
    if (bounded && applied >= budget) return Status::did_not_settle;
    current_time = event_queue.peek().timestamp;
    while (!event_queue.empty() && event_queue.peek().timestamp == current_time) {
      Event event = event_queue.pop();
      Component* component = event.component;
      if (component->output_state == event.new_state) continue;
      if (component->behind_cycle) ++applied;
      logUpdating(current_time, component->id, event.new_state);
      component->output_state = event.new_state;
      if (change_observer != nullptr) change_observer(change_context, current_time, component, event.new_state);
      if (!changed_.push(component)) {
        changed_.clear();
        return Status::out_of_memory;
      }
    }
    // The lists are not modified while they are walked: recalculation only
    // adds events to the queue.
    for (uint32_t i = 0; i < changed_.size(); ++i) {
      Component* component = changed_[i];
      for (PortEntry& entry : component->outputs) {
        Component** downstream = entry.components.data();
        uint32_t count = entry.components.size();
        for (uint32_t j = 0; j < count; ++j) {
          Component* target = downstream[j];
          logNotifying(target->id);
          Status status = recalculateAndReschedule(target);
          if (status != Status::ok) {
            changed_.clear();
            return status;
          }
          notifyStateChange(target);
        }
      }
    }
    changed_.clear();
  }
  return Status::ok;
}

Status Circuit::recalculateAndReschedule(Component* component) {
  State new_state = State::undefined;
  PortMap& inputs = component->kind.inputs;
  uint64_t delay = PROPAGATION_DELAY;
  switch (component->kind.type) {
    case ComponentType::input_pin_gate: {
      const PortEntry* in = inputs.find(PortEntry::in);
      if (in == nullptr || in->components.empty()) return Status::ok;
      new_state = calculateDominantState(in->components);
      break;
    }
    case ComponentType::not_gate: {
      const PortEntry* in = inputs.find(PortEntry::in);
      if (in != nullptr) new_state = flip(calculateDominantState(in->components));
      break;
    }
    case ComponentType::led: {
      const PortEntry* in = inputs.find(PortEntry::in);
      if (in == nullptr) return Status::missing_input_port;
      new_state = calculateDominantState(in->components);
      if (new_state != component->output_state) logLed(component->id, new_state);
      delay = kDelayOf<ComponentType::led>;
      break;
    }
    case ComponentType::and_gate: {
      const PortEntry* a = inputs.find(PortEntry::a);
      const PortEntry* b = inputs.find(PortEntry::b);
      if (a == nullptr || b == nullptr) return Status::missing_input_port;
      State left = calculateDominantState(a->components);
      State right = calculateDominantState(b->components);
      if (left == State::low || right == State::low) {
        new_state = State::low;
      } else if (left == State::undefined || right == State::undefined) {
        new_state = State::undefined;
      } else {
        new_state = State::high;
      }
      break;
    }
    case ComponentType::wire: {
      const PortEntry* in = inputs.find(PortEntry::in);
      if (in == nullptr) return Status::missing_input_port;
      // All-undefined drivers give undefined, which is also the dominant
      // state of such a list.
      new_state = calculateDominantState(in->components);
      delay = kDelayOf<ComponentType::wire>;
      break;
    }
    case ComponentType::output_pin: {
      const PortEntry* in = inputs.find(PortEntry::in);
      if (in == nullptr) return Status::ok;
      new_state = calculateDominantState(in->components);
      delay = kDelayOf<ComponentType::output_pin>;
      break;
    }
  }
  // Nothing to do only when the component is, and will stay, at new_state: a
  // pending event to another state (a pulse that has already been undone
  // upstream) would otherwise be applied last and never corrected.
  if (new_state == component->output_state && new_state == component->scheduled_state) return Status::ok;
  logScheduling(*component, new_state);
  if (!schedule({current_time + delay, component, new_state})) return Status::out_of_memory;
  return Status::ok;
}

void Circuit::notifyStateChange(Component* component) {
  if (listener != nullptr) listener(listener_context, component, component->output_state);
}

void Circuit::deinit() {
  changed_.release();
  event_queue.release();
  // Newest first, so that the arena can take back what it handed out last.
  for (uint32_t i = nodes.size(); i > 0; --i) {
    Component* component = nodes[i - 1];
    component->outputs.release();
    component->kind.inputs.release();
    memory::destroy(component);
  }
  nodes.release();
  current_time = 0;
  next_id = 0;
  shape_changed_ = true;
  has_cycle_ = false;
  listener = nullptr;
  listener_context = nullptr;
  change_observer = nullptr;
  change_context = nullptr;
}

}  // namespace vorn::circuit
