# Writes OUTPUT, a C++ source defining the bytes of INPUT as
# vorn::section_writer::runtimeModuleBytes().
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR byte_count "${hex_length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n" bytes "${bytes}")
file(WRITE "${OUTPUT}" "// Generated from vorn-runtime.wasm at build time; do not edit.
#include <cstddef>
#include <cstdint>
#include <span>

namespace vorn::section_writer {
namespace {
alignas(8) const std::uint8_t kRuntimeModule[${byte_count}] = {
${bytes}
};
}  // namespace

std::span<const std::uint8_t> runtimeModuleBytes() {
  return {kRuntimeModule, sizeof kRuntimeModule};
}
}  // namespace vorn::section_writer
")
