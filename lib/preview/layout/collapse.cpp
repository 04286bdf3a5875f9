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

std::uint8_t remappedPort(std::uint8_t default_port, std::uint32_t real_id, std::uint32_t vid, const KindMap& kind_of,
                          const NameMap& name_of) {
  if (real_id == vid) return default_port;
  const auto kind = kind_of.find(real_id);
  if (kind == kind_of.end() || !isPin(kind->second)) return default_port;
  const auto name = name_of.find(real_id);
  if (name == name_of.end()) return default_port;
  return portByteFromName(name->second).value_or(default_port);
}

namespace {

using Records = std::vector<full_format::FullComponentRecord>;
using Connections = std::vector<format::ConnectionRecord>;
using IdMap = std::unordered_map<std::uint32_t, std::uint32_t>;

// What one pass over the records learns: each id's kind and name, the
// sub-circuits' own boundary pins, and the first id free for folded boxes.
struct ComponentIndex {
  KindMap kind_of;
  NameMap name_of;
  IdSet inner_pins;
  std::uint32_t next_id = 1;
};

ComponentIndex indexComponents(const Records& components) {
  ComponentIndex index;
  index.kind_of.reserve(components.size());
  index.name_of.reserve(components.size());
  std::uint32_t largest = 0;
  for (const auto& c : components) {
    index.kind_of[c.id] = c.kind;
    index.name_of[c.id] = c.name;
    if (!c.origin.empty() && isPin(c.kind)) index.inner_pins.insert(c.id);
    largest = std::max(largest, c.id);
  }
  // A component id of 0xFFFFFFFF would wrap; the folded ids then simply
  // continue from 0, which is harmless for a drawing.
  index.next_id = components.empty() ? 1 : largest + 1;
  return index;
}

// The components that vanish from the drawing and the real driver each one
// stands for.
class Passthroughs {
 public:
  Passthroughs(const ComponentIndex& index, bool expand) : index_(index), expand_(expand) {}

  bool contains(std::uint32_t id) const { return isPassthrough(id, index_.kind_of, index_.inner_pins, expand_); }

  void resolve(const Records& components, const Connections& connections) {
    resolveDrivers(components, sourcesOf(connections));
  }

  // The component that really drives a signal leaving `from`; none when
  // `from` is a passthrough whose chain has no driver.
  std::optional<std::uint32_t> realSource(std::uint32_t from) const {
    if (!contains(from)) return from;
    const auto driver = resolved_driver_.find(from);
    if (driver == resolved_driver_.end()) return std::nullopt;
    return driver->second;
  }

 private:
  // Who drives each passthrough (the last connection into it wins).
  IdMap sourcesOf(const Connections& connections) const {
    IdMap source_of;
    for (const auto& conn : connections) {
      if (contains(conn.to_id)) source_of[conn.to_id] = conn.from_id;
    }
    return source_of;
  }

  // Follows each passthrough back to its first real driver, however long the
  // chain. A chain that ends without a source, or runs into a ring of
  // passthroughs, has none. Every passthrough on a walked path shares the
  // walk's outcome, so each is walked once.
  void resolveDrivers(const Records& components, const IdMap& source_of) {
    enum class Walk : std::uint8_t { on_path, settled };
    std::unordered_map<std::uint32_t, Walk> walked;
    std::vector<std::uint32_t> path;
    for (const auto& c : components) {
      if (!contains(c.id) || walked.contains(c.id)) continue;
      path.clear();
      std::optional<std::uint32_t> driver;
      for (std::uint32_t current = c.id;;) {
        walked[current] = Walk::on_path;
        path.push_back(current);
        const auto source = source_of.find(current);
        if (source == source_of.end()) break;
        const std::uint32_t from = source->second;
        if (!contains(from)) {
          driver = from;
          break;
        }
        const auto seen = walked.find(from);
        if (seen != walked.end()) {
          // On this path: a ring. Settled: that walk's outcome.
          const auto known = resolved_driver_.find(from);
          if (seen->second == Walk::settled && known != resolved_driver_.end()) driver = known->second;
          break;
        }
        current = from;
      }
      for (const std::uint32_t id : path) {
        walked[id] = Walk::settled;
        if (driver) resolved_driver_[id] = *driver;
      }
    }
  }

