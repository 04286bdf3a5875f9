// Entry points of the runtime module. The host copies a compact topology into
// memory through topology_alloc, calls init once, then drives input pins and
// reads component states. No export traps on bad arguments.
#include <stddef.h>
#include <stdint.h>

#include "circuit/circuit.hpp"
#include "interpreter.hpp"
#include "memory/arena.hpp"
#include "entry_points.hpp"

namespace vorn::runtime_module {
namespace {

constexpr uint32_t kNoAddress = 0xFFFFFFFFu;

constinit circuit::Circuit runtime_circuit;
constinit bool runtime_initialized = false;
constinit bool topo_allocated = false;
constinit uint8_t* topo_ptr = nullptr;
constinit uint32_t topo_len = 0;

circuit::Component* pinComponent(int32_t component_id) {
  if (!runtime_initialized || component_id < 0) return nullptr;
  if (uint32_t(component_id) >= runtime_circuit.nodes.size()) return nullptr;
  return runtime_circuit.nodes[uint32_t(component_id)];
}

}  // namespace

uint32_t topologyAllocImpl(uint32_t length) {
  if (length == 0) {
    topo_allocated = true;
    topo_ptr = nullptr;
    topo_len = 0;
    return kNoAddress;
  }
  void* buffer = memory::arena().allocate(length, 8);
  if (buffer == nullptr) return kNoAddress;
  topo_allocated = true;
  topo_ptr = static_cast<uint8_t*>(buffer);
  topo_len = length;
  return uint32_t(reinterpret_cast<uintptr_t>(buffer));
}

uint8_t* topologyBuffer() { return topo_ptr; }

#if !VORN_FREESTANDING
void resetForNextModule() {
  runtime_circuit = circuit::Circuit{};
  runtime_initialized = false;
  topo_allocated = false;
  topo_ptr = nullptr;
  topo_len = 0;
  memory::arena().reset();
}
#endif

void initImpl() {
  if (runtime_initialized) return;
  runtime_circuit.init();
  if (!topo_allocated) {
    runtime_initialized = true;
    return;
  }
  if (!interpreter::initFromTopology(runtime_circuit, topo_ptr, topo_len)) {
    runtime_circuit.deinit();
    return;
  }
  runtime_initialized = true;
}

void runImpl() {
  if (runtime_initialized) runtime_circuit.propagate();
}

void setPinImpl(int32_t component_id, int32_t state) {
  circuit::Component* component = pinComponent(component_id);
  if (component == nullptr || component->kind.type != circuit::ComponentType::input_pin_gate) return;
  // propagateEvent records the event as the pin's latest, as the engine's own
  // events are; out of memory it queues nothing and returns.
  runtime_circuit.propagateEvent(component, circuit::fromInt(uint32_t(state)));
}

int32_t getOutputStateImpl(int32_t component_id) {
  circuit::Component* component = pinComponent(component_id);
  if (component == nullptr) return 2;
  return int32_t(circuit::toInt(component->output_state));
}

}  // namespace vorn::runtime_module

#if defined(__wasm__)
extern "C" {

__attribute__((export_name("topology_alloc"))) uint32_t topology_alloc(uint32_t length) {
  return vorn::runtime_module::topologyAllocImpl(length);
}

__attribute__((export_name("init"))) void init() { vorn::runtime_module::initImpl(); }

__attribute__((export_name("run"))) void run() { vorn::runtime_module::runImpl(); }

__attribute__((export_name("setPin"))) void setPin(int32_t component_id, int32_t state) {
  vorn::runtime_module::setPinImpl(component_id, state);
}

__attribute__((export_name("getOutputState"))) int32_t getOutputState(int32_t component_id) {
  return vorn::runtime_module::getOutputStateImpl(component_id);
}
}
#endif
