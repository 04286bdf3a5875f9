#include "interpreter.hpp"

#include "circuit/topology_loader.hpp"
#include "core/little_endian.hpp"
#include "topology/format.hpp"

namespace vorn::interpreter {
namespace {

constexpr size_t kHeaderSize = format::kCompactHeaderSize;
constexpr size_t kComponentSize = format::kComponentRecordSize;
constexpr size_t kConnectionSize = format::kConnectionRecordSize;

using little_endian::readU32;

// Enters every record into the loader; false at the first one it rejects.
bool loadRecords(circuit::TopologyLoader& loader, const uint8_t* components, uint32_t component_count,
                 const uint8_t* connections, uint32_t connection_count) {
  for (uint32_t i = 0; i < component_count; ++i) {
    const uint8_t* record = components + size_t(i) * kComponentSize;
    if (loader.addComponent(readU32(record), record[4]) != circuit::LoadStatus::ok) return false;
  }
  for (uint32_t i = 0; i < connection_count; ++i) {
    const uint8_t* record = connections + size_t(i) * kConnectionSize;
    if (loader.connect(readU32(record), readU32(record + 4), record[8]) != circuit::LoadStatus::ok) return false;
  }
  return true;
}

}  // namespace

bool portNameStr(uint8_t port, circuit::PortName& name) {
  const format::PortNameText* text = format::portNameOf(port);
  if (text == nullptr) return false;
  name = circuit::PortName(text->data, text->size);
  return true;
}

bool initFromTopology(circuit::Circuit& circuit, const uint8_t* data, size_t length) {
  if (data == nullptr || length < kHeaderSize) return false;
  if (data[0] != 'V' || data[1] != 'O' || data[2] != 'R' || data[3] != 'N' || data[4] != 1) {
    return false;
  }
  uint32_t component_count = readU32(data + 5);
  uint32_t connection_count = readU32(data + 9);
  if (format::compactTopologySize(component_count, connection_count) > uint64_t(length)) return false;

  const uint8_t* components = data + kHeaderSize;
  const uint8_t* connections = components + size_t(component_count) * kComponentSize;
  uint32_t max_id = 0;
  for (uint32_t i = 0; i < component_count; ++i) {
    uint32_t id = readU32(components + size_t(i) * kComponentSize);
    if (id > max_id) max_id = id;
  }
  circuit::TopologyLoader loader(circuit);
  if (!loader.init(component_count, max_id)) return false;
  bool built = loadRecords(loader, components, component_count, connections, connection_count);
  loader.release();
  return built;
}

}  // namespace vorn::interpreter