  const ComponentIndex& index_;
  bool expand_;
  IdMap resolved_driver_;
};

// One group per sub-circuit instance of the root file, in order of first
// appearance.
struct Groups {
  std::vector<GroupKey> keys;
  IdMap group_of;  // component id -> index into keys
};

Groups groupInstances(const Records& components) {
  Groups groups;
  std::unordered_map<GroupKey, std::uint32_t, GroupKeyHash> group_index;
  for (const auto& c : components) {
    if (c.kind == ComponentKind::wire || c.origin.empty()) continue;
    const GroupKey key{c.origin.front().alias, c.origin.front().subcircuit};
    const auto [it, inserted] = group_index.try_emplace(key, static_cast<std::uint32_t>(groups.keys.size()));
    if (inserted) groups.keys.push_back(key);
    groups.group_of[c.id] = it->second;
  }
  return groups;
}

struct PinSlotting {
  std::vector<PinSlots> slots;  // one per group
  IdMap in_slot_of;             // inner input pin -> slot
  IdMap out_slot_of;            // driver of an output pin -> slot
};

// Pin slots of the instances of sub-circuit files: the instance's own
// boundary pins (one frame deep), in declaration order. A consumer outside
// is wired to the component driving an output pin, not to the pin, so the
// slot is found by that driver (the first output pin it drives).
PinSlotting slotPins(const full_format::FullTopology& topology, const layout::LayoutOptions& options,
                     const Groups& groups, const Passthroughs& passthroughs) {
  PinSlotting pins;
  pins.slots.resize(groups.keys.size());
  if (options.expand_macros || options.pin_slot_files.empty()) return pins;
  IdMap out_pin_slot;  // inner output pin -> slot
  for (const auto& c : topology.components) {
    if (c.kind == ComponentKind::wire || c.origin.empty()) continue;
    if (!options.pin_slot_files.contains(c.origin.front().target_file)) continue;
    PinSlots& box = pins.slots[groups.group_of.at(c.id)];
    box.slotted = true;
    if (c.origin.size() != 1 || !isPin(c.kind)) continue;
    if (c.kind == ComponentKind::input_pin) {
      pins.in_slot_of[c.id] = static_cast<std::uint32_t>(box.inputs.size());
      box.inputs.push_back(c.name);
    } else {
      out_pin_slot[c.id] = static_cast<std::uint32_t>(box.outputs.size());
      box.outputs.push_back(c.name);
      box.output_ids.push_back(c.id);
    }
  }
  IdMap driver_of;  // inner output pin -> its driver
  for (const auto& conn : topology.connections) {
    if (!out_pin_slot.contains(conn.to_id)) continue;
    if (const auto from = passthroughs.realSource(conn.from_id)) driver_of[conn.to_id] = *from;
  }
  for (const PinSlots& box : pins.slots) {
    for (const std::uint32_t pin : box.output_ids) {
      const auto driver = driver_of.find(pin);
      if (driver != driver_of.end()) pins.out_slot_of.try_emplace(driver->second, out_pin_slot.at(pin));
    }
  }
  return pins;
}

// Every component drawn, as itself or inside a folded box, has a virtual id,
// and every virtual id one pair of edge lists.
struct VirtualIds {
  IdMap vid_of;
  std::unordered_map<std::uint32_t, std::size_t> lists_of;
  std::vector<EdgeLists> lists;

