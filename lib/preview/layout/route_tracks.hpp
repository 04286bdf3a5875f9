#pragma once

#include <cstdint>
#include <vector>

#include "preview/layout/layout.hpp"
#include "preview/layout/route_boxes.hpp"

// Vertical track columns: all wires of one output share a trunk, and trunks
// leaving the same column share a track when their row ranges chain.
namespace vorn::route {

struct PendingWire {
  std::vector<layout::Segment> segments;
  std::uint32_t src_id = 0;
  std::uint32_t dst_id = 0;
  std::uint32_t sx = 0;
  std::uint32_t sy = 0;
  std::uint32_t dx = 0;
  std::uint32_t dy = 0;
  std::uint32_t track_x = 0;
  std::uint8_t src_port = format::portByte(format::PortName::out);
  std::uint8_t dst_port = 0;
  std::uint32_t src_slot = layout::kNoSlot;
  std::uint32_t dst_slot = layout::kNoSlot;
};

struct Trunk {
  std::vector<std::uint32_t> wires;  // indices into the pending wires
  std::uint32_t sx = 0;
  std::uint32_t sy = 0;
  std::uint32_t src_id = 0;
  std::uint32_t y_min = 0;
  std::uint32_t y_max = 0;
  std::uint8_t src_port = format::portByte(format::PortName::out);
  std::uint32_t src_slot = layout::kNoSlot;
};

struct SuperTrunk {
  std::vector<std::uint32_t> members;  // trunk indices
  std::uint32_t y_min = 0;
  std::uint32_t y_max = 0;
};

// One trunk per (sx, src_id, src_port, src_slot), in order of creation, each spanning
// the rows of all its wires.
std::vector<Trunk> buildTrunks(const std::vector<PendingWire>& wires);

// Chains the trunks of one group (same sx) into super trunks: a trunk joins
// the previous one when it starts on its last row or the row below, unless
// another output slot of its own box is already in it.
std::vector<SuperTrunk> formSuperTrunks(const std::vector<Trunk>& trunks, std::vector<std::uint32_t> group);

// The range reaches past every source row both upwards and downwards.
bool isSuperTrunkBilateral(const SuperTrunk& st, const std::vector<Trunk>& trunks);

// Bilateral super trunks first, then narrower spans, then creation order.
void sortSuperTrunks(std::vector<SuperTrunk>& supers, const std::vector<Trunk>& trunks);

// Sets `track_x` on every wire of each trunk: per group, the first column right
// of the sources that no earlier super trunk uses, no box spans and no input
// port approaches within the super trunk's rows.
void assignTrackColumns(std::vector<PendingWire>& wires, const std::vector<Trunk>& trunks, const BoxIndex& boxes);

}  // namespace vorn::route
