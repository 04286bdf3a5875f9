#include "topology/serializer.hpp"

#include <cstring>
#include <iterator>

#include "core/little_endian.hpp"
#include "ir/flattened_size.hpp"

namespace vorn::serializer {

namespace {

constexpr std::uint32_t kUnbound = 0xFFFFFFFF;

using little_endian::appendU32;

void indexImports(ExpanderState& state) {
  if (!state.import_targets) state.import_targets.emplace(state.project->import_table);
}

std::uint32_t moduleIndexFor(ExpanderState& state, const types::Module& module) {
  auto [it, inserted] = state.module_index_of.try_emplace(&module, 0);
  if (!inserted) return it->second;
  it->second = static_cast<std::uint32_t>(state.module_indexes.size());
  state.module_indexes.emplace_back(module);
  return it->second;
}

std::uint32_t positionIn(const types::Module& module, const types::Component& component) {
  return static_cast<std::uint32_t>(&component - module.components.data());
}

// Tables for the instances from `first` on, which the walk has just added,
// and their slots: a primitive's global id, a sub-circuit's instance index.
void addTables(ExpanderState& state, std::uint32_t first, std::uint32_t first_global_id) {
  // All sizes are known now, so each table grows once.
  std::size_t slot_count = state.slots.size();
  std::size_t output_count = state.output_drivers.size();
  for (std::uint32_t instance = first; instance < state.instances.size(); ++instance) {
    slot_count += state.instances[instance].module->components.size();
    output_count += state.instances[instance].module->outputs.size();
  }
  state.slots.reserve(slot_count);
  state.output_drivers.reserve(output_count);
  state.tables.reserve(state.instances.size());
  for (std::uint32_t instance = first; instance < state.instances.size(); ++instance) {
    const types::Module& module = *state.instances[instance].module;
    InstanceTables tables;
    tables.index = moduleIndexFor(state, module);
    tables.slot_base = static_cast<std::uint32_t>(state.slots.size());
    tables.output_base = static_cast<std::uint32_t>(state.output_drivers.size());
    tables.binding_base = static_cast<std::uint32_t>(state.bindings.size());
    state.slots.resize(state.slots.size() + module.components.size(), kNoGlobalId);
    state.output_drivers.resize(state.output_drivers.size() + module.outputs.size(), kNoGlobalId);
    state.bindings.resize(state.bindings.size() + state.module_indexes[tables.index].input_slot_by_name.size(),
                          kUnbound);
    state.tables.push_back(tables);
    const instance_walk::Instance& node = state.instances[instance];
    if (instance != first) {  // `first` is the top; every other one sits in a parent already tabled
      const instance_walk::Instance& parent = state.instances[node.parent];
      state.slots[state.tables[node.parent].slot_base + positionIn(*parent.module, *node.component)] = instance;
    }
  }
  for (std::uint32_t id = first_global_id; id < state.components.size(); ++id) {
    const instance_walk::Primitive& primitive = state.components[id];
    const instance_walk::Instance& node = state.instances[primitive.instance];
    state.slots[state.tables[primitive.instance].slot_base + positionIn(*node.module, *primitive.component)] = id;
  }
}

// The global id carrying the signal `endpoint` of instance `instance`. A
// sub-circuit's output map must already be filled in.
Result<std::uint32_t> resolveSignalGlobalId(const ExpanderState& state, std::uint32_t instance,
                                            const types::SignalEndpoint& endpoint) {
  const InstanceTables& tables = state.tables[instance];
  const std::size_t position = state.module_indexes[tables.index].components.indexOf(endpoint.component);
  if (position == component_lookup::ComponentLookup::kNone) return fail(Error::ComponentNotFound);
  const types::Component& source = state.instances[instance].module->components[position];
  std::uint32_t slot = state.slots[tables.slot_base + position];
  switch (source.kind.tag) {
    case types::ComponentKind::Tag::primitive:
      if (slot == kNoGlobalId) return fail(Error::InternalError);
      return slot;
    case types::ComponentKind::Tag::sub_circuit_ref: {
      if (slot == kNoInstance) return fail(Error::InternalError);
      const InstanceTables& child = state.tables[slot];
      const ModuleIndex& index = state.module_indexes[child.index];
      auto found = index.output_by_name.find(endpoint.port);
      if (found == index.output_by_name.end()) return fail(Error::UnknownPortName);
      std::uint32_t driver = state.output_drivers[child.output_base + found->second];
      if (driver == kNoGlobalId) return fail(Error::InternalError);
      return driver;
    }
    case types::ComponentKind::Tag::unresolved_name: break;
  }
  return fail(Error::UnresolvedComponent);
}

// Appends the connection records of one instance: its own connections into
// primitives, then one record per bound input pin.
Result<void> appendConnections(ExpanderState& state, std::uint32_t instance) {
  const types::Module& module = *state.instances[instance].module;
  const InstanceTables& tables = state.tables[instance];
  const ModuleIndex& index = state.module_indexes[tables.index];
  for (const types::Connection& connection : module.connections) {
    const std::size_t destination = index.components.indexOf(connection.to.component);
    if (destination == component_lookup::ComponentLookup::kNone) return fail(Error::ComponentNotFound);
    // Connections into a sub-circuit became its bound inputs.
    if (!module.components[destination].kind.isPrimitive()) continue;
    auto from = resolveSignalGlobalId(state, instance, connection.from);
    if (!from) return fail(from.error());
    auto port = parsePortName(connection.to.port);
    if (!port) return fail(port.error());
    state.connections.push_back({*from, state.slots[tables.slot_base + destination], static_cast<std::uint8_t>(*port)});
  }
  for (std::uint32_t pin = 0; pin < module.inputs.size(); ++pin) {
    std::uint32_t bound = state.bindings[tables.binding_base + index.input_slot[pin]];
    if (bound == kUnbound) continue;
    const std::size_t target = index.components.indexOf(module.inputs[pin].component);
    if (target == component_lookup::ComponentLookup::kNone || !module.components[target].kind.isPrimitive()) {
      return fail(Error::InternalError);
    }
    state.connections.push_back(
        {bound, state.slots[tables.slot_base + target], static_cast<std::uint8_t>(format::PortName::in)});
  }
  return {};
}

}  // namespace

ModuleIndex::ModuleIndex(const types::Module& module) : components(module) {
  for (std::uint32_t i = 0; i < module.outputs.size(); ++i) output_by_name[module.outputs[i].name] = i;
  input_slot.reserve(module.inputs.size());
  for (const types::InputPin& pin : module.inputs) {
    auto slot = input_slot_by_name.try_emplace(pin.name, input_slot_by_name.size());
    input_slot.push_back(slot.first->second);
  }
}

format::ComponentKind primitiveToKind(types::PrimitiveKind kind) {
  switch (kind) {
    case types::PrimitiveKind::input_pin: return format::ComponentKind::input_pin;
    case types::PrimitiveKind::not_gate: return format::ComponentKind::not_gate;
    case types::PrimitiveKind::and_gate: return format::ComponentKind::and_gate;
    case types::PrimitiveKind::wire: return format::ComponentKind::wire;
    case types::PrimitiveKind::led: return format::ComponentKind::led;
    case types::PrimitiveKind::output_pin: return format::ComponentKind::output_pin;
  }
  return format::ComponentKind::input_pin;
}

Result<format::PortName> parsePortName(std::string_view name) {
  if (std::optional<format::PortName> port = format::portByName(name)) return *port;
  return fail(Error::UnknownPortName);
}

std::vector<std::uint8_t> encodePayload(const std::vector<format::ComponentRecord>& components,
                                        const std::vector<format::ConnectionRecord>& connections) {
  static constexpr std::uint8_t kMagicAndVersion[] = {'V', 'O', 'R', 'N', 1};
  std::vector<std::uint8_t> out(std::begin(kMagicAndVersion), std::end(kMagicAndVersion));
  out.reserve(13 + 5 * components.size() + 9 * connections.size());
  appendU32(out, static_cast<std::uint32_t>(components.size()));
  appendU32(out, static_cast<std::uint32_t>(connections.size()));
  for (const format::ComponentRecord& record : components) {
    appendU32(out, record.id);
    out.push_back(record.kind);
  }
  for (const format::ConnectionRecord& record : connections) {
    appendU32(out, record.from_id);
    appendU32(out, record.to_id);
    out.push_back(record.port);
  }
  return out;
}

Result<std::vector<std::uint8_t>> serializeModule(const types::Module& module) {
  std::vector<format::ComponentRecord> components;
  components.reserve(module.components.size());
  for (const types::Component& component : module.components) {
    if (!component.kind.isPrimitive()) return fail(Error::SubCircuitInFlatModule);
    components.push_back({component.id.value, static_cast<std::uint8_t>(primitiveToKind(component.kind.primitive))});
  }
  std::vector<format::ConnectionRecord> connections;
  connections.reserve(module.connections.size());
  for (const types::Connection& connection : module.connections) {
    auto port = parsePortName(connection.to.port);
    if (!port) return fail(port.error());
    connections.push_back(
        {connection.from.component.value, connection.to.component.value, static_cast<std::uint8_t>(*port)});
  }
  return encodePayload(components, connections);
}

Result<OutputMap> expandModule(ExpanderState& state, const types::Module& module,
                               std::span<const InputBinding> parent_input_bindings,
                               std::vector<std::uint32_t>* local_to_global_out) {
  indexImports(state);
  const std::uint32_t first = static_cast<std::uint32_t>(state.instances.size());
  const std::uint32_t first_global_id = static_cast<std::uint32_t>(state.components.size());

  // 1. Global ids for every primitive, before anything is resolved.
  static constexpr instance_walk::WalkErrors kErrors{Error::ModuleNotFound, Error::UnresolvedComponent};
  auto post_order = instance_walk::walkInstances(*state.project, *state.import_targets,
                                                 {&module, module.file_id.value, kNoInstance, nullptr},
                                                 state.instances, state.components, kErrors);
  if (!post_order) return fail(post_order.error());
  state.next_global_id = static_cast<std::uint32_t>(state.components.size());
  addTables(state, first, first_global_id);
  const std::uint32_t top = first;
  const std::uint32_t last = static_cast<std::uint32_t>(state.instances.size());

  // 2. Output maps. An instance's outputs depend only on its own primitives
  //    and its nested instances, which follow it in pre-order.
  for (std::uint32_t instance = last; instance-- > first;) {
    const types::Module& current = *state.instances[instance].module;
    for (std::uint32_t k = 0; k < current.outputs.size(); ++k) {
      auto driver = resolveSignalGlobalId(state, instance, current.outputs[k].driver);
      if (!driver) return fail(driver.error());
      state.output_drivers[state.tables[instance].output_base + k] = *driver;
    }
  }

  // 3. Bound inputs: every connection into a sub-circuit instance, in module
  //    order, so a later one to the same port wins.
  {
    const InstanceTables& tables = state.tables[top];
    const ModuleIndex& index = state.module_indexes[tables.index];
    for (const InputBinding& binding : parent_input_bindings) {
      auto slot = index.input_slot_by_name.find(binding.name);
      if (slot != index.input_slot_by_name.end()) {
        state.bindings[tables.binding_base + slot->second] = binding.bound.global_from_id;
      }
    }
  }
  for (std::uint32_t instance = first; instance < last; ++instance) {
    const types::Module& current = *state.instances[instance].module;
    const InstanceTables& tables = state.tables[instance];
    const ModuleIndex& current_index = state.module_indexes[tables.index];
    for (const types::Connection& connection : current.connections) {
      const std::size_t destination = current_index.components.indexOf(connection.to.component);
      if (destination == component_lookup::ComponentLookup::kNone ||
          !current.components[destination].kind.isSubCircuitRef()) {
        continue;
      }
      auto from = resolveSignalGlobalId(state, instance, connection.from);
      if (!from) return fail(from.error());
      const InstanceTables& child = state.tables[state.slots[tables.slot_base + destination]];
      const ModuleIndex& index = state.module_indexes[child.index];
      auto slot = index.input_slot_by_name.find(connection.to.port);
      if (slot != index.input_slot_by_name.end()) state.bindings[child.binding_base + slot->second] = *from;
    }
  }

  // 4. Connection records, nested instances before their parent.
  for (std::uint32_t instance : *post_order) {
    if (auto appended = appendConnections(state, instance); !appended) return fail(appended.error());
  }

  const InstanceTables& tables = state.tables[top];
  if (local_to_global_out != nullptr) {
    local_to_global_out->assign(module.components.size(), kNoGlobalId);
    for (std::uint32_t i = 0; i < module.components.size(); ++i) {
      if (module.components[i].kind.isPrimitive()) (*local_to_global_out)[i] = state.slots[tables.slot_base + i];
    }
  }
  const ModuleIndex& index = state.module_indexes[tables.index];
  OutputMap output_map;
  output_map.reserve(module.outputs.size());
  for (const types::OutputPin& pin : module.outputs) {
    output_map.push_back({pin.name, state.output_drivers[tables.output_base + index.output_by_name.at(pin.name)]});
  }
  return output_map;
}

Result<ProjectTopology> serializeProject(const types::Project& project) {
  if (project.root_file_id.value >= project.files.size()) return fail(Error::ModuleNotFound);
  if (!flattened_size::fitsLimits(project)) return fail(Error::CircuitTooLarge);
  const types::Module& root = project.files[project.root_file_id.value];
  ExpanderState state(project);
  std::vector<std::uint32_t> local_to_global;
  auto output_map = expandModule(state, root, {}, &local_to_global);
  if (!output_map) return fail(output_map.error());

  ProjectTopology topology;
  for (const types::InputPin& pin : root.inputs) {
    std::uint32_t id = pin.component.value;
    if (id < local_to_global.size() && local_to_global[id] != kNoGlobalId) {
      topology.input_ids.push_back({pin.name, local_to_global[id]});
    }
  }
  topology.output_ids = std::move(*output_map);

  std::vector<format::ComponentRecord> components;
  components.reserve(state.components.size());
  for (std::uint32_t id = 0; id < state.components.size(); ++id) {
    const types::Component& component = *state.components[id].component;
    components.push_back({id, static_cast<std::uint8_t>(primitiveToKind(component.kind.primitive))});
  }
  topology.payload = encodePayload(components, state.connections);
  return topology;
}

}  // namespace vorn::serializer
