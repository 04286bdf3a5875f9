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
  ModuleIndex index;
  for (std::uint32_t i = 0; i < module.outputs.size(); ++i) index.output_by_name[module.outputs[i].name] = i;
  index.input_slot.reserve(module.inputs.size());
  for (const types::InputPin& pin : module.inputs) {
    auto slot = index.input_slot_by_name.try_emplace(pin.name, index.input_slot_by_name.size());
    index.input_slot.push_back(slot.first->second);
  }
  state.module_indexes.push_back(std::move(index));
  return it->second;
}

std::uint32_t addInstance(ExpanderState& state, const types::Module& module, std::uint32_t parent,
                          const types::Component* component, types::FileId target_file) {
  InstanceNode node;
  node.module = &module;
  node.parent = parent;
  node.component = component;
  node.target_file = target_file;
  node.index = moduleIndexFor(state, module);
  node.slot_base = static_cast<std::uint32_t>(state.slots.size());
  node.output_base = static_cast<std::uint32_t>(state.output_drivers.size());
  node.binding_base = static_cast<std::uint32_t>(state.bindings.size());
  state.slots.resize(state.slots.size() + module.components.size(), kNoGlobalId);
  state.output_drivers.resize(state.output_drivers.size() + module.outputs.size(), kNoGlobalId);
  state.bindings.resize(state.bindings.size() + state.module_indexes[node.index].input_slot_by_name.size(),
                        kUnbound);
  state.instances.push_back(node);
  return static_cast<std::uint32_t>(state.instances.size() - 1);
}

