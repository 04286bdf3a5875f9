#pragma once

// Every binary format the compiler writes or the runtime reads stores its
// integers as u32 little-endian and its strings as a u32 length followed by the
// bytes. The reader is also compiled into the freestanding runtime module.
#include <stdint.h>

#if !VORN_FREESTANDING
#include <cstdint>
#include <string_view>
#include <vector>
#endif

namespace vorn::little_endian {

// The u32 stored least significant byte first at `bytes`.
inline uint32_t readU32(const uint8_t* bytes) {
  return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 | uint32_t(bytes[3]) << 24;
}

#if !VORN_FREESTANDING
// One size check for the four bytes: serializers append millions of them.
inline void appendU32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  const std::size_t at = out.size();
  out.resize(at + 4);
  out[at] = static_cast<std::uint8_t>(value);
  out[at + 1] = static_cast<std::uint8_t>(value >> 8);
  out[at + 2] = static_cast<std::uint8_t>(value >> 16);
  out[at + 3] = static_cast<std::uint8_t>(value >> 24);
}

// The caller makes sure the length fits in 32 bits.
inline void appendString(std::vector<std::uint8_t>& out, std::string_view text) {
  appendU32(out, static_cast<std::uint32_t>(text.size()));
  out.insert(out.end(), text.begin(), text.end());
}
#endif

}  // namespace vorn::little_endian