  EdgeLists& listsOf(std::uint32_t vid) { return lists[lists_of.at(vid)]; }
};

VirtualIds assignVirtualIds(const Records& components, const Passthroughs& passthroughs, const Groups& groups,
                            std::uint32_t next_id) {
  VirtualIds ids;
  ids.vid_of.reserve(components.size());
  for (const auto& c : components) {
    if (passthroughs.contains(c.id)) continue;
    const auto group = groups.group_of.find(c.id);
    const std::uint32_t vid = group == groups.group_of.end() ? c.id : next_id + group->second;
    ids.vid_of[c.id] = vid;
    if (ids.lists_of.try_emplace(vid, ids.lists.size()).second) ids.lists.emplace_back();
  }
  return ids;
}

// Adds one edge per connection that joins two different drawn nodes.
void connectEdges(const Connections& connections, const ComponentIndex& index, const Passthroughs& passthroughs,
                  const PinSlotting& pins, VirtualIds& ids) {
  const auto isSlotted = [&](std::uint32_t vid) {
    return vid >= index.next_id && vid - index.next_id < pins.slots.size() && pins.slots[vid - index.next_id].slotted;
  };
  for (const auto& conn : connections) {
    if (passthroughs.contains(conn.to_id)) continue;
    const std::optional<std::uint32_t> real_from = passthroughs.realSource(conn.from_id);
    if (!real_from) continue;
    const std::uint32_t from = *real_from;
    const auto src_vid = ids.vid_of.find(from);
    const auto dst_vid = ids.vid_of.find(conn.to_id);
    if (src_vid == ids.vid_of.end() || dst_vid == ids.vid_of.end()) continue;
    if (src_vid->second == dst_vid->second) continue;
    std::uint8_t dst_port = remappedPort(conn.port, conn.to_id, dst_vid->second, index.kind_of, index.name_of);
    std::uint8_t src_port = remappedPort(kOutPort, from, src_vid->second, index.kind_of, index.name_of);
    std::uint32_t dst_slot = layout::kNoSlot;
    std::uint32_t src_slot = layout::kNoSlot;
    if (isSlotted(dst_vid->second)) {
      dst_port = kInPort;
      if (const auto slot = pins.in_slot_of.find(conn.to_id); slot != pins.in_slot_of.end()) dst_slot = slot->second;
    }
    if (isSlotted(src_vid->second)) {
      src_port = kOutPort;
      if (const auto slot = pins.out_slot_of.find(from); slot != pins.out_slot_of.end()) src_slot = slot->second;
    }
    ids.listsOf(src_vid->second)
        .outputs.push_back({.dst_id = dst_vid->second,
                            .src_port = src_port,
                            .dst_port = dst_port,
                            .src_slot = src_slot,
                            .dst_slot = dst_slot});
    ids.listsOf(dst_vid->second)
        .inputs.push_back({.src_id = src_vid->second,
                           .src_port = src_port,
                           .dst_port = dst_port,
                           .src_slot = src_slot,
                           .dst_slot = dst_slot});
  }
}

// The components drawn as themselves, then the folded instances. Ids are
// unique, so each list pair is handed to exactly one node.
std::vector<layout::VirtualNode> emitNodes(const Records& components, const Passthroughs& passthroughs,
                                           const Groups& groups, PinSlotting& pins, VirtualIds& ids,
                                           std::uint32_t next_id) {
  std::vector<layout::VirtualNode> nodes;
  nodes.reserve(ids.lists.size());
  for (const auto& c : components) {
    if (passthroughs.contains(c.id) || groups.group_of.contains(c.id)) continue;
    EdgeLists& edges = ids.listsOf(c.id);
    nodes.push_back({.kind = layout::NodeKind::makePrimitive(c.kind),
                     .name = c.name,
                     .origin = c.origin.empty() ? nullptr : &c.origin,
                     .inputs = std::move(edges.inputs),
                     .outputs = std::move(edges.outputs),
                     .id = c.id,
                     .in_pins = {},
                     .out_pins = {}});
  }
  // A box's pin lists are filled only when it is slotted.
  for (std::uint32_t i = 0; i < groups.keys.size(); ++i) {
    PinSlots& box = pins.slots[i];
    EdgeLists& edges = ids.listsOf(next_id + i);
    nodes.push_back({.kind = layout::NodeKind::makeSubcircuit(groups.keys[i].subcircuit, box.slotted),
                     .name = groups.keys[i].alias,
                     .origin = nullptr,
                     .inputs = std::move(edges.inputs),
                     .outputs = std::move(edges.outputs),
                     .id = next_id + i,
                     .in_pins = std::move(box.inputs),
                     .out_pins = std::move(box.outputs)});
  }
  return nodes;
}

// Records come in id order and folded ids lie above them, so the list is
// usually sorted already and the sort can be skipped.
void sortById(std::vector<layout::VirtualNode>& nodes) {
  const auto by_id = [](const layout::VirtualNode& a, const layout::VirtualNode& b) { return a.id < b.id; };
  if (!std::is_sorted(nodes.begin(), nodes.end(), by_id)) std::stable_sort(nodes.begin(), nodes.end(), by_id);
}

}  // namespace

Result<layout::VirtualGraph> collapse(const full_format::FullTopology& topology, layout::LayoutOptions options) {
  const ComponentIndex index = indexComponents(topology.components);
  Passthroughs passthroughs(index, options.expand_macros);
  passthroughs.resolve(topology.components, topology.connections);
  const Groups groups = options.expand_macros ? Groups{} : groupInstances(topology.components);
  PinSlotting pins = slotPins(topology, options, groups, passthroughs);
  VirtualIds ids = assignVirtualIds(topology.components, passthroughs, groups, index.next_id);
  connectEdges(topology.connections, index, passthroughs, pins, ids);
  layout::VirtualGraph graph{.nodes = emitNodes(topology.components, passthroughs, groups, pins, ids, index.next_id),
                             .next_id = index.next_id};
  sortById(graph.nodes);
  return graph;
}

}  // namespace vorn::collapse