// The global id carrying the signal `endpoint` of instance `instance`. A
// sub-circuit's output map must already be filled in.
Result<std::uint32_t> resolveSignalGlobalId(const ExpanderState& state, std::uint32_t instance,
                                            const types::SignalEndpoint& endpoint) {
  const InstanceNode& node = state.instances[instance];
  const types::Component* source = node.module->findComponent(endpoint.component);
  if (source == nullptr) return fail(Error::ComponentNotFound);
  std::uint32_t slot = state.slots[node.slot_base + endpoint.component.value];
  switch (source->kind.tag) {
    case types::ComponentKind::Tag::primitive:
      if (slot == kNoGlobalId) return fail(Error::InternalError);
      return slot;
    case types::ComponentKind::Tag::sub_circuit_ref: {
      if (slot == kNoInstance) return fail(Error::InternalError);
      const InstanceNode& child = state.instances[slot];
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

struct WalkFrame {
  std::uint32_t instance;
  std::uint32_t next_component;
};

// Gives every primitive under `top` its global id in pre-order and returns
// the instances in post-order. The walk keeps its own stack; nesting follows
// the import graph, so a stack deeper than the number of files means a cycle.
Result<std::vector<std::uint32_t>> assignIds(ExpanderState& state, std::uint32_t top) {
  indexImports(state);
  const types::Project& project = *state.project;
  std::vector<std::uint32_t> post_order;
  std::vector<WalkFrame> stack;
  stack.push_back({top, 0});
  while (!stack.empty()) {
    WalkFrame& frame = stack.back();
    const InstanceNode& node = state.instances[frame.instance];
    const types::Module& module = *node.module;
    if (frame.next_component == module.components.size()) {
      post_order.push_back(frame.instance);
      stack.pop_back();
      continue;
    }
    std::uint32_t local = frame.next_component++;
    std::uint32_t instance = frame.instance;
    std::uint32_t slot_index = node.slot_base + local;
    const types::Component& component = module.components[local];
    switch (component.kind.tag) {
      case types::ComponentKind::Tag::primitive: {
        std::uint32_t global = state.next_global_id++;
        state.slots[slot_index] = global;
        state.components.push_back({&component, instance, primitiveToKind(component.kind.primitive)});
        break;
      }
      case types::ComponentKind::Tag::sub_circuit_ref: {
        auto target = state.import_targets->find(module.file_id, component.kind.sub_circuit_ref.name);
        if (!target || *target >= project.files.size()) return fail(Error::ModuleNotFound);
        if (stack.size() > project.files.size()) return fail(Error::InternalError);
        std::uint32_t child = addInstance(state, project.files[*target], instance, &component,
                                          types::FileId{*target});
        state.slots[slot_index] = child;  // `node` and `frame` may be stale from here on
        stack.push_back({child, 0});
        break;
      }
      case types::ComponentKind::Tag::unresolved_name: return fail(Error::UnresolvedComponent);
    }
  }
  return post_order;
}

// Appends the connection records of one instance: its own connections into
// primitives, then one record per bound input pin.
Result<void> appendConnections(ExpanderState& state, std::uint32_t instance) {
  const InstanceNode& node = state.instances[instance];
  const types::Module& module = *node.module;
  for (const types::Connection& connection : module.connections) {
    const types::Component* destination = module.findComponent(connection.to.component);
    if (destination == nullptr) return fail(Error::ComponentNotFound);
    // Connections into a sub-circuit became its bound inputs.
    if (!destination->kind.isPrimitive()) continue;
    auto from = resolveSignalGlobalId(state, instance, connection.from);
    if (!from) return fail(from.error());
    auto port = parsePortName(connection.to.port);
    if (!port) return fail(port.error());
    state.connections.push_back({*from, state.slots[node.slot_base + connection.to.component.value],
                                 static_cast<std::uint8_t>(*port)});
  }
  const ModuleIndex& index = state.module_indexes[node.index];
  for (std::uint32_t pin = 0; pin < module.inputs.size(); ++pin) {
    std::uint32_t bound = state.bindings[node.binding_base + index.input_slot[pin]];
    if (bound == kUnbound) continue;
    types::ComponentId pin_component = module.inputs[pin].component;
    const types::Component* target = module.findComponent(pin_component);
    if (target == nullptr || !target->kind.isPrimitive()) return fail(Error::InternalError);
    state.connections.push_back(
        {bound, state.slots[node.slot_base + pin_component.value], static_cast<std::uint8_t>(format::PortName::in)});
  }
  return {};
}

}  // namespace

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
  std::uint32_t first = static_cast<std::uint32_t>(state.instances.size());
  std::uint32_t top = addInstance(state, module, kNoInstance, nullptr, module.file_id);

  // 1. Global ids for every primitive, before anything is resolved.
  auto post_order = assignIds(state, top);
  if (!post_order) return fail(post_order.error());
  std::uint32_t last = static_cast<std::uint32_t>(state.instances.size());

  // 2. Output maps. An instance's outputs depend only on its own primitives
  //    and its nested instances, which follow it in pre-order.
  for (std::uint32_t instance = last; instance-- > first;) {
    const InstanceNode& node = state.instances[instance];
    for (std::uint32_t k = 0; k < node.module->outputs.size(); ++k) {
      auto driver = resolveSignalGlobalId(state, instance, node.module->outputs[k].driver);
      if (!driver) return fail(driver.error());
      state.output_drivers[node.output_base + k] = *driver;
    }
  }

  // 3. Bound inputs: every connection into a sub-circuit instance, in module
  //    order, so a later one to the same port wins.
  {
    const InstanceNode& node = state.instances[top];
    const ModuleIndex& index = state.module_indexes[node.index];
    for (const InputBinding& binding : parent_input_bindings) {
      auto slot = index.input_slot_by_name.find(binding.name);
      if (slot != index.input_slot_by_name.end()) {
        state.bindings[node.binding_base + slot->second] = binding.bound.global_from_id;
      }
    }
  }
  for (std::uint32_t instance = first; instance < last; ++instance) {
    const InstanceNode& node = state.instances[instance];
    const types::Module& current = *node.module;
    for (const types::Connection& connection : current.connections) {
      const types::Component* destination = current.findComponent(connection.to.component);
      if (destination == nullptr || !destination->kind.isSubCircuitRef()) continue;
      auto from = resolveSignalGlobalId(state, instance, connection.from);
      if (!from) return fail(from.error());
      const InstanceNode& child = state.instances[state.slots[node.slot_base + connection.to.component.value]];
      const ModuleIndex& index = state.module_indexes[child.index];
      auto slot = index.input_slot_by_name.find(connection.to.port);
      if (slot != index.input_slot_by_name.end()) state.bindings[child.binding_base + slot->second] = *from;
    }
  }

  // 4. Connection records, nested instances before their parent.
  for (std::uint32_t instance : *post_order) {
    if (auto appended = appendConnections(state, instance); !appended) return fail(appended.error());
  }

  const InstanceNode& node = state.instances[top];
  if (local_to_global_out != nullptr) {
    local_to_global_out->assign(module.components.size(), kNoGlobalId);
    for (std::uint32_t i = 0; i < module.components.size(); ++i) {
      if (module.components[i].kind.isPrimitive()) (*local_to_global_out)[i] = state.slots[node.slot_base + i];
    }
  }
  const ModuleIndex& index = state.module_indexes[node.index];
  OutputMap output_map;
  output_map.reserve(module.outputs.size());
  for (const types::OutputPin& pin : module.outputs) {
    output_map.push_back({pin.name, state.output_drivers[node.output_base + index.output_by_name.at(pin.name)]});
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
    components.push_back({id, static_cast<std::uint8_t>(state.components[id].kind)});
  }
  topology.payload = encodePayload(components, state.connections);
  return topology;
}

}  // namespace vorn::serializer
