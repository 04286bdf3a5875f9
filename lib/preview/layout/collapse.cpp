#include "preview/layout/collapse.hpp"

#include <algorithm>
#include <cstddef>
#include <functional>
#include <optional>
#include <vector>

namespace vorn::collapse {

namespace {

using format::ComponentKind;

constexpr std::uint8_t kInPort = format::portByte(format::PortName::in);
constexpr std::uint8_t kOutPort = format::portByte(format::PortName::out);

struct GroupKey {
  std::string_view alias;
  std::string_view subcircuit;

  friend bool operator==(const GroupKey&, const GroupKey&) = default;
};

struct GroupKeyHash {
  std::size_t operator()(const GroupKey& key) const {
    const std::size_t a = std::hash<std::string_view>{}(key.alias);
    const std::size_t s = std::hash<std::string_view>{}(key.subcircuit);
    return a ^ (s + 0x9e3779b97f4a7c15ULL + (a << 6) + (a >> 2));
  }
};

struct EdgeLists {
  std::vector<layout::InputEdge> inputs;
  std::vector<layout::OutputEdge> outputs;
};

// The boundary pins of one folded instance of a sub-circuit file.
struct PinSlots {
  bool slotted = false;
  std::vector<std::string_view> inputs;
  std::vector<std::string_view> outputs;
  std::vector<std::uint32_t> output_ids;
};

bool isPin(ComponentKind kind) { return kind == ComponentKind::input_pin || kind == ComponentKind::output_pin; }

}  // namespace

bool isPassthrough(std::uint32_t id, const KindMap& kind_of, const IdSet& is_inner_pin, bool expand) {
  const auto kind = kind_of.find(id);
  if (kind == kind_of.end()) return false;
  if (kind->second == ComponentKind::wire) return true;
  return expand && is_inner_pin.contains(id);
}

std::uint8_t remappedPort(std::uint8_t default_port, std::uint32_t real_id, std::uint32_t vid,
                          const KindMap& kind_of, const NameMap& name_of) {
  if (real_id == vid) return default_port;
  const auto kind = kind_of.find(real_id);
  if (kind == kind_of.end() || !isPin(kind->second)) return default_port;
  const auto name = name_of.find(real_id);
  if (name == name_of.end()) return default_port;
  return portByteFromName(name->second).value_or(default_port);
}

Result<layout::VirtualGraph> collapse(const full_format::FullTopology& topology, layout::LayoutOptions options) {
  const bool expand = options.expand_macros;
  const auto& components = topology.components;
  const auto& connections = topology.connections;

  // 1. Kinds, names, inner pins, next id.
  KindMap kind_of;
  NameMap name_of;
  IdSet inner_pins;
  kind_of.reserve(components.size());
  name_of.reserve(components.size());
  std::uint32_t largest = 0;
  for (const auto& c : components) {
    kind_of[c.id] = c.kind;
    name_of[c.id] = c.name;
    if (!c.origin.empty() && isPin(c.kind)) inner_pins.insert(c.id);
    largest = std::max(largest, c.id);
  }
  // A component id of 0xFFFFFFFF would wrap; the folded ids then simply
  // continue from 0, which is harmless for a drawing.
  const std::uint32_t next_id = components.empty() ? 1 : largest + 1;

  const auto passthrough = [&](std::uint32_t id) { return isPassthrough(id, kind_of, inner_pins, expand); };

  // 2. Who drives each passthrough (the last connection into it wins).
  std::unordered_map<std::uint32_t, std::uint32_t> passthrough_source;
  for (const auto& conn : connections) {
    if (passthrough(conn.to_id)) passthrough_source[conn.to_id] = conn.from_id;
  }

  // 3. Follow each passthrough back to its first real driver, however long
  // the chain. A chain that ends without a source, or runs into a ring of
  // passthroughs, has none. Every passthrough on a walked path shares the
  // walk's outcome, so each is walked once.
  enum class Walk : std::uint8_t { on_path, settled };
  std::unordered_map<std::uint32_t, Walk> walked;
  std::unordered_map<std::uint32_t, std::uint32_t> resolved_driver;
  std::vector<std::uint32_t> path;
  for (const auto& c : components) {
    if (!passthrough(c.id) || walked.contains(c.id)) continue;
    path.clear();
    std::optional<std::uint32_t> driver;
    for (std::uint32_t current = c.id;;) {
      walked[current] = Walk::on_path;
      path.push_back(current);
      const auto source = passthrough_source.find(current);
      if (source == passthrough_source.end()) break;
      const std::uint32_t from = source->second;
      if (!passthrough(from)) {
        driver = from;
        break;
      }
      const auto seen = walked.find(from);
      if (seen != walked.end()) {
        // On this path: a ring. Settled: that walk's outcome.
        const auto known = resolved_driver.find(from);
        if (seen->second == Walk::settled && known != resolved_driver.end()) driver = known->second;
        break;
      }
      current = from;
    }
    for (const std::uint32_t id : path) {
      walked[id] = Walk::settled;
      if (driver) resolved_driver[id] = *driver;
    }
  }

  // 4. One group per sub-circuit instance of the root file, in order of first
  // appearance.
  std::vector<GroupKey> groups;
  std::unordered_map<GroupKey, std::uint32_t, GroupKeyHash> group_index;
  std::unordered_map<std::uint32_t, std::uint32_t> group_of;
  if (!expand) {
    for (const auto& c : components) {
      if (c.kind == ComponentKind::wire || c.origin.empty()) continue;
      const GroupKey key{c.origin.front().alias, c.origin.front().subcircuit};
      const auto [it, inserted] = group_index.try_emplace(key, static_cast<std::uint32_t>(groups.size()));
      if (inserted) groups.push_back(key);
      group_of[c.id] = it->second;
    }
  }

  // 4b. Pin slots of the instances of sub-circuit files: the instance's own
  // boundary pins (one frame deep), in declaration order. A consumer outside
  // is wired to the component driving an output pin, not to the pin, so the
  // slot is found by that driver (the first output pin it drives).
  std::vector<PinSlots> pin_slots(groups.size());
  std::unordered_map<std::uint32_t, std::uint32_t> in_slot_of;   // inner input pin -> slot
  std::unordered_map<std::uint32_t, std::uint32_t> out_slot_of;  // driver of an output pin -> slot
  if (!expand && !options.pin_slot_files.empty()) {
    std::unordered_map<std::uint32_t, std::uint32_t> out_pin_slot;  // inner output pin -> slot
    for (const auto& c : components) {
      if (c.kind == ComponentKind::wire || c.origin.empty()) continue;
      if (!options.pin_slot_files.contains(c.origin.front().target_file)) continue;
      PinSlots& pins = pin_slots[group_of.at(c.id)];
      pins.slotted = true;
      if (c.origin.size() != 1 || !isPin(c.kind)) continue;
      if (c.kind == ComponentKind::input_pin) {
        in_slot_of[c.id] = static_cast<std::uint32_t>(pins.inputs.size());
        pins.inputs.push_back(c.name);
      } else {
        out_pin_slot[c.id] = static_cast<std::uint32_t>(pins.outputs.size());
        pins.outputs.push_back(c.name);
        pins.output_ids.push_back(c.id);
      }
    }
    std::unordered_map<std::uint32_t, std::uint32_t> driver_of;  // inner output pin -> its driver
    for (const auto& conn : connections) {
      if (!out_pin_slot.contains(conn.to_id)) continue;
      std::uint32_t from = conn.from_id;
      if (passthrough(from)) {
        const auto driver = resolved_driver.find(from);
        if (driver == resolved_driver.end()) continue;
        from = driver->second;
      }
      driver_of[conn.to_id] = from;
    }
    for (const PinSlots& pins : pin_slots) {
      for (const std::uint32_t pin : pins.output_ids) {
        const auto driver = driver_of.find(pin);
        if (driver != driver_of.end()) out_slot_of.try_emplace(driver->second, out_pin_slot.at(pin));
      }
    }
  }
  const auto isSlotted = [&](std::uint32_t vid) {
    return vid >= next_id && vid - next_id < pin_slots.size() && pin_slots[vid - next_id].slotted;
  };

  // 5. Virtual ids, and one pair of edge lists per virtual id.
  std::unordered_map<std::uint32_t, std::uint32_t> vid_of;
  std::unordered_map<std::uint32_t, std::size_t> lists_of;
  std::vector<EdgeLists> lists;
  vid_of.reserve(components.size());
  for (const auto& c : components) {
    if (passthrough(c.id)) continue;
    const auto group = group_of.find(c.id);
    const std::uint32_t vid = group == group_of.end() ? c.id : next_id + group->second;
    vid_of[c.id] = vid;
    if (lists_of.try_emplace(vid, lists.size()).second) lists.emplace_back();
  }

  // 6. Edges.
  for (const auto& conn : connections) {
    if (passthrough(conn.to_id)) continue;
    std::uint32_t from = conn.from_id;
    if (passthrough(from)) {
      const auto driver = resolved_driver.find(from);
      if (driver == resolved_driver.end()) continue;
      from = driver->second;
    }
    const auto src_vid = vid_of.find(from);
    const auto dst_vid = vid_of.find(conn.to_id);
    if (src_vid == vid_of.end() || dst_vid == vid_of.end()) continue;
    if (src_vid->second == dst_vid->second) continue;
    std::uint8_t dst_port = remappedPort(conn.port, conn.to_id, dst_vid->second, kind_of, name_of);
    std::uint8_t src_port = remappedPort(kOutPort, from, src_vid->second, kind_of, name_of);
    std::uint32_t dst_slot = layout::kNoSlot;
    std::uint32_t src_slot = layout::kNoSlot;
    if (isSlotted(dst_vid->second)) {
      dst_port = kInPort;
      if (const auto slot = in_slot_of.find(conn.to_id); slot != in_slot_of.end()) dst_slot = slot->second;
    }
    if (isSlotted(src_vid->second)) {
      src_port = kOutPort;
      if (const auto slot = out_slot_of.find(from); slot != out_slot_of.end()) src_slot = slot->second;
    }
    lists[lists_of.at(src_vid->second)].outputs.push_back({dst_vid->second, src_port, dst_port, src_slot, dst_slot});
    lists[lists_of.at(dst_vid->second)].inputs.push_back({src_vid->second, src_port, dst_port, src_slot, dst_slot});
  }

  // 7. Nodes: the components drawn as themselves, then the folded instances.
  // Ids are unique, so each list pair is handed to exactly one node.
  layout::VirtualGraph graph;
  graph.next_id = next_id;
  graph.nodes.reserve(lists.size());
  for (const auto& c : components) {
    if (passthrough(c.id) || group_of.contains(c.id)) continue;
    layout::VirtualNode node;
    node.kind.tag = layout::NodeKind::Tag::primitive;
    node.kind.primitive = c.kind;
    node.name = c.name;
    node.origin = c.origin.empty() ? nullptr : &c.origin;
    node.id = c.id;
    EdgeLists& edges = lists[lists_of.at(c.id)];
    node.inputs = std::move(edges.inputs);
    node.outputs = std::move(edges.outputs);
    graph.nodes.push_back(std::move(node));
  }
  for (std::uint32_t i = 0; i < groups.size(); ++i) {
    layout::VirtualNode node;
    node.kind.tag = layout::NodeKind::Tag::subcircuit;
    node.kind.subcircuit = groups[i].subcircuit;
    node.name = groups[i].alias;
    node.id = next_id + i;
    if (pin_slots[i].slotted) {
      node.kind.pin_slots = true;
      node.in_pins = std::move(pin_slots[i].inputs);
      node.out_pins = std::move(pin_slots[i].outputs);
    }
    EdgeLists& edges = lists[lists_of.at(node.id)];
    node.inputs = std::move(edges.inputs);
    node.outputs = std::move(edges.outputs);
    graph.nodes.push_back(std::move(node));
  }

  // 8. Id order. Records come in id order and folded ids lie above them, so
  // the list is usually sorted already and the sort can be skipped.
  const auto by_id = [](const layout::VirtualNode& a, const layout::VirtualNode& b) { return a.id < b.id; };
  if (!std::is_sorted(graph.nodes.begin(), graph.nodes.end(), by_id)) {
    std::stable_sort(graph.nodes.begin(), graph.nodes.end(), by_id);
  }
  return graph;
}

}  // namespace vorn::collapse
