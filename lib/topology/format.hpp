#pragma once

#include <cstdint>
#include <string_view>

// Record types shared by both topology encodings, the truth tables and the
// preview.
namespace vorn::format {

enum class ComponentKind : std::uint8_t {
  input_pin = 0,
  not_gate = 1,
  and_gate = 2,
  wire = 3,
  led = 4,
  output_pin = 5,
};

// The input port of a connection's destination.
enum class PortName : std::uint8_t { in = 0, a = 1, b = 2, out = 3 };

struct ComponentRecord {
  std::uint32_t id = 0;
  std::uint8_t kind = 0;  // a ComponentKind value
};

// Connections always leave the source's "out" port, so it is not recorded.
struct ConnectionRecord {
  std::uint32_t from_id = 0;
  std::uint32_t to_id = 0;
  std::uint8_t port = 0;  // a PortName value

  friend bool operator==(const ConnectionRecord&, const ConnectionRecord&) = default;
};

// Section names under which the two encodings are embedded.
inline constexpr std::string_view kCompactSectionName = "vorn.topology.v0.min";
inline constexpr std::string_view kFullSectionName = "vorn.topology.v0.full";

}  // namespace vorn::format
