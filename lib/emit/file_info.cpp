#include "emit/file_info.hpp"

#include <algorithm>
#include <string>

namespace vorn::file_info {

file_info_format::FileInfo moduleFileInfo(const types::Module& module, const EmitOptions& options) {
  file_info_format::FileInfo info;
  info.source_name = options.source_name;
  info.compile_timestamp = options.compile_timestamp;
  info.compiler_version = options.compiler_version;
  info.file_id = module.file_id.value;
  info.component_count = static_cast<std::uint32_t>(module.components.size());
  info.connection_count = static_cast<std::uint32_t>(module.connections.size());
  info.inputs.reserve(module.inputs.size());
  for (const types::InputPin& pin : module.inputs) info.inputs.push_back({pin.name, pin.component.value});
  info.outputs.reserve(module.outputs.size());
  for (const types::OutputPin& pin : module.outputs) info.outputs.push_back({pin.name, pin.driver.component.value});
  return info;
}

void writeByteLines(writer::Writer& out, std::span<const std::uint8_t> bytes) {
  constexpr std::size_t kBytesPerLine = 16;
  std::string line;
  for (std::size_t start = 0; start < bytes.size(); start += kBytesPerLine) {
    line.clear();
    const std::size_t end = std::min(bytes.size(), start + kBytesPerLine);
    for (std::size_t i = start; i < end; ++i) {
      if (i > start) line += ' ';
      line += std::to_string(bytes[i]);
      line += ',';
    }
    out.writeLine(line);
  }
}

Result<void> emitFileInfoConstants(writer::Writer& out, const file_info_format::FileInfo& info) {
  VORN_TRY(const std::vector<std::uint8_t> bytes, file_info_format::encodeFileInfo(info));
  out.writeLine("const file_info_blob: []const u8 = &.{");
  out.indent();
  writeByteLines(out, bytes);
  out.dedent();
  out.writeLine("};");
  return {};
}

}  // namespace vorn::file_info
