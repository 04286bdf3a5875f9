#include "topology/serializer.hpp"

#include <cstring>
#include <iterator>

#include "core/check.hpp"
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
  // addTables gave every primitive and instance of the walk its slot, and
  // outputs are resolved nested instances first, so none can be missing.
  switch (source.kind.tag) {
    case types::ComponentKind::Tag::primitive: VORN_CHECK(slot != kNoGlobalId); return slot;
    case types::ComponentKind::Tag::sub_circuit_ref: {
      VORN_CHECK(slot != kNoInstance);
      const InstanceTables& child = state.tables[slot];
      const ModuleIndex& index = state.module_indexes[child.index];
      auto found = index.output_by_name.find(endpoint.port);
      if (found == index.output_by_name.end()) return fail(Error::UnknownPortName);
      std::uint32_t driver = state.output_drivers[child.output_base + found->second];
      VORN_CHECK(driver != kNoGlobalId);
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
    VORN_TRY(std::uint32_t from, resolveSignalGlobalId(state, instance, connection.from));
    VORN_TRY(format::PortName port, parsePortName(connection.to.port));
    state.connections.push_back({from, state.slots[tables.slot_base + destination], format::portByte(port)});
  }
  for (std::uint32_t pin = 0; pin < module.inputs.size(); ++pin) {
    std::uint32_t bound = state.bindings[tables.binding_base + index.input_slot[pin]];
    if (bound == kUnbound) continue;
    // The resolver makes every input pin a primitive of its own module.
    const std::size_t target = index.components.indexOf(module.inputs[pin].component);
    VORN_CHECK(target != component_lookup::ComponentLookup::kNone && module.components[target].kind.isPrimitive());
    state.connections.push_back(
        {bound, state.slots[tables.slot_base + target], format::portByte(format::PortName::in)});
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
  static constexpr auto kKinds = primitive_kinds::conversion(types::kPrimitiveKinds, format::kComponentKinds);
  return kKinds[kind];
}

Result<format::PortName> parsePortName(std::string_view name) {
  if (std::optional<format::PortName> port = format::portByName(name)) return *port;
  return fail(Error::UnknownPortName);
}

std::vector<std::uint8_t> encodePayload(const std::vector<format::ComponentRecord>& components,
                                        const std::vector<format::ConnectionRecord>& connections) {
  static constexpr std::uint8_t kMagicAndVersion[] = {'V', 'O', 'R', 'N', 1};
  std::vector<std::uint8_t> out(std::begin(kMagicAndVersion), std::end(kMagicAndVersion));
  out.reserve(format::compactTopologySize(components.size(), connections.size()));
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
    VORN_TRY(format::PortName port, parsePortName(connection.to.port));
    connections.push_back({connection.from.component.value, connection.to.component.value, format::portByte(port)});
  }
  return encodePayload(components, connections);
}

namespace {

// Walks the instance tree under `module` and gives every primitive its
// global id, before anything is resolved. Returns the new instances in
// post-order.
Result<std::vector<std::uint32_t>> assignGlobalIds(ExpanderState& state, const types::Module& module) {
  const std::uint32_t first = static_cast<std::uint32_t>(state.instances.size());
  const std::uint32_t first_global_id = static_cast<std::uint32_t>(state.components.size());
  static constexpr instance_walk::WalkErrors kErrors{Error::ModuleNotFound, Error::UnresolvedComponent};
  VORN_TRY(std::vector<std::uint32_t> post_order,
           instance_walk::walkInstances(*state.project, *state.import_targets,
                                        {&module, module.file_id.value, kNoInstance, nullptr}, state.instances,
                                        state.components, kErrors));
  state.next_global_id = static_cast<std::uint32_t>(state.components.size());
  addTables(state, first, first_global_id);
  return post_order;
}

// The driver of every output of the instances [first, last). An instance's
// outputs depend only on its own primitives and its nested instances, which
// follow it in pre-order, so the walk goes backwards.
Result<void> resolveOutputDrivers(ExpanderState& state, std::uint32_t first, std::uint32_t last) {
  for (std::uint32_t instance = last; instance-- > first;) {
    const types::Module& current = *state.instances[instance].module;
    for (std::uint32_t k = 0; k < current.outputs.size(); ++k) {
      VORN_TRY(std::uint32_t driver, resolveSignalGlobalId(state, instance, current.outputs[k].driver));
      state.output_drivers[state.tables[instance].output_base + k] = driver;
    }
  }
  return {};
}

// The top instance's input pins driven from outside the flattening.
void bindParentInputs(ExpanderState& state, std::uint32_t top, std::span<const InputBinding> parent_input_bindings) {
  const InstanceTables& tables = state.tables[top];
  const ModuleIndex& index = state.module_indexes[tables.index];
  for (const InputBinding& binding : parent_input_bindings) {
    auto slot = index.input_slot_by_name.find(binding.name);
    if (slot != index.input_slot_by_name.end()) {
      state.bindings[tables.binding_base + slot->second] = binding.bound.global_from_id;
    }
  }
}

// Every connection into a sub-circuit instance binds one of its input pins,
// in module order, so a later one to the same port wins.
Result<void> bindSubCircuitInputs(ExpanderState& state, std::uint32_t first, std::uint32_t last) {
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
      VORN_TRY(std::uint32_t from, resolveSignalGlobalId(state, instance, connection.from));
      const InstanceTables& child = state.tables[state.slots[tables.slot_base + destination]];
      const ModuleIndex& index = state.module_indexes[child.index];
      auto slot = index.input_slot_by_name.find(connection.to.port);
      if (slot != index.input_slot_by_name.end()) state.bindings[child.binding_base + slot->second] = from;
    }
  }
  return {};
}

