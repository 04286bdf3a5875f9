#pragma once

#include <cstdint>
#include <span>

#include "core/error.hpp"
#include "emit/file_info_format.hpp"
#include "emit/main.hpp"
#include "emit/writer.hpp"
#include "ir/types.hpp"

// The "file_info_blob" constant: the encoded file-information record as a
// byte array literal.
namespace vorn::file_info {

using EmitOptions = emit::EmitOptions;

// The record of a single module: input pins with their input-pin component
// ids, output pins with the ids of their drivers.
file_info_format::FileInfo moduleFileInfo(const types::Module& module, const EmitOptions& options);

// Encodes `info` and writes the constant.
Result<void> emitFileInfoConstants(writer::Writer& out, const file_info_format::FileInfo& info);

// The byte array body: decimal bytes, each followed by ",", 16 to a line.
void writeByteLines(writer::Writer& out, std::span<const std::uint8_t> bytes);

}  // namespace vorn::file_info
