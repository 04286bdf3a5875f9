#pragma once

#include <cstdint>
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

}  // namespace vorn::full_serializer
