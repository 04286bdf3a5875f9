#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "core/error.hpp"
#include "ir/types.hpp"
#include "topology/full_format.hpp"

namespace vorn::full_serializer {

Result<full_format::FullTopology> buildFromModule(const types::Module& module);
Result<full_format::FullTopology> buildFromProject(const types::Project& project);

std::vector<std::uint8_t> encode(const full_format::FullTopology& topology);

Result<std::vector<std::uint8_t>> serializeModuleFull(const types::Module& module);
Result<std::vector<std::uint8_t>> serializeProjectFull(const types::Project& project);

// Little-endian u32, and a string as its u32 length followed by its bytes.
void appendU32LE(std::vector<std::uint8_t>& out, std::uint32_t value);
void appendString(std::vector<std::uint8_t>& out, std::string_view text);

}  // namespace vorn::full_serializer
