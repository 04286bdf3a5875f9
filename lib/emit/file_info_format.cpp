#include "emit/file_info_format.hpp"

#include <limits>

#include "core/little_endian.hpp"

namespace vorn::file_info_format {

namespace {

constexpr std::size_t kMaxU32 = std::numeric_limits<std::uint32_t>::max();

using little_endian::appendU32;

Result<void> putString(std::vector<std::uint8_t>& out, std::string_view text) {
  if (text.size() > kMaxU32) return fail(Error::StringTooLong);
  little_endian::appendString(out, text);
  return {};
}

Result<void> putPins(std::vector<std::uint8_t>& out, const std::vector<NamedPin>& pins) {
  if (pins.size() > kMaxU32) return fail(Error::TooManyPins);
  appendU32(out, static_cast<std::uint32_t>(pins.size()));
  for (const NamedPin& pin : pins) {
    appendU32(out, pin.component_id);
    VORN_TRY_VOID(putString(out, pin.name));
  }
  return {};
}

}  // namespace

Result<std::vector<std::uint8_t>> encodeFileInfo(const FileInfo& info) {
  std::vector<std::uint8_t> out;
  appendU32(out, info.schema_version);
  appendU32(out, info.file_id);
  appendU32(out, info.component_count);
  appendU32(out, info.connection_count);
  for (std::string_view text : {info.source_name, info.compile_timestamp, info.compiler_version}) {
    VORN_TRY_VOID(putString(out, text));
  }
  VORN_TRY_VOID(putPins(out, info.inputs));
  VORN_TRY_VOID(putPins(out, info.outputs));
  return out;
}

}  // namespace vorn::file_info_format
