#pragma once

// The runtime module's entry points as plain functions. The wasm exports in
// main.cpp forward to them; native builds (the fuzz target) call them directly.
#include <stdint.h>

namespace vorn::runtime_module {

uint32_t topologyAllocImpl(uint32_t length);
// Where topologyAllocImpl put the buffer (the address it returned, as a
// pointer; null for none).
uint8_t* topologyBuffer();
void initImpl();
void runImpl();
void setPinImpl(int32_t component_id, int32_t state);
int32_t getOutputStateImpl(int32_t component_id);

#if !VORN_FREESTANDING
// Back to the state of a freshly loaded module, releasing the engine arena.
// The module itself never does this; a native host running many circuits in
// one process does.
void resetForNextModule();
#endif

}  // namespace vorn::runtime_module
