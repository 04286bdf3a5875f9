#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "core/error.hpp"
#include "preview/layout/layout.hpp"
#include "topology/full_format.hpp"

// First preview stage: turns the flat topology into the graph of drawable
// nodes. Wires (and, when macros are expanded, sub-circuit boundary pins)
// vanish and are bridged by their drivers; without expansion every sub-circuit
// instance of the root file becomes one box.
namespace vorn::collapse {

using KindMap = std::unordered_map<std::uint32_t, format::ComponentKind>;
using NameMap = std::unordered_map<std::uint32_t, std::string_view>;
using IdSet = std::unordered_set<std::uint32_t>;

// Whether `id` disappears from the drawing. Wires always do; inner pins
// (boundary pins of sub-circuits) only when macros are expanded.
bool isPassthrough(std::uint32_t id, const KindMap& kind_of, const IdSet& is_inner_pin, bool expand);

// The port byte to record at one end of an edge whose real component is
// `real_id`, drawn as the node `vid`: a folded sub-circuit's boundary pin
// names the port.
std::uint8_t remappedPort(std::uint8_t default_port, std::uint32_t real_id, std::uint32_t vid, const KindMap& kind_of,
                          const NameMap& name_of);

// "in" 0, "a" 1, "b" 2, "out" 3; anything else has no port byte.
inline std::optional<std::uint8_t> portByteFromName(std::string_view name) { return format::portByteOf(name); }

// The graph's names, kinds and origins are views into `topology`.
Result<layout::VirtualGraph> collapse(const full_format::FullTopology& topology, layout::LayoutOptions options);

}  // namespace vorn::collapse
