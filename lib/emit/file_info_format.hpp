#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "core/error.hpp"

// The binary file-information record that generated source embeds: u32
// little-endian integers and length-prefixed strings, no padding.
namespace vorn::file_info_format {

struct NamedPin {
  std::string_view name;
  std::uint32_t component_id = 0;
};

struct FileInfo {
  std::string_view source_name;
  std::string_view compile_timestamp;
  std::string_view compiler_version;
  std::vector<NamedPin> inputs;
  std::vector<NamedPin> outputs;
  std::uint32_t schema_version = 1;
  std::uint32_t file_id = 0;
  std::uint32_t component_count = 0;
  std::uint32_t connection_count = 0;
};

// Fails with StringTooLong or TooManyPins when a length does not fit in 32 bits.
Result<std::vector<std::uint8_t>> encodeFileInfo(const FileInfo& info);

}  // namespace vorn::file_info_format
