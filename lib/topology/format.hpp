#pragma once

// Record types shared by both topology encodings, the truth tables, the
// preview and the runtime module, which compiles this header freestanding.
#include <stdint.h>

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

// The input port of a connection's destination.
enum class PortName : uint8_t { in = 0, a = 1, b = 2, out = 3 };

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

// The port byte of a name (exact bytes), or none.
constexpr std::optional<PortName> portByName(std::string_view name) {
  for (uint8_t port = 0; port < kPortCount; ++port) {
    if (name == portNameText(PortName(port))) return PortName(port);
  }
  return std::nullopt;
}
#endif

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