// Connection records, nested instances before their parent.
Result<void> appendConnectionRecords(ExpanderState& state, const std::vector<std::uint32_t>& post_order) {
  for (std::uint32_t instance : post_order) VORN_TRY_VOID(appendConnections(state, instance));
  return {};
}

// The top module's IR ids to global ids; sub-circuits have none.
void copyLocalIds(const ExpanderState& state, const types::Module& module, std::uint32_t top,
                  std::vector<std::uint32_t>& local_to_global) {
  const InstanceTables& tables = state.tables[top];
  local_to_global.assign(module.components.size(), kNoGlobalId);
  for (std::uint32_t i = 0; i < module.components.size(); ++i) {
    if (module.components[i].kind.isPrimitive()) local_to_global[i] = state.slots[tables.slot_base + i];
  }
}

OutputMap collectOutputMap(const ExpanderState& state, const types::Module& module, std::uint32_t top) {
  const InstanceTables& tables = state.tables[top];
  const ModuleIndex& index = state.module_indexes[tables.index];
  OutputMap output_map;
  output_map.reserve(module.outputs.size());
  for (const types::OutputPin& pin : module.outputs) {
    output_map.push_back({pin.name, state.output_drivers[tables.output_base + index.output_by_name.at(pin.name)]});
  }
  return output_map;
}

}  // namespace

Result<OutputMap> expandModule(ExpanderState& state, const types::Module& module,
                               std::span<const InputBinding> parent_input_bindings,
                               std::vector<std::uint32_t>* local_to_global_out) {
  indexImports(state);
  const std::uint32_t top = static_cast<std::uint32_t>(state.instances.size());
  VORN_TRY(const std::vector<std::uint32_t> post_order, assignGlobalIds(state, module));
  const std::uint32_t last = static_cast<std::uint32_t>(state.instances.size());
  VORN_TRY_VOID(resolveOutputDrivers(state, top, last));
  bindParentInputs(state, top, parent_input_bindings);
  VORN_TRY_VOID(bindSubCircuitInputs(state, top, last));
  VORN_TRY_VOID(appendConnectionRecords(state, post_order));
  if (local_to_global_out != nullptr) copyLocalIds(state, module, top, *local_to_global_out);
  return collectOutputMap(state, module, top);
}

Result<ProjectTopology> serializeProject(const types::Project& project) {
  if (project.root_file_id.value >= project.files.size()) return fail(Error::ModuleNotFound);
  if (!flattened_size::fitsLimits(project)) return fail(Error::CircuitTooLarge);
  const types::Module& root = project.files[project.root_file_id.value];
  ExpanderState state(project);
  std::vector<std::uint32_t> local_to_global;
  VORN_TRY(OutputMap output_map, expandModule(state, root, {}, &local_to_global));

  ProjectTopology topology;
  for (const types::InputPin& pin : root.inputs) {
    std::uint32_t id = pin.component.value;
    if (id < local_to_global.size() && local_to_global[id] != kNoGlobalId) {
      topology.input_ids.push_back({pin.name, local_to_global[id]});
    }
  }
  topology.output_ids = std::move(output_map);

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
