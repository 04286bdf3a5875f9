// Fuzzes the runtime module natively: its topology loader and the engine
// behind its exports, driven the way a host drives the wasm module.
//
// Input: byte 0 is the number of calls N (mod 17), then N calls of 4 bytes
// (kind, component id as a signed 16-bit value, state), then the compact
// topology handed to topology_alloc.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "log/log.hpp"
#include "entry_points.hpp"

namespace {

constexpr std::size_t kCallSize = 4;

// Trace lines are still formatted, then dropped.
void discardLine(void*, const char*, std::size_t) {}

void checkState(std::int32_t state) {
  if (state < 0 || state > 2) {
    std::fprintf(stderr, "getOutputState returned %d\n", state);
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  vorn::log::setSink(discardLine, nullptr);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vorn::runtime_module;
  if (size == 0) return -1;
  std::size_t calls = data[0] % 17;
  std::size_t header = 1 + calls * kCallSize;
  if (size < header) return -1;
  const std::uint8_t* topology = data + header;
  std::size_t length = size - header;

  std::uint32_t address = topologyAllocImpl(std::uint32_t(length));
  if (length > 0) {
    if (address == 0xFFFFFFFFu) std::abort();
    std::memcpy(topologyBuffer(), topology, length);
  }
  initImpl();
  initImpl();  // a second init changes nothing

  for (std::size_t i = 0; i < calls; ++i) {
    const std::uint8_t* call = data + 1 + i * kCallSize;
    auto id = std::int32_t(std::int16_t(std::uint16_t(call[1] | call[2] << 8)));
    switch (call[0] % 3) {
      case 0: setPinImpl(id, std::int32_t(std::int8_t(call[3]))); break;
      case 1: runImpl(); break;
      case 2: checkState(getOutputStateImpl(id)); break;
    }
  }
  for (std::int32_t id = -1; id < 64; ++id) checkState(getOutputStateImpl(id));

  resetForNextModule();
  return 0;
}
