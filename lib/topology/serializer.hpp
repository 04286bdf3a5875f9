#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "core/error.hpp"
#include "ir/types.hpp"
#include "topology/format.hpp"

namespace vorn::serializer {

struct PinMapping {
  std::string_view name;
  std::uint32_t global_id = 0;
};

struct ProjectTopology {
  std::vector<std::uint8_t> payload;
  std::vector<PinMapping> input_ids;
  std::vector<PinMapping> output_ids;
};

std::vector<std::uint8_t> encodePayload(const std::vector<format::ComponentRecord>& components,
                                        const std::vector<format::ConnectionRecord>& connections);

// A single file without sub-circuits, ids kept.
Result<std::vector<std::uint8_t>> serializeModule(const types::Module& module);

// The whole project flattened from the root file, with global ids.
Result<ProjectTopology> serializeProject(const types::Project& project);

}  // namespace vorn::serializer
