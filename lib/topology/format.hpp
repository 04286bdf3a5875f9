#pragma once

// Record types shared by both topology encodings, the truth tables, the
// preview and the runtime module, which compiles this header freestanding.
#include <stdint.h>

#include "core/primitive_kinds.hpp"

#if !VORN_FREESTANDING
#include <cstdint>
#include <optional>
#include <string_view>
#endif

namespace vorn::format {

enum class ComponentKind : uint8_t {
  input_pin = 0,
  not_gate = 1,
  and_gate = 2,
  wire = 3,
  led = 4,
  output_pin = 5,
};

// The kinds in the order of core/primitive_kinds.def.
inline constexpr ComponentKind kComponentKinds[] = {
#define VORN_PRIMITIVE(keyword, ir, topology, ...) ComponentKind::topology,
#include "core/primitive_kinds.def"
};
static_assert(primitive_kinds::isPermutation(kComponentKinds), "primitive_kinds.def names every ComponentKind once");

// The input port of a connection's destination.
enum class PortName : uint8_t { in = 0, a = 1, b = 2, out = 3 };

// The byte a port is stored as.
constexpr uint8_t portByte(PortName port) { return static_cast<uint8_t>(port); }

// The one table between port bytes and the port names used before the
// topology and by the engine. Sizes are stored because the engine takes a
// name as bytes and length.
struct PortNameText {
  const char* data;
  uint32_t size;
};
inline constexpr PortNameText kPortNames[] = {{"in", 2}, {"a", 1}, {"b", 1}, {"out", 3}};
inline constexpr uint8_t kPortCount = sizeof(kPortNames) / sizeof(kPortNames[0]);
static_assert(
    [] {
      for (const PortNameText& name : kPortNames) {
        if (name.data[name.size] != '\0') return false;
      }
      return true;
    }(),
    "each size counts its name's bytes");

// The name of a port byte, or null for a byte that names no port.
constexpr const PortNameText* portNameOf(uint8_t port) { return port < kPortCount ? &kPortNames[port] : nullptr; }

#if !VORN_FREESTANDING
// The name of a port (one of the four enumerators).
constexpr std::string_view portNameText(PortName port) {
  const PortNameText& name = kPortNames[static_cast<uint8_t>(port)];
  return std::string_view(name.data, name.size);
}

static_assert(portNameText(PortName::out) == primitive_kinds::kOutputPort, "the primitives' output port");

// The port byte of a name (exact bytes), or none.
constexpr std::optional<PortName> portByName(std::string_view name) {
  for (uint8_t port = 0; port < kPortCount; ++port) {
    if (name == portNameText(PortName(port))) return PortName(port);
  }
  return std::nullopt;
}

// The same as a byte, for code that stores ports as bytes; a name that is no
// port is none, never a byte value.
constexpr std::optional<uint8_t> portByteOf(std::string_view name) {
  if (std::optional<PortName> port = portByName(name)) return portByte(*port);
  return std::nullopt;
}
#endif

// Sizes in the compact encoding: a header ("VORN", version, two u32
// counts), then 5-byte component and 9-byte connection records.
inline constexpr uint64_t kCompactHeaderSize = 13;
inline constexpr uint64_t kComponentRecordSize = 5;
inline constexpr uint64_t kConnectionRecordSize = 9;

// The byte length of a compact topology with these counts; 64 bits, since it
// exceeds 32 for large counts.
constexpr uint64_t compactTopologySize(uint64_t component_count, uint64_t connection_count) {
  return kCompactHeaderSize + kComponentRecordSize * component_count + kConnectionRecordSize * connection_count;
}

struct ComponentRecord {
  uint32_t id = 0;
  uint8_t kind = 0;  // a ComponentKind value
};

// Connections always leave the source's "out" port, so it is not recorded.
struct ConnectionRecord {
  uint32_t from_id = 0;
  uint32_t to_id = 0;
  uint8_t port = 0;  // a PortName value

  friend bool operator==(const ConnectionRecord&, const ConnectionRecord&) = default;
};

#if !VORN_FREESTANDING
// Section names under which the two encodings are embedded.
inline constexpr std::string_view kCompactSectionName = "vorn.topology.v0.min";
inline constexpr std::string_view kFullSectionName = "vorn.topology.v0.full";
#endif

}  // namespace vorn::format
