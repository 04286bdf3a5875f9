#include "topology/section_writer.hpp"

#include <string_view>

#include "topology/format.hpp"

namespace vorn::section_writer {
namespace {

// The compact payload needs at least its magic, version and component count;
// the full payload at least a header and one count more.
constexpr std::size_t kCompactMinimum = 9;
constexpr std::size_t kFullMinimumExclusive = 12;

std::size_t leb128Length(std::uint32_t value) {
  std::size_t length = 1;
  while (value >= 0x80) {
    value >>= 7;
    ++length;
  }
  return length;
}

// Size of one custom section: id byte, LEB128 size, name length byte, name,
// payload. The names are shorter than 128 bytes, so their length is one byte.
std::uint64_t sectionContentSize(std::string_view name, std::size_t payload) { return 1 + name.size() + payload; }

void appendSection(std::vector<std::uint8_t>& out, std::string_view name, std::span<const std::uint8_t> payload) {
  out.push_back(0x00);
  writeLeb128(out, static_cast<std::uint32_t>(sectionContentSize(name, payload.size())));
  out.push_back(static_cast<std::uint8_t>(name.size()));
  out.insert(out.end(), name.begin(), name.end());
  out.insert(out.end(), payload.begin(), payload.end());
}

}  // namespace

void writeLeb128(std::vector<std::uint8_t>& out, std::uint32_t value) {
  do {
    std::uint8_t byte = value & 0x7F;
    value >>= 7;
    if (value != 0) byte |= 0x80;
    out.push_back(byte);
  } while (value != 0);
}

Result<std::vector<std::uint8_t>> combineTwo(std::span<const std::uint8_t> compact_payload,
                                             std::span<const std::uint8_t> full_payload) {
  if (compact_payload.size() < kCompactMinimum || full_payload.size() <= kFullMinimumExclusive) {
    return fail(Error::TopologyTooShort);
  }
  const std::uint64_t compact_size = sectionContentSize(format::kCompactSectionName, compact_payload.size());
  const std::uint64_t full_size = sectionContentSize(format::kFullSectionName, full_payload.size());
  // A section size is a u32; a larger section cannot be written.
  if (compact_size > UINT32_MAX || full_size > UINT32_MAX) return fail(Error::OutOfMemory);

  std::span<const std::uint8_t> runtime = runtimeModuleBytes();
  const std::size_t total = runtime.size() + 1 + leb128Length(std::uint32_t(compact_size)) + compact_size + 1 +
                            leb128Length(std::uint32_t(full_size)) + full_size;
  std::vector<std::uint8_t> out;
  out.reserve(total);
  out.insert(out.end(), runtime.begin(), runtime.end());
  appendSection(out, format::kCompactSectionName, compact_payload);
  appendSection(out, format::kFullSectionName, full_payload);
  return out;
}

}  // namespace vorn::section_writer
