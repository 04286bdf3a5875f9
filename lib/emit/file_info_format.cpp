#include "emit/file_info_format.hpp"

#include <limits>

namespace vorn::file_info_format {

namespace {

constexpr std::size_t kMaxU32 = std::numeric_limits<std::uint32_t>::max();

void putU32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

Result<void> putString(std::vector<std::uint8_t>& out, std::string_view text) {
  if (text.size() > kMaxU32) return fail(Error::StringTooLong);
  putU32(out, static_cast<std::uint32_t>(text.size()));
  out.insert(out.end(), text.begin(), text.end());
  return {};
}

Result<void> putPins(std::vector<std::uint8_t>& out, const std::vector<NamedPin>& pins) {
  if (pins.size() > kMaxU32) return fail(Error::TooManyPins);
  putU32(out, static_cast<std::uint32_t>(pins.size()));
  for (const NamedPin& pin : pins) {
    putU32(out, pin.component_id);
    if (auto written = putString(out, pin.name); !written) return written;
  }
  return {};
}

}  // namespace

Result<std::vector<std::uint8_t>> encodeFileInfo(const FileInfo& info) {
  std::vector<std::uint8_t> out;
  putU32(out, info.schema_version);
  putU32(out, info.file_id);
  putU32(out, info.component_count);
  putU32(out, info.connection_count);
  for (std::string_view text : {info.source_name, info.compile_timestamp, info.compiler_version}) {
    if (auto written = putString(out, text); !written) return fail(written.error());
  }
  if (auto written = putPins(out, info.inputs); !written) return fail(written.error());
  if (auto written = putPins(out, info.outputs); !written) return fail(written.error());
  return out;
}

}  // namespace vorn::file_info_format
