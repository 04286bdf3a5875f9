#include "topology/full_serializer.hpp"

#include <algorithm>
#include <iterator>

#include "core/little_endian.hpp"
#include "ir/flattened_size.hpp"
#include "topology/serializer.hpp"

namespace vorn::full_serializer {

namespace {

// The frames enclosing a component of `instance`, outermost first.
std::vector<full_format::OriginFrame> originOf(const serializer::ExpanderState& state, std::uint32_t instance) {
  std::vector<full_format::OriginFrame> origin;
  for (std::uint32_t at = instance; at != serializer::kNoInstance; at = state.instances[at].parent) {
    const instance_walk::Instance& node = state.instances[at];
    if (node.component == nullptr) break;  // the root file
    origin.push_back({std::string(node.component->instance_name),
                      std::string(node.component->kind.sub_circuit_ref.name), node.file});
  }
  std::reverse(origin.begin(), origin.end());
  return origin;
}

}  // namespace

void appendU32LE(std::vector<std::uint8_t>& out, std::uint32_t value) { little_endian::appendU32(out, value); }

void appendString(std::vector<std::uint8_t>& out, std::string_view text) { little_endian::appendString(out, text); }

Result<full_format::FullTopology> buildFromModule(const types::Module& module) {
  full_format::FullTopology topology;
  topology.components.reserve(module.components.size());
  for (const types::Component& component : module.components) {
    if (component.kind.isSubCircuitRef()) return fail(Error::SubCircuitInFlatModule);
    if (component.kind.isUnresolvedName()) return fail(Error::UnresolvedComponent);
    topology.components.push_back({std::string(component.instance_name),
                                   {},
                                   component.id.value,
                                   serializer::primitiveToKind(component.kind.primitive)});
  }
  topology.connections.reserve(module.connections.size());
  for (const types::Connection& connection : module.connections) {
    VORN_TRY(format::PortName port, serializer::parsePortName(connection.to.port));
    topology.connections.push_back(
        {connection.from.component.value, connection.to.component.value, format::portByte(port)});
  }
  return topology;
}

Result<full_format::FullTopology> buildFromProject(const types::Project& project) {
  if (project.root_file_id.value >= project.files.size()) return fail(Error::ModuleNotFound);
  if (!flattened_size::fitsLimits(project)) return fail(Error::CircuitTooLarge);
  serializer::ExpanderState state(project);
  VORN_TRY_VOID(serializer::expandModule(state, project.files[project.root_file_id.value], {}, nullptr));

  full_format::FullTopology topology;
  topology.components.reserve(state.components.size());
  // Neighbouring ids mostly share an instance; its frame list is built once
  // per run of them and copied into each record.
  std::uint32_t origin_instance = serializer::kNoInstance;
  std::vector<full_format::OriginFrame> origin;
  for (std::uint32_t id = 0; id < state.components.size(); ++id) {
    const instance_walk::Primitive& flat = state.components[id];
    if (flat.instance != origin_instance) {
      origin = originOf(state, flat.instance);
      origin_instance = flat.instance;
    }
    topology.components.push_back({std::string(flat.component->instance_name), origin, id,
                                   serializer::primitiveToKind(flat.component->kind.primitive)});
  }
  topology.connections = std::move(state.connections);
  return topology;
}

std::vector<std::uint8_t> encode(const full_format::FullTopology& topology) {
  static constexpr std::uint8_t kMagicAndVersion[] = {'V', 'O', 'R', 'F', 1};
  std::vector<std::uint8_t> out(std::begin(kMagicAndVersion), std::end(kMagicAndVersion));
  appendU32LE(out, static_cast<std::uint32_t>(topology.components.size()));
  for (const full_format::FullComponentRecord& record : topology.components) {
    appendU32LE(out, record.id);
    out.push_back(static_cast<std::uint8_t>(record.kind));
    appendString(out, record.name);
    appendU32LE(out, static_cast<std::uint32_t>(record.origin.size()));
    for (const full_format::OriginFrame& frame : record.origin) {
      appendString(out, frame.alias);
      appendString(out, frame.subcircuit);
      appendU32LE(out, frame.target_file);
    }
  }
  appendU32LE(out, static_cast<std::uint32_t>(topology.connections.size()));
  for (const format::ConnectionRecord& record : topology.connections) {
    appendU32LE(out, record.from_id);
    appendU32LE(out, record.to_id);
    out.push_back(record.port);
  }
  return out;
}

Result<std::vector<std::uint8_t>> serializeModuleFull(const types::Module& module) {
  VORN_TRY(const full_format::FullTopology topology, buildFromModule(module));
  return encode(topology);
}

Result<std::vector<std::uint8_t>> serializeProjectFull(const types::Project& project) {
  VORN_TRY(const full_format::FullTopology topology, buildFromProject(project));
  return encode(topology);
}

}  // namespace vorn::full_serializer
