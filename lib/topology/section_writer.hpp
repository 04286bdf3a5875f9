#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "core/error.hpp"

namespace vorn::section_writer {

// The runtime module carried by the compiler (generated at build time).
std::span<const std::uint8_t> runtimeModuleBytes();

void writeLeb128(std::vector<std::uint8_t>& out, std::uint32_t value);

// The runtime module followed by the two topology custom sections.
Result<std::vector<std::uint8_t>> combineTwo(std::span<const std::uint8_t> compact_payload,
                                             std::span<const std::uint8_t> full_payload);

}  // namespace vorn::section_writer
