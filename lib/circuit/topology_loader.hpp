#pragma once

// Fills an engine circuit from topology records: components as (id, kind
// byte), then connections as (from id, to id, port byte), found through one id
// map. The truth-table builder feeds it decoded records, the runtime module
// the compact bytes; both therefore build the same circuit from a topology.
#include <stddef.h>
#include <stdint.h>

#include "circuit/circuit.hpp"

namespace vorn::circuit {

// The engine type of a topology kind byte (a format::ComponentKind value);
// false for a byte that names no kind.
bool engineTypeOf(uint8_t kind, ComponentType& type);

enum class LoadStatus : uint8_t {
  ok = 0,
  out_of_memory,
  unknown_kind,
  // A connection names an id that no component record has.
  unknown_id,
  unknown_port,
  // connect: the source has no "out" entry.
  missing_output_port,
};

class TopologyLoader {
 public:
  explicit TopologyLoader(Circuit& circuit) : circuit_(circuit) {}

  // Sizes the id map once for `component_count` records whose ids are at most
  // `max_id`. False when out of memory.
  bool init(uint32_t component_count, uint32_t max_id);
  // Creates the component with the record's id. A later record with the same
  // id replaces the earlier one in the map (both stay in the circuit).
  LoadStatus addComponent(uint32_t id, uint8_t kind);
  LoadStatus connect(uint32_t from_id, uint32_t to_id, uint8_t port);
  // The component entered under `id`, or null.
  Component* find(uint32_t id) const;
  // Gives the id map back to the engine arena.
  void release();

 private:
  struct Slot {
    uint32_t id = 0;
    Component* component = nullptr;
  };

  Slot* locate(uint32_t id) const;

  Circuit& circuit_;
  // The compiler numbers ids densely from 0, so they index `dense_` directly;
  // scattered ids go through the open-addressing table `slots_`.
  Component** dense_ = nullptr;
  Slot* slots_ = nullptr;
  uint32_t capacity_ = 0;
  size_t bytes_ = 0;
};

}  // namespace vorn::circuit
